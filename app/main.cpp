#include "PruneApp.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // The one option, so that packaging checks can run the installed binary without a window.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Tuneprune %s\n", TUNEPRUNE_VERSION);
        return 0;
    }
    CPruneApp theApp(argc, argv);
    return theApp.InitInstance();
}

#include "CommandLineRun.h"
#include "PruneApp.h"

int main(int argc, char** argv)
{
    // With arguments, the command line, which needs no display; without, the window.
    if (argc > 1) {
        return runCommandLine(argc, argv);
    }
    CPruneApp theApp(argc, argv);
    return theApp.InitInstance();
}

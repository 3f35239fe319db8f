#include "CommandLineRun.h"
#include "PruneApp.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    // Whatever slipped through is said and ends the program with a failure, never an abort.
    try {
        // With arguments, the command line, which needs no display; without, the window.
        if (argc > 1) {
            return runCommandLine(argc, argv);
        }
        CPruneApp theApp(argc, argv);
        return theApp.InitInstance();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tuneprune: %s\n", error.what());
        return 1;
    }
}

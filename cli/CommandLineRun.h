#pragma once

// `tuneprune --list|--delete|--trash ...`: the window's engine without a display. Returns the
// process's exit status.
int runCommandLine(int argc, char** argv);

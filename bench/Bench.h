#pragma once

// The benchmark's parts. Each measurement runs as a subcommand in a child process of its own, so
// that its peak RSS is its own, and prints key=value words: ms= its own timing, hwm_kb= its peak.

namespace bench {

double now(); // seconds, monotonic
// Runs the subcommand args[0]; -1 when there is none of that name taking these arguments.
int runProbe(int argc, char** args);

// The synthetic library and its playlists, made by the gen-* subcommands (see Library.cpp).
enum Generator { kTree, kPlaylists, kBigPlaylists };
int generate(char** args, int generator);

} // namespace bench

#pragma once

// The measurements, each run in a child process of its own so that its peak RSS is its own. Each
// prints key=value words: ms= its own timing, hwm_kb= its peak RSS.

namespace bench {

double now(); // seconds, monotonic
// Runs the subcommand args[0]; -1 when there is none of that name taking these arguments.
int runProbe(int argc, char** args);

} // namespace bench

#pragma once

// The measurements, each run in a process of its own so that its peak RSS is its own. Each one
// prints its results as "key=value" lines on stdout.

namespace bench {

double monotonicSeconds();
long peakRssKb();

// Subcommands; argv[0] is the subcommand's name.
int probeGenerateTree(int argc, char** argv); // ROOT FILES [MP3S]
int probeWritePlaylist(int argc, char** argv); // STEM LIBRARY_FILES KEEP_LINES
int probeWriteStress(int argc, char** argv); // DIR
int probeBareWalk(int argc, char** argv); // ROOT
int probeNaiveKeepTest(int argc, char** argv); // ROOT KEEP_TXT BUDGET_SECONDS
int probeBeginScan(int argc, char** argv); // M3U ROOT
int probeLoadPlaylist(int argc, char** argv); // M3U
int probeDeleteFiles(int argc, char** argv); // M3U ROOT
int probeUnlinkFloor(int argc, char** argv); // ROOT

} // namespace bench

#pragma once

#include <string_view>

// Appends `text` whole to `fd` (opened with O_APPEND), a file that other runs may append to at
// the same moment: under an exclusive flock, a short write continued, and a write that fails cut
// back to the length the file had before it, so that no half line stays and nothing of another
// run's goes. `ifEmpty` goes first when the file is empty. Returns 0 or the errno of what failed.
int appendLocked(int fd, std::string_view text, std::string_view ifEmpty = {});

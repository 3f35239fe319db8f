#pragma once

#include <optional>
#include <string>

// An error code beside the errno values: there is no home folder to hold what was asked (the home
// trash, the record).
constexpr int kNoHomeFolder = -5; // IFileDeleter's own answers are -1 to -4

// Where the user's own files go: each an absolute path without a trailing "/", or none. Nothing is
// ever made from an empty or relative home ("/.local/share/Trash" for a service without HOME).
struct UserDirs {
    std::optional<std::string> home;
    std::optional<std::string> data; // $XDG_DATA_HOME, or ~/.local/share
    std::optional<std::string> state; // $XDG_STATE_HOME, or ~/.local/state
    std::optional<std::string> config; // $XDG_CONFIG_HOME, or ~/.config
};

// What they are found from, each null where it is not set.
struct UserEnvironment {
    const char* home; // $HOME
    const char* dataHome;
    const char* stateHome;
    const char* configHome;
    const char* passwdHome; // the home in the user's password entry
};

// $HOME when it is absolute, else the password entry's home when that is; "/" is no home. An XDG
// variable counts only when it is absolute; otherwise its folder is the one below the home.
UserDirs userDirsFrom(const UserEnvironment& environment);

// From this process's environment and password entry.
UserDirs userDirs();

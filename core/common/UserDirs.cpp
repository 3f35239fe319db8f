#include "UserDirs.h"

#include <cstdlib>
#include <string_view>

#include <pwd.h>
#include <unistd.h>

namespace {

// An absolute path without its trailing "/"; none for a relative or empty one, or "/" alone.
std::optional<std::string> absolute(const char* path)
{
    if (path == nullptr || path[0] != '/') {
        return std::nullopt;
    }
    std::string_view trimmed(path);
    while (trimmed.ends_with('/')) {
        trimmed.remove_suffix(1);
    }
    return trimmed.empty() ? std::nullopt : std::optional<std::string>(trimmed);
}

std::optional<std::string> xdgDir(const char* variable, const std::optional<std::string>& home, const char* belowHome)
{
    if (std::optional<std::string> dir = absolute(variable)) {
        return dir;
    }
    return home ? std::optional<std::string>(*home + belowHome) : std::nullopt;
}

} // namespace

UserDirs userDirsFrom(const UserEnvironment& environment)
{
    UserDirs dirs;
    dirs.home = absolute(environment.home);
    if (!dirs.home) {
        dirs.home = absolute(environment.passwdHome);
    }
    dirs.data = xdgDir(environment.dataHome, dirs.home, "/.local/share");
    dirs.state = xdgDir(environment.stateHome, dirs.home, "/.local/state");
    dirs.config = xdgDir(environment.configHome, dirs.home, "/.config");
    return dirs;
}

UserDirs userDirs()
{
    const char* passwdHome = nullptr;
    const char* home = std::getenv("HOME");
    struct passwd entry { };
    struct passwd* found = nullptr;
    char buffer[4096];
    if (absolute(home) == std::nullopt && ::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0
        && found != nullptr) {
        passwdHome = found->pw_dir;
    }
    return userDirsFrom({home, std::getenv("XDG_DATA_HOME"), std::getenv("XDG_STATE_HOME"),
                         std::getenv("XDG_CONFIG_HOME"), passwdHome});
}

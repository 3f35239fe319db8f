#include "WindowSettings.h"

#include "FdCloser.h"
#include "UserDirs.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr int kLargestSide = 100000;
constexpr qint64 kLargestFile = 1 << 20; // ours is a few hundred bytes

enum class FileState { Missing, Ours, NotOurs };

// Lines as QSettings writes them: blank, a comment, a [section], a key=value.
bool isIniText(const QByteArray& text)
{
    if (text.contains('\0')) {
        return false;
    }
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(';') && !trimmed.startsWith('#')
            && !(trimmed.startsWith('[') && trimmed.endsWith(']')) && trimmed.indexOf('=') <= 0) {
            return false;
        }
    }
    return true;
}

// Whether the settings file may be read and written: only a regular file (a link only to one)
// that holds nothing but INI lines. A FIFO would block the window, a device or a folder would be
// replaced by the save, and a file we cannot parse is not ours to overwrite.
FileState settingsFileState(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st { };
    if (::lstat(name.constData(), &st) != 0) {
        return errno == ENOENT ? FileState::Missing : FileState::NotOurs;
    }
    if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileState::NotOurs;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return FileState::NotOurs;
    }
    const FdCloser closer(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestFile) {
        return FileState::NotOurs;
    }
    QByteArray text(static_cast<qsizetype>(st.st_size) + 1, Qt::Uninitialized);
    const ssize_t got = ::read(fd, text.data(), static_cast<std::size_t>(text.size()));
    if (got < 0 || got > st.st_size) {
        return FileState::NotOurs;
    }
    text.truncate(got);
    return isIniText(text) ? FileState::Ours : FileState::NotOurs;
}

QString folderValue(const QSettings& settings, const QString& key)
{
    const QString folder = settings.value(key).toString();
    return QDir::isAbsolutePath(folder) ? folder : QString();
}

// Only what save() writes; anything else ("banana", a number) is no answer.
bool boolValue(const QSettings& settings, const QString& key)
{
    return settings.value(key).toString() == u"true";
}

} // namespace

QString WindowSettings::filePath()
{
    const std::optional<std::string> config = userDirs().config;
    return config ? QFile::decodeName(QByteArray::fromStdString(*config)) + QStringLiteral("/tuneprune/tuneprune.conf")
                  : QString();
}

WindowSettings WindowSettings::load()
{
    const QString path = filePath();
    if (path.isEmpty() || settingsFileState(path) != FileState::Ours) {
        return {};
    }
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return {};
    }
    WindowSettings loaded;
    const QSize size = settings.value(QStringLiteral("window/size")).toSize();
    if (size.width() > 0 && size.height() > 0 && size.width() <= kLargestSide && size.height() <= kLargestSide) {
        loaded.size = size;
    }
    loaded.maximized = boolValue(settings, QStringLiteral("window/maximized"));
    loaded.playlistFolder = folderValue(settings, QStringLiteral("folders/playlist"));
    loaded.directoryFolder = folderValue(settings, QStringLiteral("folders/directory"));
    loaded.removeEmptyFolders = boolValue(settings, QStringLiteral("cleanup/removeEmptyFolders"));
    loaded.allAudio = boolValue(settings, QStringLiteral("scan/allAudio"));
    return loaded;
}

void WindowSettings::save() const
{
    const QString path = filePath();
    if (path.isEmpty() || settingsFileState(path) == FileState::NotOurs) {
        return;
    }
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return; // a file we cannot read is not ours to overwrite
    }
    if (size.isValid()) {
        settings.setValue(QStringLiteral("window/size"), size);
    }
    settings.setValue(QStringLiteral("window/maximized"), maximized);
    settings.setValue(QStringLiteral("folders/playlist"), playlistFolder);
    settings.setValue(QStringLiteral("folders/directory"), directoryFolder);
    settings.setValue(QStringLiteral("cleanup/removeEmptyFolders"), removeEmptyFolders);
    settings.setValue(QStringLiteral("scan/allAudio"), allAudio);
}

#include "WindowSettings.h"

#include <QDir>
#include <QSettings>

namespace {

constexpr int kLargestSide = 100000;

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
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/tuneprune/tuneprune.conf");
}

WindowSettings WindowSettings::load()
{
    const QSettings settings(filePath(), QSettings::IniFormat);
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
    QSettings settings(filePath(), QSettings::IniFormat);
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

#pragma once

#include <QByteArray>

// What the desktop does for a listed file. URLs are percent-encoded from the path's bytes
// ("file:///music/a%20b.mp3"), so names that are not UTF-8 reach the other program intact.
class IDesktop {
public:
    virtual ~IDesktop() = default;
    // Opens the file with the program the desktop has for it; false when none could be started.
    virtual bool openUrl(const QByteArray& url) = 0;
    // Shows the file manager with the file selected where the session offers that, else opens
    // its folder; false when neither could be started.
    virtual bool showItem(const QByteArray& url, const QByteArray& folderUrl) = 0;
};

class QtDesktop final : public IDesktop {
public:
    bool openUrl(const QByteArray& url) override;
    bool showItem(const QByteArray& url, const QByteArray& folderUrl) override;
};

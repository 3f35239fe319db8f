#include "Desktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QUrl>

bool QtDesktop::openUrl(const QByteArray& url)
{
    return QDesktopServices::openUrl(QUrl::fromEncoded(url, QUrl::StrictMode));
}

// The freedesktop.org file manager interface, which most file managers offer and start on
// demand; the folder itself where the session has none.
bool QtDesktop::showItem(const QByteArray& url, const QByteArray& folderUrl)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return openUrl(folderUrl);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList {QString::fromLatin1(url)} << QString();
    // Asked without waiting: a file manager that is slow to start must not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, folderUrl](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             openUrl(folderUrl);
                         }
                         done->deleteLater();
                     });
    return true;
}

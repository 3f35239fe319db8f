#pragma once

#include "Desktop.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PathPicker.h"
#include "PruneDlg.h"
#include "RealFiles.h"
#include "Resource.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A file: URL of a path's bytes, as a file manager puts it in a drop.
inline QByteArray urlOf(const std::string& path)
{
    return "file://" + QByteArray::fromStdString(path).toPercentEncoding("/");
}

// A box as the tests compare it.
inline QString boxText(const QString& text, const QString& caption, unsigned type)
{
    return QStringLiteral("%1 [%2]: %3").arg(caption).arg(type).arg(text);
}

// Calls `act` with the next modal window or popup menu once it shows, then closes it if `act` left
// it open: `act` only reads and clicks, and the test checks what it captured after the modal call
// returned, so a check that fails never leaves a box waiting for a human. After 10 s without one
// it gives up, and the test fails on what was not captured.
inline void onNextModal(QObject* context, std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act = std::move(act), tries = 0]() mutable {
        QWidget* modal = QApplication::activePopupWidget();
        modal = modal != nullptr ? modal : QApplication::activeModalWidget();
        if (modal == nullptr && ++tries < 1000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        const QPointer<QWidget> open = modal;
        if (open != nullptr) {
            act(open);
        }
        if (open != nullptr && open->isVisible()) {
            open->close();
        }
    });
    poll->start(10);
}

// The window's dialogs, answered by the test so that every handler runs offscreen and no test
// ever waits for a human; records what they were shown.
class ScriptedDialogs final : public IMessageBox, public IFileDialog, public IPathPicker {
public:
    int show(QWidget*, const QString& text, const QString& caption, unsigned type) override
    {
        boxes << boxText(text, caption, type);
        return nextAnswer();
    }
    int ask(QWidget*, const QString& text, const QString& caption, const QString& acceptText) override
    {
        boxes << boxText(text, caption, MB_OKCANCEL | MB_ICONEXCLAMATION) + " [" + acceptText + " | Cancel]";
        return nextAnswer();
    }
    std::vector<std::string> getOpenFileNames(QWidget*, const QString& filter, QString& folder) override
    {
        if (std::optional<std::string> one = getSaveFileName(nullptr, filter, folder); one && paths.empty()) {
            paths = {*one};
        }
        return std::exchange(paths, {});
    }
    std::optional<std::string> getSaveFileName(QWidget*, const QString& filter, QString& folder) override
    {
        asked << filter;
        startFolders << std::exchange(folder, nextFolder);
        return std::exchange(path, std::nullopt);
    }
    std::optional<std::string> ShowDialog(QWidget* owner, const QString& title, const QString& prompt,
                                          QString& folder) override
    {
        pickerOwner = owner;
        return getSaveFileName(owner, title + ": " + prompt, folder);
    }

    int nextAnswer()
    {
        const int next = answers.empty() ? answer : answers.front();
        answers.erase(answers.begin(), answers.begin() + (answers.empty() ? 0 : 1));
        return next;
    }

    QStringList boxes;
    int answer = IDOK; // to every box that `answers` does not answer
    std::vector<int> answers; // to the next boxes, in turn
    QStringList asked; // by the file dialog and the picker
    std::optional<std::string> path; // the answer to the next of them; none is a cancel
    std::vector<std::string> paths; // several files, the file dialog's next answer before `path`
    QWidget* pickerOwner = nullptr;
    QStringList startFolders; // where each dialog was told to start
    QString nextFolder; // where each dialog leaves the user
};

// The desktop's programs, as the tests see them: each call recorded, none started.
class ScriptedDesktop final : public IDesktop {
public:
    bool openUrl(const QByteArray& url) override
    {
        calls << "open " + url;
        return answer;
    }
    bool showItem(const QByteArray& url, const QByteArray& folderUrl) override
    {
        calls << "show " + url + " in " + folderUrl;
        return answer;
    }

    QByteArrayList calls;
    bool answer = true;
};

// Drives the real main window through its controls, answering its dialogs from a script.
// With `realFiles`, the window lists and deletes through the plain POSIX services, as the
// program does, without the scripted ones' bookkeeping (for the benchmark).
class DialogDriver {
public:
    explicit DialogDriver(bool realFiles = false, WindowSettings settings = {})
        : m_dlg(std::make_unique<CPruneDlg>(
            Services {dialogs, dialogs, dialogs, realFiles ? m_realLister : static_cast<IDirLister&>(dirLister),
                      realFiles ? m_realDeleter : static_cast<IFileDeleter&>(fileDeleter), desktop},
            nullptr, kMainTemplate, std::move(settings)))
    {
    }

    CPruneDlg& dlg() { return *m_dlg; }
    QWidget* item(int id) const { return m_dlg->GetDlgItem(id); }
    bool enabled(int id) const { return item(id)->isEnabled(); }
    bool shown(int id) const { return item(id)->isVisibleTo(m_dlg.get()); }
    QString text(int id) const { return qobject_cast<QLabel*>(item(id))->text(); }
    // The state of every control at once, in template order: "disabled: FILE_LIST ...; hidden: STATUS ...".
    QString off() const
    {
        QString disabled = "disabled:", hidden = "; hidden:";
        for (const ControlTemplate& control : kMainTemplate.controls) {
            const QString name = ' ' + QString::fromLatin1(control.name).remove(QStringLiteral("IDC_"));
            disabled += enabled(control.id) ? QString() : name;
            hidden += shown(control.id) ? QString() : name;
        }
        return disabled + hidden;
    }

    void click(int id) { QTest::mouseClick(item(id), Qt::LeftButton); }
    // Clicks, then waits until the command's work on the worker has ended.
    void clickAndWait(int id, void (CPruneDlg::*ended)())
    {
        QSignalSpy spy(m_dlg.get(), ended);
        click(id);
        if (spy.isEmpty() && !spy.wait(20000)) {
            QFAIL("the command did not end");
        }
    }
    void openPlaylist(const std::optional<std::string>& path)
    {
        dialogs.path = path;
        clickAndWait(IDC_OPEN_M3U, &CPruneDlg::openFinished);
    }
    void openPlaylists(std::vector<std::string> chosen)
    {
        dialogs.paths = std::move(chosen);
        clickAndWait(IDC_OPEN_M3U, &CPruneDlg::openFinished);
    }
    void selectDirectory(const std::optional<std::string>& path)
    {
        dialogs.path = path;
        click(IDC_SELECT_DIR);
    }
    void scan() { clickAndWait(IDC_BEGIN_SCAN, &CPruneDlg::scanFinished); }
    void removeFiles() { clickAndWait(IDC_DELETE_FILES, &CPruneDlg::removalFinished); }

    std::vector<std::string> rows() const
    {
        std::vector<std::string> result;
        for (int row = 0; row < m_dlg->fileModel().rowCount(); ++row) {
            result.push_back(m_dlg->fileModel().path(row));
        }
        return result;
    }
    QAbstractItemView* list() const { return qobject_cast<QAbstractItemView*>(item(IDC_FILE_LIST)); }
    // A click on the row, as a user toggles it.
    void toggleRow(int row)
    {
        const QModelIndex index = list()->model()->index(row, 0);
        list()->scrollTo(index);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualRect(index).center());
    }
    std::vector<int> selectedRows() const
    {
        std::vector<int> result;
        for (const QModelIndex& index : list()->selectionModel()->selectedIndexes()) {
            result.push_back(index.row());
        }
        std::sort(result.begin(), result.end());
        return result;
    }

    // Drops `uriList` on the window as a file manager would; whether the window took it.
    bool drop(const QByteArray& uriList)
    {
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), uriList);
        const QPoint at = m_dlg->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_dlg.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_dlg.get(), &dropped);
        return dropped.isAccepted();
    }

    // The boxes shown so far, taken out of the record.
    QStringList takeBoxes() { return std::exchange(dialogs.boxes, {}); }

    ScriptedDialogs dialogs;
    ScriptedDirLister dirLister;
    ScriptedFileDeleter fileDeleter;
    ScriptedDesktop desktop;

private:
    PosixDirLister m_realLister;
    PosixFileDeleter m_realDeleter;
    std::unique_ptr<CPruneDlg> m_dlg;
};

// The shown window over a real tree: the music below <tree>/music/, the playlist <tree>/list.m3u.
struct MusicWindow {
    TempTree tree;
    DialogDriver d; // after the tree: it, and its workers, end first

    MusicWindow() { d.dlg().show(); }
    std::string base() const { return tree.path("music/"); }
    // Makes `files` of 100 bytes each, loads `playlist`, picks the music folder and, if `run`, scans.
    void scan(const std::vector<std::string>& files, const std::string& playlist = "no-such-song.mp3\n",
              bool run = true)
    {
        for (const std::string& file : files) {
            tree.wfile("music/" + file, std::string(100, 'x'));
        }
        tree.wfile("list.m3u", playlist);
        d.openPlaylist(tree.path("list.m3u"));
        d.selectDirectory(base());
        if (run) {
            d.scan();
        }
    }
};

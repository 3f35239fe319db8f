#pragma once

#include "PruneDlg.h"
#include "Resource.h"
#include "Scripted.h"
#include "TempTree.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// Drives the real main window through its controls, answering its dialogs from a script.
// With `realFiles`, the window lists and deletes through the plain POSIX services, as the
// program does, without the scripted ones' bookkeeping (for the benchmark).
class DialogDriver {
public:
    explicit DialogDriver(bool realFiles = false)
        : m_dlg(std::make_unique<CPruneDlg>(realFiles ? Services {scripted.messageBox, scripted.fileDialog,
                                                                  scripted.pathPicker, m_realLister, m_realDeleter}
                                                      : scripted.services()))
    {
    }

    CPruneDlg& dlg() { return *m_dlg; }
    QWidget* item(int id) const { return m_dlg->GetDlgItem(id); }
    bool enabled(int id) const { return item(id)->isEnabled(); }
    bool shown(int id) const { return item(id)->isVisibleTo(m_dlg.get()); }
    QString text(int id) const { return qobject_cast<QLabel*>(item(id))->text(); }

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
        scripted.fileDialog.answers.push_back(path);
        clickAndWait(IDC_OPEN_M3U, &CPruneDlg::openFinished);
    }
    void selectDirectory(const std::optional<std::string>& path)
    {
        scripted.pathPicker.answers.push_back(path);
        click(IDC_SELECT_DIR);
    }
    void scan() { clickAndWait(IDC_BEGIN_SCAN, &CPruneDlg::scanFinished); }
    void deleteFiles() { clickAndWait(IDC_DELETE_FILES, &CPruneDlg::deleteFinished); }

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

    // The boxes shown so far, taken out of the record.
    std::vector<ScriptedMessageBox::Box> takeBoxes()
    {
        std::vector<ScriptedMessageBox::Box> boxes;
        boxes.swap(scripted.messageBox.boxes);
        return boxes;
    }

    ScriptedServices scripted;

private:
    PosixDirLister m_realLister;
    PosixFileDeleter m_realDeleter;
    std::unique_ptr<CPruneDlg> m_dlg;
};

// Checks one recorded box.
#define QCOMPARE_BOX(box, textValue, captionValue, typeValue)                                                          \
    do {                                                                                                               \
        QCOMPARE((box).text, QString(textValue));                                                                      \
        QCOMPARE((box).caption, QStringLiteral(captionValue));                                                         \
        QCOMPARE((box).type, unsigned(typeValue));                                                                     \
    } while (false)

// The shown window over a real tree: the music below <tree>/music/, the playlist <tree>/list.m3u.
struct MusicWindow {
    TempTree tree;
    DialogDriver d; // after the tree: it, and its workers, end first

    MusicWindow() { d.dlg().show(); }
    std::string base() const { return tree.path("music/"); }
    // Makes `files` (of `size` bytes each), loads `playlist`, picks the music folder.
    void prepare(const std::vector<std::string>& files, const std::string& playlist, std::size_t size = 0)
    {
        tree.mkdirp("music");
        for (const std::string& file : files) {
            tree.wfile("music/" + file, std::string(size, 'x'));
        }
        tree.wfile("list.m3u", playlist);
        d.openPlaylist(tree.path("list.m3u"));
        d.selectDirectory(base());
    }
    void scan(const std::vector<std::string>& files, const std::string& playlist = "no-such-song.mp3\n")
    {
        prepare(files, playlist);
        d.scan();
    }
};

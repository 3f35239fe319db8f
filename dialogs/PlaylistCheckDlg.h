#pragma once

#include "PlaylistCheck.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QTreeWidget;

// The details of how a scan understood the playlist: the lines kept by their trailing path with
// the file each keeps, the lines that name no mp3 file here, and the folders that could not be read. Not modal: the
// user can look at it while choosing what to delete.
class CPlaylistCheckDlg : public QDialog {
    Q_OBJECT

public:
    // Which playlist each line came from.
    struct Sources {
        const std::vector<std::string>& paths;
        const std::vector<std::uint32_t>& ofLine; // by line, an index into paths
    };

    // `lines`: the keep-list's lines, newest first, as the check's indices count them. A column
    // names each line's playlist when there are several.
    CPlaylistCheckDlg(const PlaylistCheck& check, const std::vector<std::string>& lines, Sources sources,
                      QWidget* pParent);

    QTreeWidget* tree() const { return m_pTree; }

private:
    void SetUpTree(bool several);
    void AddLineSections(const PlaylistCheck& check, const std::vector<std::string>& lines, Sources sources);
    void AddFolderSections(const PlaylistCheck& check);
    void LayOut(QLabel* summary, const PlaylistCheck& check);

    QTreeWidget* m_pTree;
};

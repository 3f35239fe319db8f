#include "PlaylistCheckDlg.h"

#include "ComparisonForm.h"
#include "Texts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidgetItem* addSection(QTreeWidget& tree, const QString& title, std::size_t count)
{
    auto* section = new QTreeWidgetItem(&tree, {QStringLiteral("%1 (%2)").arg(title, groupedNumber(count))});
    section->setFirstColumnSpanned(true);
    section->setExpanded(true);
    return section;
}

// The last segment of a path, as shown.
QString fileNameText(const std::string& path)
{
    return displayText(path.substr(path.rfind('/') + 1));
}

// What a line found elsewhere keeps: its one file, or how many files of that name.
QString keepsText(const PlaylistCheck::Elsewhere& found)
{
    return found.files == 1
        ? displayText(found.firstPath)
        : QStringLiteral("%1 files named %2").arg(groupedNumber(found.files), fileNameText(found.firstPath));
}

} // namespace

CPlaylistCheckDlg::CPlaylistCheckDlg(const PlaylistCheck& check, const std::vector<std::string>& lines, Sources sources,
                                     QWidget* pParent)
    : QDialog(pParent)
    , m_pTree(new QTreeWidget(this))
{
    setWindowTitle(QStringLiteral("Playlist Check"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (pParent != nullptr) {
        setWindowIcon(pParent->windowIcon());
    }
    auto* summary = new QLabel(playlistCheckText(check), this);
    summary->setTextFormat(Qt::PlainText);

    const bool several = sources.paths.size() > 1;
    SetUpTree(several);
    AddLineSections(check, lines, sources);
    AddFolderSections(check);
    m_pTree->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_pTree->header()->resizeSection(0, several ? 330 : 380);
    if (several) {
        m_pTree->header()->resizeSection(1, 260);
    }
    LayOut(summary, check);
    resize(760, 420);
}

// A column names each line's playlist when there are several.
void CPlaylistCheckDlg::SetUpTree(bool several)
{
    m_pTree->setColumnCount(several ? 3 : 2);
    QStringList headers {QStringLiteral("Playlist line"), QStringLiteral("Keeps here")};
    if (several) {
        headers << QStringLiteral("Playlist");
    }
    m_pTree->setHeaderLabels(headers);
    m_pTree->setUniformRowHeights(true);
    m_pTree->setTextElideMode(Qt::ElideMiddle);
    m_pTree->setRootIsDecorated(false);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

// The lines found elsewhere and those not found. Sections list the lines in the playlist's order;
// the check counts them newest first.
void CPlaylistCheckDlg::AddLineSections(const PlaylistCheck& check, const std::vector<std::string>& lines,
                                        Sources sources)
{
    const bool several = sources.paths.size() > 1;
    // The line's text and what it keeps, and with several playlists the name of the line's own.
    const auto lineItem = [&](QTreeWidgetItem* section, std::uint32_t line, const QString& keeps) {
        auto* item = new QTreeWidgetItem(section, {displayText(lines[line]), keeps});
        if (several) {
            const std::string& path = sources.paths[sources.ofLine[line]];
            item->setText(2, fileNameText(path));
            item->setToolTip(2, displayText(path));
        }
    };
    if (!check.elsewhere.empty()) {
        QTreeWidgetItem* section = addSection(*m_pTree, QStringLiteral("Found elsewhere"), check.elsewhere.size());
        for (auto it = check.elsewhere.rbegin(); it != check.elsewhere.rend(); ++it) {
            lineItem(section, it->line, keepsText(*it));
        }
    }
    if (!check.notFound.empty()) {
        QTreeWidgetItem* section = addSection(*m_pTree, QStringLiteral("Not found"), check.notFound.size());
        for (auto it = check.notFound.rbegin(); it != check.notFound.rend(); ++it) {
            lineItem(section, it->line, missReasonText(it->reason, check.types));
        }
    }
}

// The folders and the cue sheets that could not be read.
void CPlaylistCheckDlg::AddFolderSections(const PlaylistCheck& check)
{
    if (!check.unreadable.empty()) {
        QTreeWidgetItem* section
            = addSection(*m_pTree, QStringLiteral("Folders that could not be read"), check.unreadable.size());
        for (const PlaylistCheck::Unreadable& folder : check.unreadable) {
            new QTreeWidgetItem(section, {displayText(folder.path), qt_error_string(folder.error)});
        }
    }
    if (!check.unreadableCueSheets.empty()) {
        QTreeWidgetItem* section
            = addSection(*m_pTree, QStringLiteral("Cue sheets that could not be read: every file beside each is kept"),
                         check.unreadableCueSheets.size());
        for (const PlaylistCheck::Unreadable& sheet : check.unreadableCueSheets) {
            new QTreeWidgetItem(section, {displayText(sheet.path), cueSheetProblemText(sheet)});
        }
    }
}

// The summary, the note on a remote file system, the tree and the Close button, top to bottom.
void CPlaylistCheckDlg::LayOut(QLabel* summary, const PlaylistCheck& check)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    if (!check.remoteFileSystem.empty()) {
        auto* remote = new QLabel(remoteFileSystemText(check.remoteFileSystem), this);
        remote->setObjectName(QStringLiteral("remoteFileSystem"));
        remote->setTextFormat(Qt::PlainText);
        remote->setWordWrap(true);
        layout->addWidget(remote);
    }
    layout->addWidget(m_pTree);
    layout->addWidget(buttons);
}

#include "PlaylistCheckDlg.h"

#include "ComparisonForm.h"

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
    m_pTree->setColumnCount(several ? 3 : 2);
    QStringList headers {QStringLiteral("Playlist line"), QStringLiteral("Keeps here")};
    if (several) {
        headers << QStringLiteral("Playlist");
    }
    m_pTree->setHeaderLabels(headers);
    // The line's text and what it keeps, and with several playlists the name of the line's own.
    const auto lineItem = [&](QTreeWidgetItem* section, std::uint32_t line, const QString& keeps) {
        auto* item = new QTreeWidgetItem(section, {displayText(lines[line]), keeps});
        if (several) {
            const std::string& path = sources.paths[sources.ofLine[line]];
            item->setText(2, displayText(path.substr(path.rfind('/') + 1)));
            item->setToolTip(2, displayText(path));
        }
    };
    m_pTree->setUniformRowHeights(true);
    m_pTree->setTextElideMode(Qt::ElideMiddle);
    m_pTree->setRootIsDecorated(false);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Sections list the lines in the playlist's order; the check counts them newest first.
    if (!check.elsewhere.empty()) {
        QTreeWidgetItem* section = addSection(*m_pTree, QStringLiteral("Found elsewhere"), check.elsewhere.size());
        for (auto it = check.elsewhere.rbegin(); it != check.elsewhere.rend(); ++it) {
            const QString keeps = it->files == 1
                ? displayText(it->firstPath)
                : QStringLiteral("%1 files named %2")
                      .arg(groupedNumber(it->files), displayText(it->firstPath.substr(it->firstPath.rfind('/') + 1)));
            lineItem(section, it->line, keeps);
        }
    }
    if (!check.notFound.empty()) {
        QTreeWidgetItem* section = addSection(*m_pTree, QStringLiteral("Not found"), check.notFound.size());
        for (auto it = check.notFound.rbegin(); it != check.notFound.rend(); ++it) {
            lineItem(section, it->line, missReasonText(it->reason, check.types));
        }
    }
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
    m_pTree->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_pTree->header()->resizeSection(0, several ? 330 : 380);
    if (several) {
        m_pTree->header()->resizeSection(1, 260);
    }

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
    resize(760, 420);
}

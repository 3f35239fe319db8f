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

CPlaylistCheckDlg::CPlaylistCheckDlg(const PlaylistCheck& check, const std::vector<std::string>& lines,
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

    m_pTree->setColumnCount(2);
    m_pTree->setHeaderLabels({QStringLiteral("Playlist line"), QStringLiteral("Keeps here")});
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
            new QTreeWidgetItem(section, {displayText(lines[it->line]), keeps});
        }
    }
    if (!check.notFound.empty()) {
        QTreeWidgetItem* section = addSection(*m_pTree, QStringLiteral("Not found"), check.notFound.size());
        for (auto it = check.notFound.rbegin(); it != check.notFound.rend(); ++it) {
            new QTreeWidgetItem(section, {displayText(lines[it->line]), missReasonText(it->reason)});
        }
    }
    if (!check.unreadable.empty()) {
        QTreeWidgetItem* section
            = addSection(*m_pTree, QStringLiteral("Folders that could not be read"), check.unreadable.size());
        for (const PlaylistCheck::Unreadable& folder : check.unreadable) {
            new QTreeWidgetItem(section, {displayText(folder.path), qt_error_string(folder.error)});
        }
    }
    m_pTree->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_pTree->header()->resizeSection(0, 380);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(m_pTree);
    layout->addWidget(buttons);
    resize(760, 420);
}

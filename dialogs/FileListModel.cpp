#include "FileListModel.h"

#include "ComparisonForm.h"

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows->size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return displayText(path(index.row()));
    }
    return {};
}

void FileListModel::setRows(std::shared_ptr<const Mp3Collection> found, std::vector<EntryIndex> entries)
{
    beginResetModel();
    m_found = std::move(found);
    m_rows = std::make_shared<const std::vector<EntryIndex>>(std::move(entries));
    m_stamps = {};
    m_nListedBytes = 0;
    endResetModel();
}

std::string FileListModel::path(int row) const
{
    return m_found->path(m_found->entries[entry(row)]);
}

void FileListModel::removeFlagged(const std::vector<std::uint8_t>& remove)
{
    std::vector<EntryIndex> kept;
    kept.reserve(m_rows->size());
    for (std::size_t i = 0; i < m_rows->size(); ++i) {
        if (i >= remove.size() || remove[i] == 0) {
            kept.push_back((*m_rows)[i]);
        }
    }
    beginResetModel();
    m_rows = std::make_shared<const std::vector<EntryIndex>>(std::move(kept));
    m_nListedBytes = m_stamps.totalSize(*m_rows);
    endResetModel();
}

void FileListModel::setStamps(EntryStamps stamps)
{
    m_stamps = std::move(stamps);
    m_nListedBytes = m_stamps.totalSize(*m_rows);
}

std::optional<std::uint64_t> FileListModel::bytesOf(const std::vector<int>& rows) const
{
    if (!sized()) {
        return std::nullopt;
    }
    std::vector<EntryIndex> entries;
    entries.reserve(rows.size());
    for (const int row : rows) {
        entries.push_back(entry(row));
    }
    return m_stamps.totalSize(entries);
}

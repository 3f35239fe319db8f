#include "FileListModel.h"

#include "ComparisonForm.h"

void FileListModel::Rows::append(std::string_view dirPath, std::string_view name)
{
    m_rows.push_back({m_pool.size(), static_cast<std::uint32_t>(dirPath.size() + name.size())});
    m_pool.append(dirPath);
    m_pool.append(name);
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_data.m_rows.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return displayText(pathBytes(index.row()));
    }
    return {};
}

void FileListModel::setRows(Rows rows)
{
    beginResetModel();
    m_data = std::move(rows);
    endResetModel();
}

std::string_view FileListModel::pathBytes(int row) const
{
    const Rows::Row& r = m_data.m_rows[static_cast<std::size_t>(row)];
    return std::string_view(m_data.m_pool).substr(r.offset, r.length);
}

void FileListModel::removeFlagged(const std::vector<bool>& remove)
{
    beginResetModel();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_data.m_rows.size(); ++i) {
        if (i >= remove.size() || !remove[i]) {
            m_data.m_rows[kept++] = m_data.m_rows[i];
        }
    }
    m_data.m_rows.resize(kept);
    endResetModel();
}

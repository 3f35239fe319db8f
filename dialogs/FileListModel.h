#pragma once

#include <QAbstractListModel>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The rows of the file list: each row keeps a path's original bytes, and shows its display text.
// Rows are packed into one byte pool, so a million rows cost little more than their paths.
class FileListModel final : public QAbstractListModel {
public:
    // Rows collected before they go into the model, so the list fills in one reset.
    class Rows {
    public:
        void append(std::string_view dirPath, std::string_view name);
        std::size_t size() const { return m_rows.size(); }

    private:
        friend class FileListModel;
        struct Row {
            std::uint64_t offset;
            std::uint32_t length;
        };
        std::string m_pool;
        std::vector<Row> m_rows;
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setRows(Rows rows);
    void clear() { setRows({}); }

    std::string_view pathBytes(int row) const;
    std::string path(int row) const { return std::string(pathBytes(row)); }

    // Takes out the rows whose `remove` flag is set, in one reset.
    void removeFlagged(const std::vector<bool>& remove);

private:
    Rows m_data;
};

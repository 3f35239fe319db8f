#pragma once

#include "Mp3Collection.h"

#include <QAbstractListModel>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The rows of the file list: each row is an mp3 entry of the scan's collection, whose path keeps
// its original bytes and shows its display text. The rows share the collection's storage.
class FileListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setRows(std::shared_ptr<const Mp3Collection> found, std::vector<EntryIndex> entries);
    void clear() { setRows(nullptr, {}); }

    const std::shared_ptr<const Mp3Collection>& collection() const { return m_found; }
    EntryIndex entry(int row) const { return (*m_rows)[static_cast<std::size_t>(row)]; }
    // The entry of each row. A job may hold on to them: taking rows out makes new ones.
    const std::shared_ptr<const std::vector<EntryIndex>>& entries() const { return m_rows; }
    std::string path(int row) const;

    // Takes out the rows whose `remove` flag is set, in one reset.
    void removeFlagged(const std::vector<std::uint8_t>& remove);

private:
    std::shared_ptr<const Mp3Collection> m_found;
    std::shared_ptr<const std::vector<EntryIndex>> m_rows = std::make_shared<const std::vector<EntryIndex>>();
};

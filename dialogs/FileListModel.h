#pragma once

#include "EntryStamps.h"
#include "Mp3Collection.h"

#include <QAbstractListModel>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The rows of the file list: each row is an mp3 entry of the scan's collection, whose path keeps
// its original bytes and shows its display text. The rows share the collection's storage. Once
// the records of the rows are taken, the model also knows their sizes.
class FileListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // New rows, whose sizes are not known yet.
    void setRows(std::shared_ptr<const Mp3Collection> found, std::vector<EntryIndex> entries);
    void clear() { setRows(nullptr, {}); }

    const std::shared_ptr<const Mp3Collection>& collection() const { return m_found; }
    EntryIndex entry(int row) const { return (*m_rows)[static_cast<std::size_t>(row)]; }
    // The entry of each row. A job may hold on to them: taking rows out makes new ones.
    const std::shared_ptr<const std::vector<EntryIndex>>& entries() const { return m_rows; }
    std::string path(int row) const;

    // Takes out the rows whose `remove` flag is set, in one reset.
    void removeFlagged(const std::vector<std::uint8_t>& remove);

    // The records of the rows' entries, taken after the scan; empty until known.
    void setStamps(EntryStamps stamps);
    const EntryStamps& stamps() const { return m_stamps; }
    bool sized() const { return !m_stamps.empty(); }
    // The bytes of every row, once sized.
    std::uint64_t listedBytes() const { return m_nListedBytes; }
    // The bytes of `rows` together; none while the sizes are not known.
    std::optional<std::uint64_t> bytesOf(const std::vector<int>& rows) const;

private:
    std::shared_ptr<const Mp3Collection> m_found;
    std::shared_ptr<const std::vector<EntryIndex>> m_rows = std::make_shared<const std::vector<EntryIndex>>();
    EntryStamps m_stamps;
    std::uint64_t m_nListedBytes = 0; // of every row, once sized
};

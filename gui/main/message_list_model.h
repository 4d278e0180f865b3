// The message list's model: a view over the line store, appended in batches. Beyond
// the store's bound the oldest lines go in whole blocks after each append, and the
// first row then says how many went.
#pragma once

#include <QAbstractListModel>
#include <span>
#include <string>
#include <vector>

#include "core/util/line_store.h"
#include "core/util/mailbox.h"

class MessageListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void AppendLines(const std::vector<std::string>& lines);
    // The texts of letters posted for the message list.
    void AppendLines(std::span<const Letter> letters);
    void ClearLines();
    const LineStore& store() const { return store_; }
    // Empties the list and bounds it to `max_lines`, dropped in chunks of `chunk_bytes`.
    void SetLimits(std::size_t max_lines, std::size_t chunk_bytes = LineStore::kDefaultChunkBytes);

private:
    // Drops the oldest blocks past the bound, telling the views which rows went.
    void DropOldest();

    LineStore store_;
};

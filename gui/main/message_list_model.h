// The message list's model: a view over the line store, appended in batches.
#pragma once

#include <QAbstractListModel>
#include <span>
#include <string>
#include <vector>

#include "core/terminal/line_store.h"
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

private:
    LineStore store_;
};

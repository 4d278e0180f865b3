// The message list's model: a view over the line store, appended in batches.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

#include "core/terminal/line_store.h"

class MessageListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void AppendLines(const std::vector<std::string>& lines);
    void ClearLines();
    const LineStore& store() const { return store_; }

private:
    LineStore store_;
};

#include "gui/main/line_store_model.h"

#include <algorithm>

#include "core/util/line_store.h"

LineStoreModel::LineStoreModel(const LineStore& store, QObject* parent)
    : QAbstractListModel(parent), store_(store), rows_(static_cast<int>(store.size())) {}

int LineStoreModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant LineStoreModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const std::string_view line = store_.line(static_cast<std::size_t>(index.row()));
    // Lines are 8-bit text; Latin-1 shows every byte as one character.
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

void LineStoreModel::Follow(std::size_t dropped, std::size_t appended) {
    // More lines than the store keeps came in one batch: say it anew.
    if (dropped >= static_cast<std::size_t>(rows_) || appended > store_.size()) {
        Reset();
        return;
    }
    if (dropped > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(dropped) - 1);
        rows_ -= static_cast<int>(dropped);
        endRemoveRows();
    }
    if (appended > 0) {
        beginInsertRows(QModelIndex(), rows_, rows_ + static_cast<int>(appended) - 1);
        rows_ += static_cast<int>(appended);
        endInsertRows();
    }
}

void LineStoreModel::Reset() {
    beginResetModel();
    rows_ = static_cast<int>(store_.size());
    endResetModel();
}

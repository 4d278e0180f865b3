#include "gui/main/message_list_model.h"

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(store_.size());
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    std::string_view line = store_.line(static_cast<std::size_t>(index.row()));
    // Lines are 8-bit text; Latin-1 shows every byte as one character.
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

void MessageListModel::AppendLines(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    int first = static_cast<int>(store_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
    for (const std::string& line : lines) store_.append(line);
    endInsertRows();
    DropOldest();
}

void MessageListModel::AppendLines(std::span<const Letter> letters) {
    if (letters.empty()) return;
    int first = static_cast<int>(store_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(letters.size()) - 1);
    for (const Letter& letter : letters) store_.append(letter.text);
    endInsertRows();
    DropOldest();
}

void MessageListModel::DropOldest() {
    const auto lines = static_cast<int>(store_.LinesToDrop());
    if (lines == 0) return;
    // Row 0 is the notice once there is one: the dropped lines are the rows after it.
    const int first = store_.dropped() > 0 ? 1 : 0;
    beginRemoveRows(QModelIndex(), first, first + lines - 1);
    store_.DropOldestLines();
    endRemoveRows();
    if (first == 0) {
        beginInsertRows(QModelIndex(), 0, 0);
        store_.UpdateNotice();
        endInsertRows();
    } else {
        store_.UpdateNotice();
        emit dataChanged(index(0), index(0));
    }
}

void MessageListModel::SetLimits(std::size_t max_lines, std::size_t chunk_bytes) {
    beginResetModel();
    store_ = LineStore(max_lines, chunk_bytes);
    endResetModel();
}

void MessageListModel::ClearLines() {
    beginResetModel();
    store_.clear();
    endResetModel();
}

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
}

void MessageListModel::AppendLines(std::span<const Letter> letters) {
    if (letters.empty()) return;
    int first = static_cast<int>(store_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(letters.size()) - 1);
    for (const Letter& letter : letters) store_.append(letter.text);
    endInsertRows();
}

void MessageListModel::ClearLines() {
    beginResetModel();
    store_.clear();
    endResetModel();
}

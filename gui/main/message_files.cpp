#include "gui/main/message_files.h"

#include <QAction>
#include <QFile>
#include <QWidget>

#include "gui/main/dialog_seam.h"
#include "core/files/file_choice.h"
#include "core/terminal/message_list_file.h"
#include "core/terminal/terminal_texts.h"

namespace {
QString fileText(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}
} // namespace

MessageFiles::MessageFiles(QWidget* window, QAction* load, QAction* save, const LineStore& lines, LoadLines load_lines)
    : QObject(window), window_(window), lines_(lines), load_lines_(std::move(load_lines)) {
    setObjectName(QStringLiteral("MessageFiles"));
    directory_ = QFile::encodeName(DefaultFileFolder()).toStdString();
    path_ = directory_ + name_ + ".txt";
    connect(load, &QAction::triggered, this, &MessageFiles::MessageLoadClick);
    connect(save, &QAction::triggered, this, &MessageFiles::MessageSaveClick);
}

void MessageFiles::SetDirectory(const std::string& folder) {
    if (folder.empty()) return;
    directory_ = folder;
    path_ = directory_ + name_ + ".txt";
}

bool MessageFiles::Choose(bool save) {
    const QString folder = fileText(directory_);
    const QString name = fileText(name_);
    const QString chosen_path =
        save ? dialogs().SaveFileName(window_, folder, name, QStringLiteral("Text Files|*.txt|All files|*.*"))
             : dialogs().OpenFileName(window_, folder, name, QStringLiteral("Text Files|*.txt|All Files|*.*"));
    if (chosen_path.isEmpty()) return false;
    const ChosenFile chosen = split_chosen_file(QFile::encodeName(chosen_path).toStdString());
    directory_ = chosen.directory;
    name_ = chosen.name;
    path_ = directory_ + name_ + ".txt";
    if (name_.empty()) {
        dialogs().message(window_, QString::fromLatin1(kFileNameEmpty));
        return false;
    }
    return true;
}

void MessageFiles::MessageLoadClick() {
    if (Choose(false)) LoadMessageList(path_);
}

void MessageFiles::MessageSaveClick() {
    if (Choose(true)) SaveMessageList(path_);
}

void MessageFiles::LoadMessageList(const std::string& path) {
    std::vector<std::string> lines;
    std::string reason;
    if (!load_message_file(path, lines, reason)) {
        dialogs().message(window_, QStringLiteral("Load Message File Fault! %1 (%2)").arg(fileText(path), fileText(reason)));
        return;
    }
    load_lines_(lines);
}

void MessageFiles::SaveMessageList(const std::string& path) {
    std::string reason;
    if (!save_message_file(lines_, path, reason))
        dialogs().message(window_, QStringLiteral("Save Message File Fault! %1 (%2)").arg(fileText(path), fileText(reason)));
}

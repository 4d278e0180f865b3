#include "gui/main/message_files.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>

#include "gui/main/dialog_seam.h"
#include "core/files/file_choice.h"
#include "gui/main/main_window.h"
#include "core/files/message_list_file.h"
#include "gui/main/message_list_model.h"
#include "core/terminal/terminal_texts.h"

namespace {
QString fileText(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}
} // namespace

MessageFiles::MessageFiles(TForm_ZQ70_Main* main) : QObject(main), main_(main) {
    setObjectName(QStringLiteral("MessageFiles"));
    directory_ = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
    path_ = directory_ + name_ + ".txt";
    connect(main_->findChild<QAction*>(QStringLiteral("MessageLoad")), &QAction::triggered, this,
            &MessageFiles::MessageLoadClick);
    connect(main_->findChild<QAction*>(QStringLiteral("MessageSave")), &QAction::triggered, this,
            &MessageFiles::MessageSaveClick);
}

bool MessageFiles::Choose(bool save) {
    const QString folder = fileText(directory_);
    const QString name = fileText(name_);
    const QString chosen_path =
        save ? dialogs().saveFileName(main_, folder, name, QStringLiteral("Text Files|*.txt|All files|*.*"))
             : dialogs().openFileName(main_, folder, name, QStringLiteral("Text Files|*.txt|All Files|*.*"));
    if (chosen_path.isEmpty()) return false;
    const ChosenFile chosen = split_chosen_file(QFile::encodeName(chosen_path).toStdString());
    directory_ = chosen.directory;
    name_ = chosen.name;
    path_ = directory_ + name_ + ".txt";
    if (name_.empty()) {
        dialogs().message(main_, QString::fromLatin1(kFileNameEmpty));
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
        dialogs().message(main_, QStringLiteral("Load Message File Fault! %1 (%2)").arg(fileText(path), fileText(reason)));
        return;
    }
    main_->LoadMessageLines(lines);
}

void MessageFiles::SaveMessageList(const std::string& path) {
    std::string reason;
    if (!save_message_file(main_->messageModel().store(), path, reason))
        dialogs().message(main_, QStringLiteral("Save Message File Fault! %1 (%2)").arg(fileText(path), fileText(reason)));
}

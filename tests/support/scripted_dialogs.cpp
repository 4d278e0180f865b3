#include "support/scripted_dialogs.h"

int ScriptedDialogs::ShowModal(QDialog& dialog) {
    modalShown << dialog.objectName();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!modal_handlers.empty()) {
        auto handler = std::move(modal_handlers.front());
        modal_handlers.pop_front();
        handler(dialog);
    }
    if (dialog.isVisible()) dialog.done(dialog.result());
    return dialog.result();
}

void ScriptedDialogs::message(QWidget*, const QString& text) {
    messages << text;
}

QString ScriptedDialogs::nextFile(const QString& folder, const QString& name, const QString& filter) {
    fileFolders << folder;
    fileNames << name;
    fileFilters << filter;
    if (file_answers.empty()) return QString();
    QString answer = file_answers.front();
    file_answers.pop_front();
    return answer;
}

QString ScriptedDialogs::AskOpenFileName(QWidget*, const QString& folder, const QString& name,
                                      const QString& filter) {
    return nextFile(folder, name, filter);
}

QString ScriptedDialogs::AskSaveFileName(QWidget*, const QString& folder, const QString& name,
                                      const QString& filter) {
    return nextFile(folder, name, filter);
}

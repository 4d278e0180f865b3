// Answers the program's dialogs from a script, and records what they were asked.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "gui/main/dialog_seam.h"

class ScriptedDialogs : public DialogSeam {
public:
    // Each test starts as a new process does: no file chosen yet.
    ScriptedDialogs() {
        setDialogs(this);
        SetLastFileFolder(QString());
    }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    // Each modal window shown takes the next handler, which works its controls
    // (select, click "Ok") while the window is "open"; with none left it is rejected.
    std::deque<std::function<void(QDialog&)>> modal_handlers;
    // Each file dialog takes the next answer; an empty answer is a cancel.
    std::deque<QString> file_answers;

    QStringList messages;      // texts of the message boxes shown
    QStringList modalShown;    // object names of the modal windows shown
    QStringList fileFilters;   // filters the file dialogs were opened with
    QStringList fileFolders;   // folders they started in
    QStringList fileNames;     // names they were filled with

    int ShowModal(QDialog& dialog) override;
    void message(QWidget* parent, const QString& text) override;
protected:
    QString AskOpenFileName(QWidget* parent, const QString& folder, const QString& name,
                            const QString& filter) override;
    QString AskSaveFileName(QWidget* parent, const QString& folder, const QString& name,
                            const QString& filter) override;

private:
    QString nextFile(const QString& folder, const QString& name, const QString& filter);
};

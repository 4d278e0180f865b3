// The one way windows show modal windows, message boxes and file dialogs, so that
// tests can answer them without a person.
#pragma once

#include <QString>

class QDialog;
class QWidget;

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // Shows the window modally and returns its result code (QDialog::Accepted or Rejected).
    virtual int ShowModal(QDialog& dialog);
    // A modal message box with one text and an OK button.
    virtual void message(QWidget* parent, const QString& text);
    // File dialogs start in `folder` with `name` filled in; an empty result means cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& folder, const QString& name,
                                 const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& folder, const QString& name,
                                 const QString& filter);
};

// Where file dialogs start until the user picked a folder: the user's documents folder
// when there is one, else the home folder (the program's own folder is usually not
// writable once installed). Ends in "/".
QString DefaultFileFolder();

// The seam in use: the real dialogs unless a test installed its own.
DialogSeam& dialogs();
// Installs a replacement (nullptr restores the real dialogs); the caller keeps ownership.
void setDialogs(DialogSeam* seam);

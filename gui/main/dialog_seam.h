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
    // File dialogs start in `folder` (DefaultFileFolder() when empty) with `name`
    // filled in; an empty result means cancelled. The folder of a chosen file becomes
    // the one file dialogs start in from then on (LastFileFolder).
    QString OpenFileName(QWidget* parent, const QString& folder, const QString& name, const QString& filter);
    QString SaveFileName(QWidget* parent, const QString& folder, const QString& name, const QString& filter);

protected:
    // The dialogs themselves.
    virtual QString AskOpenFileName(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter);
    virtual QString AskSaveFileName(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter);
};

// Where file dialogs start until the user picked a folder: the folder of the last file
// chosen in any file dialog (kept between runs) while it exists, else the user's
// documents folder when there is one, else the home folder (the program's own folder
// is usually not writable once installed). Ends in "/".
QString DefaultFileFolder();
// The folder of the last file chosen in a file dialog, empty before the first.
QString LastFileFolder();
void SetLastFileFolder(const QString& folder);

// The seam in use: the real dialogs unless a test installed its own.
DialogSeam& dialogs();
// Installs a replacement (nullptr restores the real dialogs); the caller keeps ownership.
void setDialogs(DialogSeam* seam);

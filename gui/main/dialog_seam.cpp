#include "gui/main/dialog_seam.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {
DialogSeam g_real;
DialogSeam* g_current = &g_real;
QString g_last_folder;

QString remembered(const QString& chosen) {
    if (!chosen.isEmpty()) SetLastFileFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}

// Converts a filter written as "Text Files|*.txt|All Files|*.*" into Qt's form.
QString qtFilter(const QString& filter) {
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    return out.join(QStringLiteral(";;"));
}
} // namespace

int DialogSeam::ShowModal(QDialog& dialog) {
    return dialog.exec();
}

void DialogSeam::message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString(), text);
}

QString DialogSeam::OpenFileName(QWidget* parent, const QString& folder, const QString& name,
                                 const QString& filter) {
    return remembered(AskOpenFileName(parent, folder.isEmpty() ? DefaultFileFolder() : folder, name, filter));
}

QString DialogSeam::SaveFileName(QWidget* parent, const QString& folder, const QString& name,
                                 const QString& filter) {
    return remembered(AskSaveFileName(parent, folder.isEmpty() ? DefaultFileFolder() : folder, name, filter));
}

QString DialogSeam::AskOpenFileName(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QDir(folder).filePath(name), qtFilter(filter));
}

QString DialogSeam::AskSaveFileName(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QDir(folder).filePath(name), qtFilter(filter));
}

QString LastFileFolder() {
    return g_last_folder;
}

void SetLastFileFolder(const QString& folder) {
    g_last_folder = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString DefaultFileFolder() {
    if (!g_last_folder.isEmpty() && QDir(g_last_folder).exists()) return g_last_folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

DialogSeam& dialogs() {
    return *g_current;
}

void setDialogs(DialogSeam* seam) {
    g_current = seam ? seam : &g_real;
}

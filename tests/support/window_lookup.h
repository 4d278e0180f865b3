// Finding the program's controls by object name, and reading the message list, in window tests.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class TForm_ZQ70_Main;

// The child control with that object name; a missing control ends the test run at once.
template <typename T>
T* child(QObject* parent, const QString& name) {
    T* found = parent->findChild<T*>(name);
    if (!found) qFatal("no control named %s", qPrintable(name));
    return found;
}

// Every line of the main window's message list, oldest first.
QStringList messageLines(const TForm_ZQ70_Main& main);

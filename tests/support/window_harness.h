// The program's windows offscreen, COM1 linked to a pseudo-terminal, dialogs scripted.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QtTest>
#include <memory>

#include "gui/main/application.h"
#include "gui/main/main_window.h"
#include "gui/main/message_list_model.h"
#include "support/pty_pair.h"
#include "support/scripted_dialogs.h"
#include "support/window_lookup.h"
#include "support/bytes.h"

struct WindowHarness {
    ScriptedDialogs dialogs;
    PtyPair far;
    ComPortFolder ports;
    std::unique_ptr<BenchlinkWindows> windows;

    WindowHarness() {
        ports.link(1, far);
        windows = std::make_unique<BenchlinkWindows>();
        main()->show();
    }
    ~WindowHarness() { windows.reset(); }

    TForm_ZQ70_Main* main() const { return windows->main(); }

    // Configures COM1 through the settings dialog; receiving starts with it.
    void openPort() {
        dialogs.modal_handlers.push_back([](QDialog& dialog) {
            child<QComboBox>(&dialog, "ComboBox_Comport")->setCurrentIndex(1);
            QTest::mouseClick(child<QPushButton>(&dialog, "Botton_OK"), Qt::LeftButton);
        });
        child<QAction>(main(), "ComportConfigure")->trigger();
        far.drain();
    }

    QStringList lines() const { return messageLines(*main()); }
    QString lastLine() const { return lines().value(lines().size() - 1); }

    template <typename T = QWidget>
    T* control(const QString& name) const { return child<T>(main(), name); }
    void click(const QString& button) const { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void setText(const QString& edit, const QString& text) const { control<QLineEdit>(edit)->setText(text); }
    void setValue(const QString& spin, int value) const { control<QSpinBox>(spin)->setValue(value); }
    QString text(const QString& name) const {
        QObject* found = main()->findChild<QObject*>(name);
        if (auto* label = qobject_cast<QLabel*>(found)) return label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(found)) return edit->text();
        if (auto* button = qobject_cast<QAbstractButton*>(found)) return button->text();
        qFatal("no text control named %s", qPrintable(name));
    }
    int value(const QString& spin) const { return control<QSpinBox>(spin)->value(); }
    bool enabled(const QString& name) const { return control(name)->isEnabled(); }
};

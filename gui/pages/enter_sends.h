// Enter in a spin box of a sender sends, as Enter in its text fields does (a spin box
// has no returnPressed of its own).
#pragma once

#include <QAbstractSpinBox>
#include <QEvent>
#include <QKeyEvent>
#include <functional>
#include <utility>

class EnterSends : public QObject {
public:
    // Installs itself on `spin`, which owns it.
    EnterSends(QAbstractSpinBox* spin, std::function<void()> send) : QObject(spin), send_(std::move(send)) {
        spin->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                // The value typed so far counts, as it would on leaving the field.
                static_cast<QAbstractSpinBox*>(watched)->interpretText();
                send_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> send_;
};

// The settings dialog's list of the machine's serial devices, and "Use for this port",
// which links the chosen one to the chosen COM number in the ports folder. The list
// follows devices coming and going while it is shown (a watch of /dev and
// /dev/serial/by-id; nothing polls).
#pragma once

#include <QGroupBox>
#include <functional>

class QFileSystemWatcher;
class QListWidget;
class QPushButton;

class SystemPortsBox : public QGroupBox {
public:
    // `chosen_port` answers the COM number the dialog shows; `assigned` is told after
    // a link was made, so the path beside the port list follows.
    SystemPortsBox(std::function<int()> chosen_port, std::function<void()> assigned, QWidget* parent);

    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Button_AssignPortClick();
    void ShowAssignable();

    std::function<int()> chosen_port_;
    std::function<void()> assigned_;
    QListWidget* list_ = nullptr;
    QPushButton* assign_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
};

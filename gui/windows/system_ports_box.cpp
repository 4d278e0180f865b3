#include "gui/windows/system_ports_box.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "core/serial/system_ports.h"
#include "gui/main/dialog_seam.h"

namespace {
// Where devices come and go; /dev/serial/by-id exists only while an adapter is there,
// so /dev/serial and /dev are watched for it to appear.
const char* const kDeviceFolders[] = {"/dev", "/dev/serial", "/dev/serial/by-id"};
} // namespace

SystemPortsBox::SystemPortsBox(std::function<int()> chosen_port, std::function<void()> assigned, QWidget* parent)
    : QGroupBox(QStringLiteral("System Ports"), parent),
      chosen_port_(std::move(chosen_port)),
      assigned_(std::move(assigned)) {
    setObjectName(QStringLiteral("GroupBox_SystemPorts"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListWidget_SystemPorts"));
    assign_ = new QPushButton(QStringLiteral("Use for this port"), this);
    assign_->setObjectName(QStringLiteral("Button_AssignPort"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(assign_);
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &SystemPortsBox::Refresh);
    connect(assign_, &QPushButton::clicked, this, &SystemPortsBox::Button_AssignPortClick);
    connect(list_, &QListWidget::currentRowChanged, this, &SystemPortsBox::ShowAssignable);
}

void SystemPortsBox::showEvent(QShowEvent* event) {
    QGroupBox::showEvent(event);
    Refresh();
}

void SystemPortsBox::hideEvent(QHideEvent* event) {
    QGroupBox::hideEvent(event);
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) watcher_->removePaths(watched);
}

void SystemPortsBox::Refresh() {
    const QString chosen = list_->currentItem() ? list_->currentItem()->data(Qt::UserRole).toString() : QString();
    list_->clear();
    for (const SystemPort& port : comport_system_ports()) {
        const QString path = QString::fromStdString(port.path);
        QString text = path;
        if (!port.description.empty()) text += QStringLiteral("  ") + QString::fromStdString(port.description);
        auto* item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, path);
        if (path == chosen) list_->setCurrentItem(item);
    }
    if (isVisible()) {
        // Folders that appeared (the first adapter's by-id folder) are watched from now on.
        const QStringList watched = watcher_->directories();
        for (const char* folder : kDeviceFolders) {
            const QString name = QString::fromLatin1(folder);
            if (!watched.contains(name) && QFileInfo(name).isDir()) watcher_->addPath(name);
        }
    }
    ShowAssignable();
}

void SystemPortsBox::ShowAssignable() {
#if defined(_WIN32)
    // COM numbers are the system's own there: nothing to link.
    assign_->setEnabled(false);
#else
    assign_->setEnabled(list_->currentItem() != nullptr && chosen_port_() > 0);
#endif
}

void SystemPortsBox::Button_AssignPortClick() {
    const int port = chosen_port_();
    if (!list_->currentItem() || port <= 0) return;
    const std::string device = list_->currentItem()->data(Qt::UserRole).toString().toStdString();
    if (!comport_assign_device(port, device)) {
        dialogs().message(this, QStringLiteral("COM%1: %2").arg(port).arg(QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    if (assigned_) assigned_();
}

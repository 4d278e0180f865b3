#include "gui/main/application.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "core/panels/device_family.h"
#include "core/serial/comport.h"
#include "gui/main/mailbox_pump.h"
#include "gui/main/main_window.h"
#include "gui/main/message_dialog.h"
#include "gui/windows/uart_detect.h"
#include "gui/windows/link_monitor.h"
#include "gui/windows/pt57_operate.h"
#include "gui/windows/rd24_operate.h"
#include "gui/windows/about_window.h"
#include "gui/windows/comport_setup_dialog.h"

namespace {

template <typename Window>
OperatePanel* makePanel(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* owner) {
    return new Window(family, mailbox, link, owner);
}

struct PanelClass {
    std::string_view family;
    OperatePanel* (*make)(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* owner);
};

// The families whose panel is a window class of its own; any other family's panel
// is a plain OperatePanel.
constexpr PanelClass kPanelClasses[] = {
    {"RD24", makePanel<TForm_RD24Operate>},
    {"PT57", makePanel<TForm_PT57Operate>},
};

OperatePanel* makePanelOf(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* owner) {
    for (const PanelClass& panel : kPanelClasses)
        if (panel.family == family.name) return panel.make(family, mailbox, link, owner);
    return makePanel<OperatePanel>(family, mailbox, link, owner);
}

} // namespace

// The program's one port, wired in here: everything that talks to the line is given it.
BenchlinkWindows::BenchlinkWindows() : mailbox_(std::make_unique<MailboxPump>()), link_(comport_port()) {
    main_ = std::make_unique<TForm_ZQ70_Main>(*mailbox_, link_);
    QWidget* owner = main_.get();
    message_ = new TForm_Message(owner);
    comport_setup_ = new TForm_ComportSetup(owner);
    comport_setup_->SetMailbox(*mailbox_);
    // The device families' operate panels, in the registry's order.
    for (const DeviceFamily& family : deviceFamilies())
        operate_panels_.push_back(makePanelOf(family, *mailbox_, link_, owner));
    about_ = new TForm_AboutZQ70(benchlink_product(), owner);
    company_ = new TForm_DUVA(benchlink_product(), owner);
    uart_detect_ = new TForm_UartDetect(*mailbox_, link_.port(), comport_setup_, owner);
    link_monitor_ = new TForm_LinkMonitor(*mailbox_, link_, owner);
    // Every exchange of the frame layer is listed in the link monitor, which every
    // panel opens.
    link_.SetLinkLog(link_monitor_);
    for (OperatePanel* panel : operate_panels_) panel->SetLinkMonitor(link_monitor_);

    MainWindowPeers peers;
    peers.message = message_;
    peers.comport_setup = comport_setup_;
    peers.operate_panels = operate_panels_;
    peers.about = about_;
    peers.company = company_;
    peers.uart_detect = uart_detect_;
    peers.link_monitor = link_monitor_;
    main_->SetPeers(peers);
}

BenchlinkWindows::~BenchlinkWindows() = default;

OperatePanel* BenchlinkWindows::operate_panel(std::string_view family) const {
    const DeviceFamily* named = findDeviceFamily(family);
    for (OperatePanel* panel : operate_panels_)
        if (&panel->engine().family() == named) return panel;
    return nullptr;
}

int runBenchlink(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZQ70 Benchlink"));
    QPixmap icon(64, 64);
    icon.fill(Qt::transparent);
    {
        QPainter painter(&icon);
        DrawBenchlinkLogo(painter, QRectF(icon.rect()));
    }
    QApplication::setWindowIcon(QIcon(icon));
    BenchlinkWindows windows;
    windows.main()->show();
    return QApplication::exec();
}

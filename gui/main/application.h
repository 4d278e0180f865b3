// Creates every window once, in start-up order, and keeps them for the program's life.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "core/protocol/zum_exchange.h"
#include "core/serial/counting_port.h"
#include "core/util/non_copyable.h"

class MailboxPump;
class TForm_ZQ70_Main;
class TForm_Message;
class TForm_ComportSetup;
class OperatePanel;
class TForm_AboutZQ70;
class TForm_DUVA;
class TForm_UartDetect;
class TForm_LinkMonitor;

class BenchlinkWindows : private NonCopyable {
public:
    BenchlinkWindows();
    ~BenchlinkWindows();

    TForm_ZQ70_Main* main() const { return main_.get(); }
    // The frame layer over the program's port, which every window that talks to a
    // device is given.
    ZumLink& link() { return link_; }
    CountingPort& port() { return port_; }
    MailboxPump& mailbox() const { return *mailbox_; }
    TForm_Message* message() const { return message_; }
    TForm_ComportSetup* comport_setup() const { return comport_setup_; }
    // One operate panel per device family, in the registry's order.
    const std::vector<OperatePanel*>& operate_panels() const { return operate_panels_; }
    // The panel of the family of that name (any case); null for no family.
    OperatePanel* operate_panel(std::string_view family) const;
    TForm_AboutZQ70* about() const { return about_; }
    TForm_DUVA* company() const { return company_; }
    TForm_UartDetect* uart_detect() const { return uart_detect_; }
    TForm_LinkMonitor* link_monitor() const { return link_monitor_; }

private:
    // Declared first: every window posts to it and removes its receivers as it goes.
    std::unique_ptr<MailboxPump> mailbox_;
    // The program's port with its bytes counted; the link and every window use it.
    CountingPort port_;
    // Before the windows too: the panels' exchanges and the link monitor reach it.
    ZumLink link_;
    std::unique_ptr<TForm_ZQ70_Main> main_;
    // Owned by the main window (their parent), so they go with it.
    TForm_Message* message_ = nullptr;
    TForm_ComportSetup* comport_setup_ = nullptr;
    std::vector<OperatePanel*> operate_panels_;
    TForm_AboutZQ70* about_ = nullptr;
    TForm_DUVA* company_ = nullptr;
    TForm_UartDetect* uart_detect_ = nullptr;
    TForm_LinkMonitor* link_monitor_ = nullptr;
};

// The program: application title, windows, message loop. Returns the exit code.
int runBenchlink(int argc, char** argv);

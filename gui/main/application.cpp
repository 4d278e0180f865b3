#include "gui/main/application.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <cctype>
#include <iostream>
#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif
#include <string>
#include <vector>

#include "core/panels/device_family.h"
#include "core/serial/comport.h"
#include "gui/main/kept_settings.h"
#include "gui/main/mailbox_pump.h"
#include "gui/main/main_window.h"
#include "gui/main/message_dialog.h"
#include "gui/main/start_options.h"
#include "gui/pages/general_ascii_page.h"
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

// The toolkit's own options ("-platform offscreen", "-style fusion") go to it, not to
// the program's command line: single-dash words, with the value of those that take one.
std::vector<std::string> programArguments(int argc, char** argv) {
    static const char* const kToolkitValued[] = {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                                 "-display", "-style", "-stylesheet", "-session", "-geometry",
                                                 "-title", "-name", "-qwindowgeometry", "-qwindowtitle",
                                                 "-qwindowicon"};
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // "-2" is a value (--fix -2), "-h" the program's own help.
        const bool toolkit = arg.size() >= 2 && arg[0] == '-' && std::isalpha(static_cast<unsigned char>(arg[1])) &&
                             arg != "-h";
        if (!toolkit) {
            args.push_back(arg);
            continue;
        }
        for (const char* valued : kToolkitValued)
            if (arg == valued) ++i;
    }
    return args;
}

#if !defined(_WIN32)
// A request to end (SIGTERM at logout, SIGINT, SIGHUP) closes the program as "Exit"
// does, so the port is closed and the settings are written. The handler only writes
// a byte to a pipe, which the GUI thread watches.
int g_quit_pipe[2] = {-1, -1};

void onQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_quit_pipe[1], &byte, 1);
}

bool catchQuitSignals() {
    if (pipe2(g_quit_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal_number, &action, nullptr);
    return true;
}
#endif

} // namespace

// The program's one port, wired in here: everything that talks to the line is given it.
BenchlinkWindows::BenchlinkWindows()
    : mailbox_(std::make_unique<MailboxPump>()), port_(comport_port()), link_(port_) {
    main_ = std::make_unique<TForm_ZQ70_Main>(*mailbox_, link_);
    main_->SetByteCounter(&port_);
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
    StartOptions options;
    std::string error;
    if (!parseStartOptions(programArguments(argc, argv), options, error)) {
        std::cerr << "benchlink: " << error << " (benchlink --help lists the options)\n";
        return kStartUsage;
    }
    if (options.help) {
        std::cout << startUsage();
        return 0;
    }
#if !defined(_WIN32)
    // Before the windows: a request to end that comes while they are made waits in the pipe.
    const bool quit_signals = catchQuitSignals();
#endif
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
    TForm_ZQ70_Main* main = windows.main();
    KeptSettings kept(options.defaults ? std::string() : program_settings_path());
    main->SetSettingsChanged([&kept, main] { kept.Save(*main); });
    main->show();
    kept.Restore(*main);
    if (!options.project.empty() && !main->general_ascii_page()->OpenProject(options.project))
        main->AddMessageLine("Command project " + options.project + " is gone.");
    if (options.configure) main->ConfigureWith(options.line, options.path);
    // What the start changed (a project from the command line) is kept at once.
    kept.Save(*main);
#if !defined(_WIN32)
    if (quit_signals) {
        auto* quit = new QSocketNotifier(g_quit_pipe[0], QSocketNotifier::Read, main);
        QObject::connect(quit, &QSocketNotifier::activated, main, [main] {
            char bytes[16];
            while (read(g_quit_pipe[0], bytes, sizeof bytes) > 0) {}
            main->close();
            QApplication::quit();
        });
    }
#endif
    const int code = QApplication::exec();
    kept.Save(*main);
    return code;
}

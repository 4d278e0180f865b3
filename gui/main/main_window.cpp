#include "gui/main/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <thread>

#include "core/panels/device_family.h"
#include "core/serial/counting_port.h"
#include "core/serial/net/net_address.h"
#include "core/serial/system_ports.h"
#include "core/terminal/port_status_text.h"
#include "core/protocol/zum_exchange.h"
#include "core/terminal/receive_pipeline.h"
#include "core/util/time_helpers.h"
#include "gui/main/dialog_seam.h"
#include "gui/main/find_bar.h"
#include "gui/main/mailbox_pump.h"
#include "gui/main/message_dialog.h"
#include "gui/main/message_files.h"
#include "gui/main/message_list_menu.h"
#include "gui/main/message_list_model.h"
#include "gui/main/message_list_view.h"
#include "gui/main/port_reconnect.h"
#include "gui/main/status_line.h"
#include "gui/main/receive_settings_panel.h"
#include "gui/pages/general_ascii_page.h"
#include "gui/pages/hex_pages.h"
#include "gui/pages/qlp_composer_pages.h"
#include "gui/pages/recorder_page.h"
#include "gui/pages/send_file_group.h"
#include "gui/windows/comport_setup_dialog.h"
#include "gui/windows/operate_panel.h"

namespace {
QString withMnemonic(QString caption, QChar key) {
    const qsizetype at = key.isNull() ? -1 : caption.indexOf(key);
    if (at >= 0) caption.insert(at, QLatin1Char('&'));
    return caption;
}

// The "Total Line" counter follows lines from the receive thread about this often.
constexpr int kCountIntervalMs = 250;

// The window's two sides: a larger or maximised window gives its room to the message
// list on the left; the pages on the right keep their width (their fields have nothing
// to show in more), whatever width the user dragged them to.
class ListFirstSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    void resizeEvent(QResizeEvent* event) override {
        // Before the splitter lays its sides out anew, the pages still have their width.
        const int pages = count() == 2 && event->oldSize().isValid() ? widget(1)->width() : 0;
        QSplitter::resizeEvent(event);
        if (pages <= 0) return;
        const QList<int> now = sizes();
        const int total = now.value(0) + now.value(1);
        if (now.value(1) != pages && total > pages) setSizes({total - pages, pages});
    }
};

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// `caption` is shown with the mnemonic `key` (its first occurrence underlined, Alt+key).
QAction* makeAction(QMenu* menu, const char* name, const QString& caption, QChar key = {},
                    QKeySequence shortcut = {}) {
    QAction* action = menu->addAction(withMnemonic(caption, key));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

// A device family's entry in "QLP Device": "RD24Device", captioned "RD24 Device".
std::string deviceEntryName(const DeviceFamily& family) { return std::string(family.name) + "Device"; }
std::string deviceEntryCaption(const DeviceFamily& family) { return std::string(family.name) + " Device"; }
} // namespace

TForm_ZQ70_Main::TForm_ZQ70_Main(MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : QMainWindow(parent), mailbox_(mailbox), link_(link), port_(link.port()) {
    setObjectName(QStringLiteral("Form_ZQ70_Main"));
    setWindowTitle(QStringLiteral("ZQ70 Main"));
    session_ = std::make_unique<ConsoleSession>(port_, [this](const std::string& line) { AddMessageLine(line); });
    // The pipeline stamps received lines itself, with the time they were read.
    pipeline_ = std::make_unique<ReceivePipeline>(link_, [this](const std::string& line) { PostMessageLine(line); });
    lines_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) { ShowLines(batch); });
    fault_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) {
        for (const Letter& letter : batch) session_->ReceiveFault(static_cast<int>(letter.number));
        FollowLostPort();
        ApplyControls(session_->controls());
    });
    session_->SetFaultReporter([this](int error) { mailbox_.Queue(fault_box_.box(), {}, error); });
    counts_box_ = mailbox_.AddReceiver([this](std::span<Letter>) {
        counts_posted_.store(false);
        ShowByteCounts();
    });
    mailbox_.SetDropReporter([this](std::uint64_t dropped) {
        AddMessageLine("---* " + std::to_string(dropped) + " messages lost: the window fell behind *---");
    });
    count_timer_ = new QTimer(this);
    count_timer_->setSingleShot(true);
    reconnect_ = new PortReconnect(
        [this] {
            const bool back = session_->TryReconnect();
            if (back) ApplyControls(session_->controls());
            return back;
        },
        mailbox_, this);
    BuildMenu();
    BuildControls();
    status_line_ = new StatusLine(this);
    setStatusBar(status_line_);
    status_line_->SetResetCounts([this] {
        if (counter_) counter_->ResetCounts();
        ShowByteCounts();
    });
    InitActionsConnections();
    resize(1100, 700);
}

void TForm_ZQ70_Main::WireReceivePipeline() {
    session_->SetDispatcher([this] { pipeline_->ReceiveDispatch(); });
    session_->SetReceiveStopped([this] {
        pipeline_->ResetAccumulated();
        receive_settings_->ResetLastLength();
    });
    pipeline_->SetReplyHook([this](const std::uint8_t* line, std::int32_t length) {
        general_ascii_->commands().SendReply(line, length);
    });
    pipeline_->SetLastLengthHook([this](std::int32_t length) { receive_settings_->PostLastLength(length); });
}

void TForm_ZQ70_Main::SetPeers(const MainWindowPeers& peers) {
    peers_ = peers;
    // Asked by the receive thread on every pass; the panels answer from an atomic flag.
    pipeline_->SetPanelShowingHook([panels = peers.operate_panels] {
        return std::ranges::any_of(panels, [](const OperatePanel* panel) { return panel->IsShowing(); });
    });
}

void TForm_ZQ70_Main::SetCurrentCommand(int n) {
    general_ascii_->SetCurrentCommand(n);
}

TForm_ZQ70_Main::~TForm_ZQ70_Main() {
    // Stop the receive thread while everything it reaches still exists.
    session_.reset();
    if (counter_) counter_->SetCountsChanged(nullptr);
    mailbox_.SetDropReporter(nullptr);
}

QAction* TForm_ZQ70_Main::action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

// Every menu and entry has a mnemonic; the common entries carry the platform's
// standard shortcuts, shown in the menu.
void TForm_ZQ70_Main::BuildMenu() {
    const auto menu = [this](const char* caption, QChar key) {
        return menuBar()->addMenu(withMnemonic(QString::fromLatin1(caption), key));
    };
    QMenu* file = menu("File", u'F');
    makeAction(file, "MessageLoad", QStringLiteral("Load"), u'L', QKeySequence::Open);
    makeAction(file, "MessageSave", QStringLiteral("Save"), u'S', QKeySequence::Save);
    makeAction(file, "MessageFind", QStringLiteral("Find…"), u'F', QKeySequence::Find);
    makeAction(file, "Exit", QStringLiteral("Exit"), u'x', QKeySequence::Quit);
    QMenu* comport = menu("Comport", u'C');
    makeAction(comport, "ComportConfigure", QStringLiteral("Configure"), u'C');
    makeAction(comport, "ComportClose", QStringLiteral("Close"), u'l');
    QMenu* device = menu("QLP Device", u'Q');
    makeAction(device, "QLPDetect", QStringLiteral("Detect and Setting"), u'D');
    for (const DeviceFamily& family : deviceFamilies()) {
        const QString caption = QString::fromStdString(deviceEntryCaption(family));
        makeAction(device, deviceEntryName(family).c_str(), caption, caption.at(0));
    }
    QMenu* project = menu("General ASCII Project", u'G');
    makeAction(project, "GeneralASCIIDefualt", QStringLiteral("Defualt"), u'D');
    makeAction(project, "GeneralASCIILoad", QStringLiteral("Load"), u'L');
    makeAction(project, "GeneralASCIISave", QStringLiteral("Save"), u'S');
    makeAction(project, "GeneralASCIIAs", QStringLiteral("Save As"), u'A');
    QMenu* info = menu("Info", u'I');
    makeAction(info, "AboutZQ70", QStringLiteral("About ZQ70"), u'Z');
    makeAction(info, "AboutDUVA", QStringLiteral("About DUVA"), u'D');
    // F10 opens the first menu, as on other desktops; Alt and a letter opens any.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().first());
    });
}

void TForm_ZQ70_Main::BuildControls() {
    auto* central = new ListFirstSplitter(Qt::Horizontal, this);
    setCentralWidget(central);

    auto* left = new QWidget(central);
    auto* left_layout = new QVBoxLayout(left);
    auto* group_message = new QGroupBox(QStringLiteral("Message"), left);
    group_message->setObjectName(QStringLiteral("GroupBox_Message"));
    auto* message_layout = new QVBoxLayout(group_message);
    model_ = new MessageListModel(this);
    memo_message_ = new MessageListView(group_message);
    memo_message_->setObjectName(QStringLiteral("Memo_Message"));
    memo_message_->setModel(model_);
    memo_message_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    memo_message_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    memo_message_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_message_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    memo_message_->setFont(mono);
    message_layout->addWidget(memo_message_);
    find_bar_ = new FindBar(model_->store(), memo_message_, group_message);
    message_layout->addWidget(find_bar_);
    auto* message_row = new QHBoxLayout;
    message_row->addWidget(new QLabel(QStringLiteral("Total Line"), group_message));
    label_total_ = new QLabel(QStringLiteral("0"), group_message);
    label_total_->setObjectName(QStringLiteral("Label_MessageTotalLineAmount"));
    // A fixed width: a counter that grows a digit must not re-lay out the window.
    label_total_->setFixedWidth(label_total_->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
    // Opaque, so a new count repaints the label alone, not the window beneath it; of
    // a fixed height too, so a new count asks for no new layout of the window.
    label_total_->setAutoFillBackground(true);
    label_total_->setFixedHeight(label_total_->sizeHint().height());
    message_row->addWidget(label_total_);
    message_row->addStretch();
    message_row->addWidget(makeButton(group_message, "Button_ClearMessageList", "Clear List"));
    message_row->addWidget(makeButton(group_message, "Button_AddMessageMark", "Add Mark"));
    message_row->addWidget(makeButton(group_message, "Button_AddMessageSpaceLine", "Space Line"));
    message_layout->addLayout(message_row);
    left_layout->addWidget(group_message, 1);
    receive_settings_ = new ReceiveSettingsPanel(*pipeline_, mailbox_, left);
    left_layout->addWidget(receive_settings_);

    auto* right = new QWidget(central);
    auto* right_layout = new QVBoxLayout(right);
    pages_ = new QTabWidget(right);
    pages_->setObjectName(QStringLiteral("PageControl_Main"));
    BuildPages();
    right_layout->addWidget(pages_, 1);

    group_uart_operate_ = new QGroupBox(QStringLiteral("Uart Operate"), right);
    group_uart_operate_->setObjectName(QStringLiteral("GroupBox_UartOperate"));
    auto* operate = new QHBoxLayout(group_uart_operate_);
    operate->addWidget(makeButton(group_uart_operate_, "Button_UartStopTransfer", "Stop Transfer"));
    operate->addWidget(makeButton(group_uart_operate_, "Button_UartClearTransfer", "Clear Transfer"));
    operate->addWidget(makeButton(group_uart_operate_, "Button_UartStopReceive", "Stop Receive"));
    operate->addWidget(makeButton(group_uart_operate_, "Button_UartClearReceive", "Clear receive"));
    right_layout->addWidget(group_uart_operate_);

    auto* receive_row = new QHBoxLayout;
    button_start_receive_ = makeButton(right, "Button_StartReceive", "Start Receive");
    button_stop_receive_ = makeButton(right, "Button_StopReceive", "Stop Receive");
    receive_row->addWidget(button_start_receive_);
    receive_row->addWidget(button_stop_receive_);
    receive_row->addStretch();
    receive_row->addWidget(makeButton(right, "Button_Exit", "Exit"));
    right_layout->addLayout(receive_row);

    central->addWidget(left);
    central->addWidget(right);
    central->setStretchFactor(0, 3);
    central->setStretchFactor(1, 2);
}

// One widget per tab page; each page class builds and wires its own controls and is
// given what it needs: the message list's line sink, the pipeline, the menu entries.
void TForm_ZQ70_Main::BuildPages() {
    const LineSink add_line = [this](const std::string& line) { AddMessageLine(line); };
    ProjectActions project;
    project.defualt = action("GeneralASCIIDefualt");
    project.load = action("GeneralASCIILoad");
    project.save = action("GeneralASCIISave");
    project.save_as = action("GeneralASCIIAs");
    general_ascii_ = new GeneralAsciiPage(port_, add_line, project, benchlink_product(), pages_);
    general_ascii_->send_file_area()->addWidget(new SendFileGroup(port_, add_line, general_ascii_));
    AddPage(general_ascii_, "TabSheet_GeneralASCII", "General ASCII");
    AddPage(new GeneralHexPage(port_, add_line, pages_), "TabSheet_GeneralHEX", "Gerneral HEX");
    AddPage(new QlpHexPage(port_, add_line, pages_), "TabSheet_QLPHEX", "QLP HEX");
    AddPage(new QlpAsciiPage(port_, add_line, pages_), "TabSheet_QLPASCII", "QLP ASCII");
    AddPage(new QlpDataPage(port_, add_line, pages_), "TabSheet_QLPData", "QLP Data");
    auto* recorder =
        new RecorderPage(port_, add_line, mailbox_, *pipeline_, [this](int n) { SetCurrentCommand(n); }, pages_);
    AddPage(recorder, "TabSheet_Recorder", "Recorder");
    WireReceivePipeline();
}

void TForm_ZQ70_Main::AddPage(QWidget* page, const char* name, const char* caption) {
    page->setObjectName(QString::fromLatin1(name));
    pages_->addTab(page, QString::fromLatin1(caption));
}

void TForm_ZQ70_Main::InitActionsConnections() {
    auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };

    message_files_ = new MessageFiles(this, action("MessageLoad"), action("MessageSave"), model_->store(),
                                      [this](const std::vector<std::string>& lines) { LoadMessageLines(lines); });
    connect(count_timer_, &QTimer::timeout, this, [this] { ShowLineCount(true); });
    connect(action("MessageFind"), &QAction::triggered, find_bar_, &FindBar::Open);
    auto* clear = new QAction(QStringLiteral("Clear"), memo_message_);
    clear->setObjectName(QStringLiteral("Action_ClearLines"));
    connect(clear, &QAction::triggered, this, &TForm_ZQ70_Main::ClearMessageList);
    auto* save = new QAction(QStringLiteral("Save…"), memo_message_);
    save->setObjectName(QStringLiteral("Action_SaveLines"));
    connect(save, &QAction::triggered, action("MessageSave"), &QAction::trigger);
    AddLineListMenu(memo_message_, model_->store(), {action("MessageFind"), clear, save});

    connect(action("Exit"), &QAction::triggered, this, &QWidget::close);
    connect(action("ComportConfigure"), &QAction::triggered, this, &TForm_ZQ70_Main::ConfigureComport);
    connect(action("ComportClose"), &QAction::triggered, this, &TForm_ZQ70_Main::ComportCloseClick);
    connect(action("QLPDetect"), &QAction::triggered, this, &TForm_ZQ70_Main::QLPDetectClick);
    for (const DeviceFamily& family : deviceFamilies())
        connect(action(deviceEntryName(family).c_str()), &QAction::triggered, this,
                [this, &family] { DeviceClick(family); });
    connect(action("AboutZQ70"), &QAction::triggered, this, [this] { ShowModal(peers_.about); });
    connect(action("AboutDUVA"), &QAction::triggered, this, [this] { ShowModal(peers_.company); });

    connect(button("Button_ClearMessageList"), &QPushButton::clicked, this, &TForm_ZQ70_Main::ClearMessageList);
    connect(button("Button_AddMessageMark"), &QPushButton::clicked, this, [this] {
        AddMessageLine(std::string("-------------------* MARK Line *-------------------------   "));
    });
    connect(button("Button_AddMessageSpaceLine"), &QPushButton::clicked, this,
            [this] { AddMessageLine(std::string()); });
    connect(button_start_receive_, &QPushButton::clicked, this, [this] {
        session_->StartReceive();
        FollowLostPort();
        ApplyControls(session_->controls());
    });
    connect(button_stop_receive_, &QPushButton::clicked, this, [this] {
        session_->StopReceive();
        ApplyControls(session_->controls());
    });
    connect(button("Button_Exit"), &QPushButton::clicked, this, &QWidget::close);
    // A send returns once its bytes are written: what "Stop Transfer" can still stop is
    // output the line has not sent yet. A read never waits for bytes that have not
    // come, so "Stop Receive" has no read to stop and does nothing.
    const auto purge = [this](PortQueue queue) { return [this, queue] { port_.Purge(queue); }; };
    connect(button("Button_UartStopTransfer"), &QPushButton::clicked, this, purge(PortQueue::kOutput));
    connect(button("Button_UartClearTransfer"), &QPushButton::clicked, this, purge(PortQueue::kOutput));
    connect(button("Button_UartClearReceive"), &QPushButton::clicked, this, purge(PortQueue::kInput));
}

void TForm_ZQ70_Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    FormShow();
}

void TForm_ZQ70_Main::FormShow() {
    session_->Startup();
    ApplyControls(session_->controls());
    ClearMessageList();
}

void TForm_ZQ70_Main::closeEvent(QCloseEvent* event) {
    if (shown_once_) {
        session_->StopReceive();
        session_->CloseFlow();
        FollowLostPort();
        ApplyControls(session_->controls());
        mailbox_.DeliverNow();
        if (settings_changed_) settings_changed_();
    }
    event->accept();
}

void TForm_ZQ70_Main::AddMessageLine(const std::string& text) {
    // Lines the program writes itself are stamped when they are written.
    if (pipeline_ && pipeline_->time_stamps())
        PostMessageLine(time_stamp_text(std::chrono::system_clock::now()) + text);
    else
        PostMessageLine(text);
}

void TForm_ZQ70_Main::PostMessageLine(const std::string& text) {
    const bool gui_thread = std::this_thread::get_id() == gui_thread_;
    mailbox_.Post(lines_box_.box(), text);
    // A line written on the GUI thread shows, and counts, at once.
    if (gui_thread) ShowLineCount(true);
}

void TForm_ZQ70_Main::AddMessageLine(const QString& text) {
    AddMessageLine(text.toLatin1().toStdString());
}

void TForm_ZQ70_Main::ShowLines(std::span<Letter> batch) {
    // The list follows new lines while it shows its end; a user who scrolled up to
    // read, or found a line, keeps their place.
    const QScrollBar* bar = memo_message_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    model_->AppendLines(batch);
    line_count_ += static_cast<long long>(batch.size());
    ShowLineCount(false);
    if (following) memo_message_->scrollToBottom();
}

// Lines from the receive thread move the counter a few times a second at most:
// redrawing it with every batch would cost more than the lines themselves. While
// batches keep coming the counter follows them and its timer never fires (each batch
// puts it off); it shows the final count once they stop.
void TForm_ZQ70_Main::ShowLineCount(bool now) {
    const qint64 since = count_shown_.isValid() ? count_shown_.elapsed() : kCountIntervalMs;
    if (now || since >= kCountIntervalMs) {
        count_timer_->stop();
        count_shown_.start();
        label_total_->setText(QString::number(line_count_));
        return;
    }
    count_timer_->start(kCountIntervalMs);
}

void TForm_ZQ70_Main::LoadMessageLines(const std::vector<std::string>& lines) {
    ClearMessageList();
    model_->AppendLines(lines); // loaded lines are not counted
    memo_message_->scrollToBottom();
}

void TForm_ZQ70_Main::ClearMessageList() {
    mailbox_.DeliverNow(); // lines added before the clear go with it
    model_->ClearLines();
    line_count_ = 0;
    ShowLineCount(true);
}

void TForm_ZQ70_Main::ApplyControls(const ReceiveControls& controls) {
    group_uart_operate_->setEnabled(controls.uart_operate);
    for (QPushButton* b : group_uart_operate_->findChildren<QPushButton*>()) b->setEnabled(controls.uart_operate);
    button_start_receive_->setEnabled(controls.start_receive);
    button_stop_receive_->setEnabled(controls.stop_receive);
    ShowPortStatus();
}

void TForm_ZQ70_Main::ShowPortStatus() {
    const std::string device = session_->device_path();
    status_line_->Show(*session_, device.empty() ? std::string() : comport_link_target(device));
    setWindowTitle(QString::fromStdString(main_window_title(session_->port_name(), session_->state())));
    ShowByteCounts();
}

void TForm_ZQ70_Main::ShowByteCounts() {
    if (status_line_) status_line_->ShowCounts(counter_ ? counter_->received() : 0, counter_ ? counter_->sent() : 0);
}

void TForm_ZQ70_Main::SetByteCounter(CountingPort* counter) {
    counter_ = counter;
    // The counts show with the next delivery of the mailbox, at the drawing cadence
    // while bytes flow; a line at rest posts nothing.
    if (counter_)
        counter_->SetCountsChanged([this] {
            if (!counts_posted_.exchange(true)) mailbox_.Queue(counts_box_.box());
        });
}

void TForm_ZQ70_Main::SetReconnect(bool on) {
    reconnect_on_ = on;
    FollowLostPort();
}

void TForm_ZQ70_Main::FollowLostPort() {
    const bool follow = reconnect_on_ && session_->lost();
    if (follow && !reconnect_->Active())
        reconnect_->Start(session_->device_path());
    else if (!follow)
        reconnect_->Stop();
}

void TForm_ZQ70_Main::ConfigureComport() {
    TForm_ComportSetup* setup = peers_.comport_setup;
    if (!setup) return;
    setup->SetSetting(session_->setting());
    setup->SetReconnect(reconnect_on_);
    dialogs().ShowModal(*setup);
    if (setup->Confirmed()) {
        reconnect_on_ = setup->Reconnect();
        ConfigureWith(setup->GetSetting());
        return;
    }
    session_->ConfigureAborted();
    ApplyControls(session_->controls());
}

void TForm_ZQ70_Main::ConfigureWith(const ComportSetting& setting, const std::string& path) {
    if (counter_) counter_->ResetCounts();
    OpenConfirmed(setting, path);
    FollowLostPort();
    ApplyControls(session_->controls());
    if (settings_changed_) settings_changed_();
}

void TForm_ZQ70_Main::OpenConfirmed(const ComportSetting& setting, const std::string& path) {
    const std::string target = !path.empty() ? path : setting.port != 0 ? comport_device_path(setting.port) : std::string();
    if (!net_address_named(target)) {
        if (path.empty())
            session_->ConfigureConfirmed(setting);
        else
            session_->ConfigurePath(path, setting);
        return;
    }
    // Up to 3 s for the connection and as many for the negotiation: the window keeps
    // drawing and its timers keep running, closed to input until the answer.
    setEnabled(false);
    QEventLoop answered;
    MailboxReceiver done = mailbox_.AddReceiver([&answered](std::span<Letter>) { answered.quit(); });
    ComportStatus status = kComportSuccess;
    std::thread opener([&] {
        status = path.empty() ? port_.Open(setting) : port_.OpenPath(path, setting);
        // The window is waiting for this one letter and delivering meanwhile: a full
        // mailbox has room again well within this (the usual post gives up after 100 ms).
        mailbox_.mailbox().Post(Letter{done.box(), {}, 0}, std::chrono::seconds(5));
    });
    answered.exec();
    opener.join();
    setEnabled(true);
    session_->ConfigureOpened(setting, status, path);
}

void TForm_ZQ70_Main::ComportCloseClick() {
    session_->CloseFlow();
    FollowLostPort();
    ApplyControls(session_->controls());
}

void TForm_ZQ70_Main::QLPDetectClick() {
    session_->PauseForDetect();
    ApplyControls(session_->controls());
    ShowModal(peers_.uart_detect);
    session_->ResumeAfterDetect();
    ApplyControls(session_->controls());
}

void TForm_ZQ70_Main::DeviceClick(const DeviceFamily& family) {
    const auto panel = std::ranges::find_if(
        peers_.operate_panels, [&family](const OperatePanel* p) { return &p->engine().family() == &family; });
    if (panel == peers_.operate_panels.end() || !PortOpenForPanel()) return;
    (*panel)->SetDefaultDevice(1);
    ShowModal(*panel);
}

bool TForm_ZQ70_Main::PortOpenForPanel() {
    if (session_->port_open() == 1) return true;
    if (peers_.message) {
        peers_.message->SetNotice(QStringLiteral("COM Port isn't Open!"), QStringLiteral("Ok"));
        peers_.message->show();
    }
    return false;
}

void TForm_ZQ70_Main::ShowModal(QDialog* window) {
    if (window) dialogs().ShowModal(*window);
}

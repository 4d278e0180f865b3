// The link monitor window: one line per exchange of the device panels and per
// chunk of received bytes that held no reply, with ID filter, pause, clear and save.
// Its lines are kept once, in the log's line store, and shown by the message list's
// view, with the same find bar (Ctrl+F), copy and right-click menu.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>

#include "core/panels/link_monitor_log.h"
#include "core/protocol/zum_exchange.h"
#include "core/util/mailbox.h"
#include "gui/main/dialog_seam.h"

class QCheckBox;
class QLabel;
class FindBar;
class LineStoreModel;
class MessageListView;
class QPushButton;
class QSpinBox;
class MailboxPump;

class TForm_LinkMonitor : public QDialog, public LinkLogSink {
    Q_OBJECT

public:
    // Lines from other threads come through `mailbox`. The window takes itself out of
    // `link`'s log when it goes. Both outlive the window.
    TForm_LinkMonitor(MailboxPump& mailbox, ZumLink& link, QWidget* parent = nullptr);
    ~TForm_LinkMonitor() override;

    // Any thread. On the window thread the line shows at once, after the lines posted
    // before it; from another thread it comes with the mailbox's next batch. While
    // the monitor is closed lines are dropped (its next showing would clear them).
    void AddIdLine(std::uint32_t id, const std::string& text) override;
    void AddLine(const std::string& text) override;

    // Shows every line posted so far.
    void FlushPending();

    const LinkMonitorLog& log() const { return log_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void InitConnections();

    void FormShow();
    void FormClose();
    void Button_ClearClick();
    void Button_PauseClick();
    void Button_SaveClick();
    void Button_ExitClick();
    void CheckBox_IDFilterClick();
    void CSpinEdit_IDFilterChange(int value);

    void ShowCounter();
    void ShowPosted(std::span<Letter> batch);

    MailboxPump& mailbox_;
    ZumLink& link_;
    MailboxReceiver lines_box_;
    std::atomic<bool> open_{false};
    LinkMonitorLog log_;
    QString save_folder_ = DefaultFileFolder();
    QString save_name_;

    MessageListView* Memo_Monitor = nullptr;
    LineStoreModel* model_ = nullptr;
    FindBar* find_bar_ = nullptr;
    QLabel* Label_LineCounter = nullptr;
    QCheckBox* CheckBox_IDFilter = nullptr;
    QSpinBox* CSpinEdit_IDFilter = nullptr;
    QPushButton* Button_Clear = nullptr;
    QPushButton* Button_Save = nullptr;
    QPushButton* Button_Pause = nullptr;
    QPushButton* Button_Exit = nullptr;
    QLabel* Label1 = nullptr;
};

// The link monitor window: one line per exchange of the device panels and per
// chunk of received bytes that held no reply, with ID filter, pause, clear and save.
#pragma once

#include <QDialog>
#include <QString>

#include "core/panels/link_monitor_log.h"
#include "core/protocol/zum_exchange.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class TForm_LinkMonitor : public QDialog, public LinkLogSink {
    Q_OBJECT

public:
    explicit TForm_LinkMonitor(QWidget* parent = nullptr);
    ~TForm_LinkMonitor() override;

    // Window thread (the exchanges of the panels); from another thread the line waits
    // for the next batch like AddLine's.
    void AddIdLine(std::uint32_t id, const std::string& text) override;
    // Any thread (the receive thread); shown with the next batch.
    void AddLine(const std::string& text) override;

    // Moves the waiting lines into the window; the batch timer calls it.
    void flushPending();

    const LinkMonitorLog& log() const { return log_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void initConnections();

    void FormShow();
    void FormClose();
    void Button_ClearClick();
    void Button_PauseClick();
    void Button_SaveClick();
    void Button_ExitClick();
    void CheckBox_IDFilterClick();
    void CSpinEdit_IDFilterChange(int value);

    void showCounter();

    LinkMonitorLog log_;
    QString saveFolder_;
    QString saveName_;

    QPlainTextEdit* Memo_Monitor = nullptr;
    QLabel* Label_LineCounter = nullptr;
    QCheckBox* CheckBox_IDFilter = nullptr;
    QSpinBox* CSpinEdit_IDFilter = nullptr;
    QPushButton* Button_Clear = nullptr;
    QPushButton* Button_Save = nullptr;
    QPushButton* Button_Pause = nullptr;
    QPushButton* Button_Exit = nullptr;
    QLabel* Label1 = nullptr;
    QTimer* batchTimer_ = nullptr;
};

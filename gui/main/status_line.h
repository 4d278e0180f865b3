// The main window's status line: the port and where it leads, its line settings, its
// state (the reason as tool tip) and the bytes counted both ways. It changes only when
// told to (with the display batches while data flows, or on an event), so it never
// wakes the program by itself.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <cstdint>
#include <functional>

class ConsoleSession;

// A label that answers a double-click.
class CountLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetDoubleClicked(std::function<void()> handler) { double_clicked_ = std::move(handler); }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<void()> double_clicked_;
};

class StatusLine : public QStatusBar {
public:
    explicit StatusLine(QWidget* parent);

    // A double-click on either count asks for both to be reset.
    void SetResetCounts(std::function<void()> reset);
    // `target` is what the port opens ("/dev/ttyUSB0").
    void Show(const ConsoleSession& session, const std::string& target);
    void ShowCounts(std::uint64_t received, std::uint64_t sent);

private:
    QLabel* port_ = nullptr;
    QLabel* settings_ = nullptr;
    QLabel* state_ = nullptr;
    CountLabel* rx_ = nullptr;
    CountLabel* tx_ = nullptr;
};

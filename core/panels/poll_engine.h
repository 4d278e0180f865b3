// The operate panel's decisions, for either family: the poll schedule, the
// pending-command ring, what runs before and after each exchange, the status
// evaluation, the redisplay and channel display rules, model and type changes and
// the detect counter. The window only shows what the engine tells its view.
//
// A step is begun (the step chosen, the DO state or set code changed) and later
// finished with the exchange's outcome (evaluation and display); between the two
// the step is in flight and no other step begins. The exchange itself runs
// elsewhere (a worker thread, a scripted exchange in tests).
//
// Threads: every member is called on one thread (the window's), except showing(),
// which any thread may read.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/panels/device_family.h"

enum class Lamp { kWindow, kGreen, kRed };

// What the engine shows. Channels are 0-based here; the window names them from 1.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void SetDetectTimer(bool running, int interval_ms) = 0; // Timer_DetectTime
    virtual void SetSystemTimer(bool running) = 0;                  // Timer_System
    virtual void ShowSettings(int detect_time_ms, bool force_display) = 0;
    virtual void ShowDetectStatus(const std::string& text) = 0; // Label_DetectStatus
    virtual void ShowDetectLamp(Lamp lamp) = 0;                 // Edit_DetectStatus
    virtual void ShowOnline(Lamp lamp) = 0;                     // Edit_Online
    virtual void ShowDetectCounter(int steps) = 0;
    virtual void ShowModel(int model) = 0;
    virtual void ShowId(int id) = 0;
    // Makes the group of that kind the one visible (kChannelNone hides all four).
    virtual void ShowGroup(int channel, ChannelKind kind) = 0;
    virtual void ShowDi(int channel, bool on) = 0;
    virtual void ShowDo(int channel, bool on) = 0;
    virtual void ShowAdType(int channel, int type, const std::string& unit) = 0;
    virtual void ShowAdReading(int channel, const std::string& raw, const std::string& value) = 0;
    virtual void ShowDaType(int channel, int type, const std::string& unit) = 0;
    virtual void ShowDaSetCode(int channel, int code) = 0;
    virtual void ShowDaReadBack(int channel, const std::string& raw, const std::string& value) = 0;
    virtual void ShowDaReadBackLamp(int channel, Lamp lamp) = 0;
};

// What the engine asks of the port besides exchanges.
class PanelPort {
public:
    virtual ~PanelPort() = default;
    virtual void Purge() = 0; // both queues of the port
    virtual void Flush() = 0; // the port and the reply FIFO (ZumLink::Flush)
};

// One value read from the device, in engineering units, for the trend.
struct PanelReading {
    std::int64_t ms = 0; // since the panel was shown
    int channel = 0;     // 0-based
    ChannelKind kind = kChannelAD;
    double value = 0.0;
    std::string unit;
};

class PollEngine {
public:
    using Clock = std::chrono::steady_clock;
    using ReadingSink = std::function<void(const PanelReading&)>;

    static constexpr int kDetectTimeMin = 1;
    static constexpr int kDetectTimeMax = 10000;
    static constexpr int kDetectTimeDefault = 100;
    static constexpr int kSetCodeMax = 4095;
    // The status text of a push onto a full pending-command ring.
    static constexpr const char* kQueueFullText = "Command Queue Full!";

    PollEngine(const DeviceFamily& family, PanelView& view, PanelPort& port);

    void SetReadingSink(ReadingSink sink) { reading_sink_ = std::move(sink); }

    // Main window: the ID and a copy of the record, except the DA set codes.
    void SetDevice(int id, std::int32_t model, std::span<const Rd24Channel> channels);
    bool showing() const { return showing_.load(std::memory_order_acquire); }

    // FormShow and FormClose.
    void Show();
    void Close();

    // A tick of Timer_DetectTime: the step to run now, with its before-exchange
    // changes made; nothing while a step is in flight or the model is None.
    std::optional<PollStep> BeginStep();
    // The in-flight step's exchange ended. A ticket that is not the current one
    // (the panel closed or showed again meanwhile) is dropped.
    void FinishStep(std::uint64_t ticket, const StepOutcome& outcome);
    bool step_in_flight() const { return in_flight_; }
    // Identifies the step BeginStep last handed out.
    std::uint64_t ticket() const { return ticket_; }

    void SystemTick(); // Timer_System

    // Handlers.
    void ChangeModel(std::string_view text);
    void ChangeId(int id);
    void ChangeDetectTime(int ms);
    void SetForceDisplay(bool on);
    void ChangeAdType(int channel, std::string_view text);
    void ChangeDaType(int channel, std::string_view text);
    void DaCodeEdited(int channel);
    void PressDaSet(int channel, int code);
    void PressDoToggle(int channel);

    // For the window and tests.
    const DeviceFamily& family() const { return family_; }
    std::int32_t model() const { return model_; }
    int id() const { return id_; }
    bool online() const { return online_; }
    int detect_time() const { return detect_time_; }
    bool force_display() const { return force_display_; }
    const Rd24Channel& channel(int n) const { return channels_[static_cast<std::size_t>(n)]; }
    const std::vector<PollStep>& schedule() const { return schedule_; }
    int pending() const { return pending_.size(); }

private:
    std::span<Rd24Channel> Channels() { return {channels_.data(), static_cast<std::size_t>(family_.channel_count)}; }
    void BuildSchedule();
    void Evaluate(ExchangeStatus status);
    void ShowOnlineLamp(Lamp lamp);
    void ApplyOnline(const PollStep& step, const StepOutcome& outcome);
    void ApplyDigital(std::uint8_t state);
    void ApplyAnalogInput(int n, std::int32_t raw, Clock::time_point at);
    void ApplyAnalogOutput(int n, std::int32_t raw, Clock::time_point at);
    void Redisplay();
    void DisplayChannel(int n, ChannelKind kind);
    void DisplayAdGroup(int n);
    void DisplayDaGroup(int n);
    void SetDaLamp(int n, Lamp lamp);
    void Queue(const PollStep& step);
    void Record(int n, ChannelKind kind, double value, const std::string& unit, Clock::time_point at);

    const DeviceFamily& family_;
    PanelView& view_;
    PanelPort& port_;
    ReadingSink reading_sink_;

    int id_ = 1;
    int detect_time_ = kDetectTimeDefault;
    bool force_display_ = false;
    std::int32_t model_ = 0;
    std::array<Rd24Channel, kPanelChannelMax> channels_{};
    // The group each channel shows now, and the colour of its read-back code.
    std::array<ChannelKind, kPanelChannelMax> shown_kind_{};
    std::array<Lamp, kPanelChannelMax> da_lamp_{};

    bool online_ = false;
    Lamp online_lamp_ = Lamp::kWindow;
    std::vector<PollStep> schedule_;
    std::size_t position_ = 0;
    int step_counter_ = 0;
    PendingSteps pending_;

    bool in_flight_ = false;
    PollStep flight_step_;
    std::uint64_t ticket_ = 0;
    Clock::time_point shown_at_{};
    std::atomic<bool> showing_{false};
};

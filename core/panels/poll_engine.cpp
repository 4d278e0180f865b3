#include "core/panels/poll_engine.h"

#include <algorithm>

#include "core/protocol/rd24_device_def.h"
#include "core/util/convert.h"

namespace {

constexpr int kValueDecimals = 3;

std::string valueText(double value) { return format_real(value, kValueDecimals); }

} // namespace

PollEngine::PollEngine(const DeviceFamily& family, PanelView& view, PanelPort& port)
    : family_(family), view_(view), port_(port) {
    family_.clear_device(Channels());
}

void PollEngine::SetDevice(int id, std::int32_t model, std::span<const Rd24Channel> channels) {
    id_ = std::clamp(id, 0, 255);
    model_ = model;
    device_def::copyChannels(Channels(), channels);
}

void PollEngine::Show() {
    detect_time_ = kDetectTimeDefault;
    force_display_ = false;
    online_ = false;
    position_ = 0;
    step_counter_ = 0;
    pending_.Clear();
    // A step still running from an earlier showing belongs to that showing.
    in_flight_ = false;
    ++ticket_;
    port_.Purge();
    view_.ShowSettings(detect_time_, force_display_);
    ShowOnlineLamp(Lamp::kWindow);
    BuildSchedule();
    Redisplay();
    view_.SetDetectTimer(true, detect_time_);
    view_.ShowDetectStatus({});
    view_.ShowDetectLamp(Lamp::kWindow);
    view_.SetSystemTimer(false);
    shown_at_ = Clock::now();
    showing_.store(true, std::memory_order_release);
}

void PollEngine::Close() {
    view_.SetDetectTimer(false, detect_time_);
    view_.SetSystemTimer(false);
    if (family_.close_clears_status) view_.ShowDetectStatus({});
    model_ = 0;
    family_.clear_device(Channels());
    in_flight_ = false;
    ++ticket_;
    showing_.store(false, std::memory_order_release);
}

void PollEngine::BuildSchedule() {
    schedule_.clear();
    const int n = family_.channel_count;
    auto step = [](StepKind kind, int channel) {
        PollStep s;
        s.kind = kind;
        s.channel = static_cast<std::uint8_t>(channel);
        return s;
    };
    bool digital = false;
    for (int c = 0; c < n; ++c) {
        const ChannelKind kind = channels_[static_cast<std::size_t>(c)].kind;
        if (kind == kChannelNone) schedule_.push_back(step(StepKind::kCheck, 0));
        if (kind == kChannelDI || kind == kChannelDO) digital = true;
    }
    if (digital) schedule_.push_back(step(StepKind::kReadDigital, 0));
    for (int c = 0; c < n; ++c)
        if (channels_[static_cast<std::size_t>(c)].kind == kChannelAD) schedule_.push_back(step(StepKind::kReadAnalogInput, c));
    for (int c = 0; c < n; ++c)
        if (channels_[static_cast<std::size_t>(c)].kind == kChannelDA) schedule_.push_back(step(StepKind::kReadAnalogOutput, c));
    if (position_ >= schedule_.size()) position_ = 0;
}

std::optional<PollStep> PollEngine::BeginStep() {
    if (in_flight_ || model_ == 0) return std::nullopt;
    PollStep step;
    if (!pending_.Pop(step)) {
        if (schedule_.empty()) return std::nullopt;
        step = schedule_[position_];
        step.id = static_cast<std::uint8_t>(id_);
        position_ = position_ + 1 >= schedule_.size() ? 0 : position_ + 1;
    }
    // What changes before the exchange, whatever its outcome.
    Rd24Channel& c = channels_[step.channel % kPanelChannelMax];
    if (step.kind == StepKind::kToggleDigitalOutput) {
        c.doState = c.doState == 0 ? 1 : 0;
        step.value = c.doState;
    } else if (step.kind == StepKind::kWriteAnalogOutput) {
        c.daSetCode = step.value;
    }
    in_flight_ = true;
    flight_step_ = step;
    ++ticket_;
    return step;
}

void PollEngine::FinishStep(std::uint64_t ticket, const StepOutcome& outcome) {
    if (!in_flight_ || ticket != ticket_) return;
    in_flight_ = false;
    Evaluate(outcome.status);
    if (online_) ApplyOnline(flight_step_, outcome);
    ++step_counter_;
}

void PollEngine::Evaluate(ExchangeStatus status) {
    view_.ShowDetectStatus(exchangeStatusText(status));
    view_.ShowDetectLamp(status == kExchangeSuccess ? Lamp::kGreen : Lamp::kRed);
    // A refused write never reached the device (the port is gone, an adapter was
    // pulled): that is as offline as a device that does not answer.
    const bool online = status != kExchangeTimeout && status != kExchangeWriteFault;
    if (!online) {
        position_ = 0;
        port_.Flush();
    }
    if (online == online_) {
        // A device that never answered is offline, not unknown.
        if (!online && online_lamp_ == Lamp::kWindow) ShowOnlineLamp(Lamp::kRed);
        return;
    }
    ShowOnlineLamp(online ? Lamp::kGreen : Lamp::kRed);
    online_ = online;
    Redisplay();
}

void PollEngine::ShowOnlineLamp(Lamp lamp) {
    online_lamp_ = lamp;
    view_.ShowOnline(lamp);
}

void PollEngine::ApplyOnline(const PollStep& step, const StepOutcome& outcome) {
    const int n = step.channel;
    const bool has_value = outcome.status == kExchangeSuccess;
    switch (step.kind) {
    case StepKind::kCheck:
    case StepKind::kWriteAnalogOutput: break;
    case StepKind::kReadDigital:
        if (has_value) ApplyDigital(static_cast<std::uint8_t>(outcome.value));
        break;
    case StepKind::kToggleDigitalOutput:
        if (shown_kind_[static_cast<std::size_t>(n)] == kChannelDO) view_.ShowDo(n, channel(n).doState != 0);
        break;
    case StepKind::kReadAnalogInput:
        if (has_value) ApplyAnalogInput(n, outcome.value, outcome.finished);
        break;
    case StepKind::kReadAnalogOutput:
        if (has_value) ApplyAnalogOutput(n, outcome.value, outcome.finished);
        break;
    }
}

void PollEngine::ApplyDigital(std::uint8_t state) {
    for (int n = 0; n < family_.channel_count; ++n) {
        Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
        const std::int32_t bit = (state >> n) & 1;
        const bool shown = shown_kind_[static_cast<std::size_t>(n)] == c.kind;
        if (c.kind == kChannelDI && bit != c.diState) {
            c.diState = bit;
            if (shown) view_.ShowDi(n, bit != 0);
        } else if (c.kind == kChannelDO && bit != c.doState) {
            c.doState = bit;
            if (shown) view_.ShowDo(n, bit != 0);
        }
    }
}

// A reading for a channel whose kind changed while its step was in flight (a model
// change) no longer belongs to it.
void PollEngine::ApplyAnalogInput(int n, std::int32_t raw, Clock::time_point at) {
    Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
    if (c.kind != kChannelAD) return;
    Rd24Channel reading = c;
    reading.adRaw = raw;
    family_.ad_convert(reading);
    Record(n, kChannelAD, reading.adValue, rd24AdUnit(c.adType), at);
    if (raw == c.adRaw) return;
    c.adRaw = raw;
    c.adValue = reading.adValue;
    if (shown_kind_[static_cast<std::size_t>(n)] == kChannelAD)
        view_.ShowAdReading(n, std::to_string(c.adRaw), valueText(c.adValue));
}

void PollEngine::ApplyAnalogOutput(int n, std::int32_t raw, Clock::time_point at) {
    Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
    if (c.kind != kChannelDA) return;
    Rd24Channel reading = c;
    reading.daRaw = raw;
    family_.da_convert(reading);
    Record(n, kChannelDA, reading.daValue, rd24DaUnit(c.daType), at);
    if (raw == c.daRaw) return;
    c.daRaw = raw;
    c.daValue = reading.daValue;
    if (shown_kind_[static_cast<std::size_t>(n)] != kChannelDA) return;
    view_.ShowDaReadBack(n, std::to_string(c.daRaw), valueText(c.daValue));
    SetDaLamp(n, c.daRaw == c.daSetCode ? Lamp::kGreen : Lamp::kRed);
}

void PollEngine::Record(int n, ChannelKind kind, double value, const std::string& unit, Clock::time_point at) {
    if (!reading_sink_) return;
    PanelReading reading;
    const Clock::time_point when = at == Clock::time_point{} ? Clock::now() : at;
    reading.ms = std::chrono::duration_cast<std::chrono::milliseconds>(when - shown_at_).count();
    reading.channel = n;
    reading.kind = kind;
    reading.value = value;
    reading.unit = unit;
    reading_sink_(reading);
}

void PollEngine::Redisplay() {
    view_.ShowModel(model_);
    view_.ShowId(id_);
    const bool show = online_ || force_display_;
    for (int n = 0; n < family_.channel_count; ++n)
        DisplayChannel(n, show ? channels_[static_cast<std::size_t>(n)].kind : kChannelNone);
}

// Every group's values start from zero, shown or hidden, so that the next reading
// that differs from zero shows the device's value; hiding all groups (offline)
// leaves the record alone.
void PollEngine::DisplayChannel(int n, ChannelKind kind) {
    shown_kind_[static_cast<std::size_t>(n)] = kind;
    view_.ShowGroup(n, kind);
    if (kind == kChannelNone) return;
    Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
    c.diState = 0;
    c.doState = 0;
    c.adRaw = 0;
    c.adValue = 0.0;
    c.daRaw = 0;
    c.daValue = 0.0;
    if (family_.display_zeroes_set_code) c.daSetCode = 0;
    switch (kind) {
    case kChannelDI: view_.ShowDi(n, false); break;
    case kChannelDO: view_.ShowDo(n, false); break;
    case kChannelAD: DisplayAdGroup(n); break;
    case kChannelDA: DisplayDaGroup(n); break;
    case kChannelNone: break;
    }
}

void PollEngine::DisplayAdGroup(int n) {
    const Rd24Channel& c = channel(n);
    view_.ShowAdType(n, c.adType, rd24AdUnit(c.adType));
    view_.ShowAdReading(n, "0", "0");
}

void PollEngine::DisplayDaGroup(int n) {
    const Rd24Channel& c = channel(n);
    view_.ShowDaType(n, c.daType, rd24DaUnit(c.daType));
    view_.ShowDaSetCode(n, c.daSetCode);
    view_.ShowDaReadBack(n, "0", "0");
    da_lamp_[static_cast<std::size_t>(n)] = Lamp::kWindow;
    view_.ShowDaReadBackLamp(n, Lamp::kWindow);
    PollStep write;
    write.id = static_cast<std::uint8_t>(id_);
    write.kind = StepKind::kWriteAnalogOutput;
    write.channel = static_cast<std::uint8_t>(n);
    write.value = c.daSetCode;
    Queue(write);
}

void PollEngine::SetDaLamp(int n, Lamp lamp) {
    da_lamp_[static_cast<std::size_t>(n)] = lamp;
    view_.ShowDaReadBackLamp(n, lamp);
}

void PollEngine::Queue(const PollStep& step) {
    if (pending_.Push(step)) return;
    view_.ShowDetectStatus(kQueueFullText);
    view_.ShowDetectLamp(Lamp::kRed);
}

void PollEngine::SystemTick() {
    view_.ShowDetectCounter(step_counter_);
    step_counter_ = 0;
}

void PollEngine::ChangeModel(std::string_view text) {
    view_.SetSystemTimer(false);
    view_.ShowDetectStatus({});
    view_.ShowDetectLamp(Lamp::kWindow);
    const std::int32_t model = family_.model_index(text);
    if (model != model_) {
        model_ = model;
        family_.apply_model(model_, Channels());
        BuildSchedule();
        Redisplay();
        port_.Flush();
    }
    view_.SetSystemTimer(true);
}

void PollEngine::ChangeId(int id) { id_ = std::clamp(id, 0, 255); }

void PollEngine::ChangeDetectTime(int ms) {
    view_.SetDetectTimer(false, detect_time_);
    view_.ShowDetectStatus({});
    view_.ShowDetectLamp(Lamp::kWindow);
    detect_time_ = std::clamp(ms, kDetectTimeMin, kDetectTimeMax);
    view_.SetDetectTimer(true, detect_time_);
}

void PollEngine::SetForceDisplay(bool on) {
    force_display_ = on;
    Redisplay();
}

void PollEngine::ChangeAdType(int n, std::string_view text) {
    if (n < 0 || n >= family_.channel_count) return;
    Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
    const std::int32_t type = rd24AdTypeIndex(text);
    if (type == c.adType) return;
    c.adType = type;
    c.adRaw = 0;
    c.adValue = 0.0;
    if (shown_kind_[static_cast<std::size_t>(n)] == kChannelAD) DisplayAdGroup(n);
}

void PollEngine::ChangeDaType(int n, std::string_view text) {
    if (n < 0 || n >= family_.channel_count) return;
    Rd24Channel& c = channels_[static_cast<std::size_t>(n)];
    const std::int32_t type = rd24DaTypeIndex(text);
    if (type == c.daType) return;
    c.daType = type;
    c.daRaw = 0;
    c.daValue = 0.0;
    if (shown_kind_[static_cast<std::size_t>(n)] != kChannelDA) return;
    if (family_.display_zeroes_set_code) c.daSetCode = 0;
    DisplayDaGroup(n);
}

void PollEngine::DaCodeEdited(int n) {
    if (n < 0 || n >= family_.channel_count) return;
    if (da_lamp_[static_cast<std::size_t>(n)] != Lamp::kWindow) SetDaLamp(n, Lamp::kWindow);
}

void PollEngine::PressDaSet(int n, int code) {
    if (n < 0 || n >= family_.channel_count) return;
    PollStep step;
    step.id = static_cast<std::uint8_t>(id_);
    step.kind = StepKind::kWriteAnalogOutput;
    step.channel = static_cast<std::uint8_t>(n);
    step.value = std::clamp(code, 0, kSetCodeMax);
    Queue(step);
}

void PollEngine::PressDoToggle(int n) {
    if (n < 0 || n >= family_.channel_count) return;
    PollStep step;
    step.id = static_cast<std::uint8_t>(id_);
    step.kind = StepKind::kToggleDigitalOutput;
    step.channel = static_cast<std::uint8_t>(n);
    Queue(step);
}

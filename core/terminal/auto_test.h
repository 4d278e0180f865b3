// The loop-back test: what each tick sends, and the three counters that the
// window thread (sends) and the receive thread (returned lines) both advance.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class Port;

// Every sent line starts with this, whatever keyword the recorder uses.
inline constexpr const char* kAutoTestLead = "#";

struct AutoTestCounters {
    int sending = 0;
    int receive = 0;
    int verify_fault = 0;

    bool operator==(const AutoTestCounters&) const = default;
};

class AutoTest {
public:
    // Told every change of the counters, in order, on the thread that made it.
    using CountersSink = std::function<void(const AutoTestCounters&)>;

    // Sends on `port`, which outlives the test.
    AutoTest(Port& port, CountersSink sink) : port_(port), sink_(std::move(sink)) {}

    // A copy of the command edit's text, kept in step on every edit.
    void SetCommand(std::string text);
    std::string command() const;

    // Whether the test's timer is switched on (a rate of 0 is on but never ticks).
    void SetRunning(bool running) { running_.store(running); }
    bool running() const { return running_.load(); }

    // All three counters to 0.
    void Reset();
    // One tick: sends "#" + command. Returns the message-list line for a malformed
    // command or a refused write; a send that went out only counts.
    std::optional<std::string> Send();
    // A line the recorder took while the test runs: counts it, and counts a verify
    // fault when its text differs from the command.
    void Received(const std::string& text);

    AutoTestCounters counters() const;

private:
    Port& port_;
    mutable std::mutex mutex_;
    std::string command_;
    AutoTestCounters counters_;
    std::atomic<bool> running_{false};
    CountersSink sink_;
};

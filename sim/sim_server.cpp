#include "sim/sim_server.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/protocol/zum_codec.h"
#include "core/serial/backend/termios2_rate.h"

namespace {

using std::chrono::milliseconds;

// A UART frames bytes correctly while the two rates differ by up to about 5%.
constexpr std::int64_t kRateTolerancePercent = 5;
// What may wait for a reader that does not read (nobody has the port open):
// noise, stream and echo bytes beyond this are dropped.
constexpr std::size_t kOutgoingMax = 64 * 1024;
// A terminal whose input nobody reads takes no more bytes; a master may report
// itself writable while it is not, so a full terminal is retried on a timer.
constexpr milliseconds kBlockedRetry{20};
// One read of the master; a request is far shorter.
constexpr std::size_t kReadChunk = 4096;
// Reads per wake-up, so that a flood cannot hold the stop signal off.
constexpr int kReadsPerWake = 16;
// A noise burst: 3 to 8 bytes of text without "%" or 0x00, so it is never a frame.
constexpr int kNoiseMin = 3;
constexpr int kNoiseMax = 8;
constexpr std::string_view kNoiseBytes = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#*+-~!?";

// A ZUM frame carries between two and seven numbers.
constexpr int kMinNumbers = 2;
constexpr int kMaxNumbers = 7;

} // namespace

bool simRatesMatch(std::uint32_t line_rate, std::uint32_t device_rate) {
    if (line_rate == 0 || device_rate == 0) return true;
    const std::int64_t diff = std::llabs(static_cast<std::int64_t>(line_rate) - static_cast<std::int64_t>(device_rate));
    return diff * 100 <= kRateTolerancePercent * static_cast<std::int64_t>(device_rate);
}

SimServer::SimServer(SimNetwork& network, const SimServeSettings& settings, int master, int slave,
                     std::ostream* log)
    : network_(network), settings_(settings), master_(master), slave_(slave), log_(log), start_(Clock::now()),
      drop_random_(settings.seed), noise_random_(settings.seed ^ 0x5EEDu) {
    next_noise_ = start_ + milliseconds(settings_.noise_ms);
    next_stream_ = start_ + milliseconds(settings_.every_ms);
}

void SimServer::LogLine(const std::string& text) {
    if (log_ == nullptr) return;
    *log_ << text << '\n';
    log_->flush();
}

bool SimServer::run(int stopFd) {
    while (true) {
        const Clock::time_point before = Clock::now();
        const int watch_fd = watch_ != nullptr ? watch_->fd() : -1;
        pollfd fds[3] = {{stopFd, POLLIN, 0}, {master_, POLLIN, 0}, {watch_fd, POLLIN, 0}};
        const int ready = ::poll(fds, 3, PollTimeout(before));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (fds[0].revents != 0) return true;
        if (fds[2].revents != 0) watch_->closed();
        if (fds[1].revents & POLLIN) {
            std::uint8_t buffer[kReadChunk];
            for (int i = 0; i < kReadsPerWake; ++i) {
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    heard(buffer, static_cast<std::size_t>(n), now);
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
                return false;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The simulator holds a slave open itself, so this is no mere unplug.
            return false;
        }

        if (settings_.noise_ms > 0 && now >= next_noise_) {
            schedule({now, noise(), true});
            next_noise_ = std::max(next_noise_ + milliseconds(settings_.noise_ms), now);
        }
        if (!settings_.stream.empty() && now >= next_stream_) {
            schedule({now, settings_.stream, true});
            next_stream_ = std::max(next_stream_ + milliseconds(settings_.every_ms), now);
        }
        if (!flush(now)) return false;
    }
}

int SimServer::PollTimeout(Clock::time_point now) const {
    Clock::time_point next = Clock::time_point::max();
    if (!outgoing_.empty()) next = std::max(outgoing_.front().due, retry_at_);
    if (settings_.noise_ms > 0) next = std::min(next, next_noise_);
    if (!settings_.stream.empty()) next = std::min(next, next_stream_);
    if (next == Clock::time_point::max()) return -1;
    if (next <= now) return 0;
    // Rounded up, so that the wake-up never comes before the event.
    const auto wait = std::chrono::ceil<milliseconds>(next - now).count();
    return static_cast<int>(std::min<std::int64_t>(wait, 60000));
}

void SimServer::heard(const std::uint8_t* bytes, std::size_t count, Clock::time_point now) {
    if (settings_.echo || settings_.adapter_echo)
        schedule({now, std::vector<std::uint8_t>(bytes, bytes + count), true});
    if (settings_.echo) return;
    std::vector<std::vector<std::uint8_t>> frames;
    framer_.feed(bytes, count, frames);
    for (const auto& frame : frames) request(frame, now);
}

void SimServer::request(const std::vector<std::uint8_t>& frame, Clock::time_point now) {
    QlpCommand command;
    const int numbers = zumNumberCount(frame);
    if (numbers < kMinNumbers || numbers > kMaxNumbers || !qlpDecodeText(frame.data(), frame.size(), command)) {
        LogLine("ignored: not a request");
        return;
    }
    const std::string text = qlpCommandText(command);
    LogLine("request " + text);
    const std::uint32_t line_rate = serial_read_rate(slave_);
    const std::uint32_t device_rate = static_cast<std::uint32_t>(network_.port_device().baud_rate());
    if (!simRatesMatch(line_rate, device_rate)) {
        LogLine("ignored: line at " + std::to_string(line_rate) + " baud, device at " + std::to_string(device_rate));
        return;
    }
    if (settings_.drop_percent > 0) {
        std::uniform_int_distribution<int> percent(0, 99);
        if (percent(drop_random_) < settings_.drop_percent) {
            LogLine("dropped");
            return;
        }
    }
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::optional<SimAnswer> answer = network_.answer(command, seconds);
    if (!answer) {
        LogLine("no answer: no device with ID " + std::to_string(command.id));
        return;
    }
    LogLine("reply   " + qlpCommandText(answer->reply));
    std::vector<std::uint8_t> bytes = qlpEncodeText(answer->reply);
    const Clock::time_point due = now + milliseconds(settings_.delay_ms);
    if (settings_.split_ms > 0 && bytes.size() > 1) {
        const auto half = static_cast<std::ptrdiff_t>(bytes.size() / 2);
        schedule({due, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + half), false});
        schedule({due + milliseconds(settings_.split_ms), std::vector<std::uint8_t>(bytes.begin() + half, bytes.end()),
                  false});
    } else {
        schedule({due, std::move(bytes), false});
    }
}

void SimServer::schedule(Outgoing item) {
    // Replies are never dropped; what nobody reads is, once too much waits.
    if (item.droppable && outgoing_bytes_ + item.bytes.size() > kOutgoingMax) return;
    // One line, one writer: everything goes out in the order it was made, so a
    // reply is never interleaved with another or cut by noise, even when split.
    if (!outgoing_.empty()) item.due = std::max(item.due, outgoing_.back().due);
    outgoing_bytes_ += item.bytes.size();
    outgoing_.push_back(std::move(item));
}

bool SimServer::flush(Clock::time_point now) {
    if (now < retry_at_) return true;
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        Outgoing& head = outgoing_.front();
        const ssize_t n = ::write(master_, head.bytes.data(), head.bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                retry_at_ = now + kBlockedRetry;
                break;
            }
            return false;
        }
        outgoing_bytes_ -= static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < head.bytes.size()) {
            head.bytes.erase(head.bytes.begin(), head.bytes.begin() + n);
            retry_at_ = now + kBlockedRetry;
            break;
        }
        outgoing_.pop_front();
    }
    return true;
}

std::vector<std::uint8_t> SimServer::noise() {
    std::uniform_int_distribution<int> length(kNoiseMin, kNoiseMax);
    std::uniform_int_distribution<std::size_t> pick(0, kNoiseBytes.size() - 1);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length(noise_random_)));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(kNoiseBytes[pick(noise_random_)]);
    return bytes;
}

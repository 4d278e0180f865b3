#include "core/serial/comport.h"

#include <pthread.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/serial/comport_posix.h"

namespace {

// Configure and close take the lock exclusively; sends, purges and the receive
// thread's reads share it. Writers are preferred so that a reader that keeps
// polling can never hold a configure off.
class PortLock {
public:
    PortLock() {
        pthread_rwlockattr_t attr;
        pthread_rwlockattr_init(&attr);
        pthread_rwlockattr_setkind_np(&attr, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
        pthread_rwlock_init(&lock_, &attr);
        pthread_rwlockattr_destroy(&attr);
    }
    ~PortLock() { pthread_rwlock_destroy(&lock_); }
    void lock() { pthread_rwlock_wrlock(&lock_); }
    void unlock() { pthread_rwlock_unlock(&lock_); }
    void lock_shared() { pthread_rwlock_rdlock(&lock_); }
    void unlock_shared() { pthread_rwlock_unlock(&lock_); }

private:
    pthread_rwlock_t lock_;
};

struct Exclusive {
    explicit Exclusive(PortLock& l) : lock(l) { lock.lock(); }
    ~Exclusive() { lock.unlock(); }
    PortLock& lock;
};

struct Shared {
    explicit Shared(PortLock& l) : lock(l) { lock.lock_shared(); }
    ~Shared() { lock.unlock_shared(); }
    PortLock& lock;
};

struct ComportState {
    ComportSetting current;
    ComportSetting reported;
    int fd = -1;
};

PortLock g_lock;
ComportState g_state;                       // guarded by g_lock
std::atomic<std::uint32_t> g_last_error{0};
std::atomic<bool> g_faulted{false};         // the open port failed while receiving
std::atomic<int> g_fault_report{0};         // errno of that failure, until taken
thread_local int t_status = kComportSuccess; // each thread reads the status of its own calls

constexpr std::int32_t kBaudRates[] = {9600, 19200, 38400, 57600, 115200};
constexpr const char* kParityNames[] = {"None", "Odd", "Even", "Mark", "Space"};
constexpr const char* kStopbitNames[] = {"1", "1.5", "2"};
constexpr int kDatabits[] = {4, 5, 6, 7, 8};

// A write may take as long as its bytes need at the programmed rate, plus this margin.
constexpr int kWriteMarginMs = 2000;

void set_status(int status) {
    t_status = status;
}

ComportSetting defaults() {
    ComportSetting s;
    comport_default_setting(s);
    s.fixrate = 0;
    return s;
}

int close_port_locked() {
    if (g_state.fd < 0) return kComportInvalidHandle;
    posix_close_port(g_state.fd);
    g_state.fd = -1;
    g_state.current = defaults();
    return kComportSuccess;
}

int open_port_locked(const ComportSetting& s) {
    g_state.current = defaults();
    close_port_locked();
    if (s.port == 0) return kComportNoneSetup;
    std::string path = comport_device_path(s.port);
    LineSettings line;
    line.rate = static_cast<std::uint32_t>(comport_programmed_rate(s.baudrate, s.fixrate));
    line.databits = s.databits;
    line.parity = s.parity;
    line.stopbits = s.stopbits;
    int fd = -1;
    int err = 0;
    int status = posix_open_port(path.c_str(), line, fd, err);
    if (status != kComportSuccess) {
        g_last_error = static_cast<std::uint32_t>(err);
        return status;
    }
    g_state.fd = fd;
    g_faulted = false;
    g_fault_report = 0;
    g_state.current = s;
    return kComportSuccess;
}

void record_fault(int err) {
    if (!g_faulted.exchange(true)) {
        g_last_error = static_cast<std::uint32_t>(err);
        g_fault_report = err;
    }
}

bool purge(int which) {
    Shared guard(g_lock);
    posix_purge(g_state.fd, which);
    return true;
}

int bits_per_char(const ComportSetting& s) {
    return 1 + s.databits + (s.parity != 0 ? 1 : 0) + (s.stopbits != 0 ? 2 : 1);
}

bool seven_bit_parity(const ComportSetting& s) {
    return s.databits == 7 && (s.parity == 1 || s.parity == 2);
}

} // namespace

void comport_default_setting(ComportSetting& s) {
    s.port = 0;
    s.baudrate = 115200;
    s.parity = 0;
    s.stopbits = 0;
    s.databits = 8;
}

void comport_copy_setting(ComportSetting& dst, const ComportSetting& src) {
    dst = src;
}

bool comport_initialize(ComportSetting& setting) {
    set_status(kComportSuccess);
    comport_default_setting(setting);
    return comport_configure(setting);
}

bool comport_configure(const ComportSetting& setting) {
    Exclusive guard(g_lock);
    int status = open_port_locked(setting);
    set_status(status);
    if (status == kComportSuccess) {
        g_state.reported = g_state.current;
        return true;
    }
    return status == kComportNoneSetup;
}

bool comport_close(const ComportSetting& setting) {
    Exclusive guard(g_lock);
    if (setting.port != g_state.reported.port) {
        set_status(kComportSetError);
        return false;
    }
    int status = close_port_locked();
    set_status(status);
    if (status != kComportSuccess) return false;
    g_state.reported = g_state.current;
    return true;
}

void comport_get_setting(ComportSetting& setting) {
    Shared guard(g_lock);
    setting = g_state.current;
}

bool comport_is_open() {
    Shared guard(g_lock);
    return g_state.fd >= 0;
}

int comport_status() {
    return t_status;
}

std::string comport_status_text_of(int status) {
    switch (status) {
    case kComportSuccess: return "";
    case kComportFunctionDisable: return "Function Disable!";
    case kComportInvalidHandle: return "Invalid Handle Value!";
    case kComportGetError: return "Get Com Error!";
    case kComportSetError: return "Set Com Error!";
    case kComportNoneSetup: return "None Com Setup.";
    case kComportSendError: return "Send String Error!";
    case kComportSendEmpty: return "Send Empty String";
    case kComportReceiveError: return "Receive String Error!";
    case kComportReceiveEmpty: return "Receive Empty String";
    case kComportTimeOut: return "Time Out!";
    case kComportExceedBuffer: return "Exceed MAX Buffer Size!";
    case kComportLineChange: return "'\n' Line Change Make.";
    default: return "";
    }
}

std::string comport_status_text() {
    return comport_status_text_of(t_status);
}

std::uint32_t comport_last_error() {
    return g_last_error;
}

bool comport_send_string(std::uint8_t* bytes, std::int32_t length) {
    if (length < 0) {
        set_status(kComportSendError);
        return false;
    }
    if (length == 0) {
        set_status(kComportSendEmpty);
        return false;
    }
    Shared guard(g_lock);
    const ComportSetting& cur = g_state.current;
    if (cur.databits == 7 && cur.parity == 1) paritycheck_7bits_odd(bytes, length);
    if (cur.databits == 7 && cur.parity == 2) paritycheck_7bits_even(bytes, length);
    if (g_state.fd < 0 || cur.port == 0) {
        set_status(kComportNoneSetup);
        return false;
    }
    // Earlier bytes still queued and input not yet read are kept: a send purges nothing.
    std::int64_t rate = std::max<std::int32_t>(1, comport_programmed_rate(cur.baudrate, cur.fixrate));
    int limit = static_cast<int>(std::int64_t(length) * bits_per_char(cur) * 1000 / rate) + kWriteMarginMs;
    int err = 0;
    if (!posix_write_all(g_state.fd, bytes, length, limit, err)) {
        g_last_error = static_cast<std::uint32_t>(err);
        set_status(kComportSendError);
        return false;
    }
    set_status(kComportSuccess);
    return true;
}

std::int32_t comport_receive_string(std::uint8_t* buffer, std::int32_t wait) {
    Shared guard(g_lock);
    int fd = g_state.fd;
    if (fd < 0 || g_faulted) return 0;
    std::int32_t count = 0;
    std::int32_t countdown = 0;
    while (true) {
        int n = 0;
        int err = 0;
        IoResult r = posix_read(fd, buffer + count, kComportReceiveMax - count, n, err);
        if (r == IoResult::kData) {
            count += n;
            if (count >= kComportReceiveMax) break;
            countdown = wait;
            continue;
        }
        if (r == IoResult::kFault) {
            record_fault(err);
            break;
        }
        if (countdown <= 0) break;
        if (posix_wait_input(fd, 1, err) == IoResult::kFault) {
            record_fault(err);
            break;
        }
        --countdown;
    }
    if (count > 0 && seven_bit_parity(g_state.current)) paritycheck_7bits_strip(buffer, count);
    return count;
}

void comport_wait_readable(int timeout_ms) {
    {
        Shared guard(g_lock);
        if (g_state.fd >= 0 && !g_faulted) {
            int err = 0;
            if (posix_wait_input(g_state.fd, timeout_ms, err) == IoResult::kFault) record_fault(err);
            return;
        }
    }
    delayTicks(static_cast<std::uint32_t>(timeout_ms));
}

int comport_take_receive_fault() {
    return g_fault_report.exchange(0);
}

bool comport_purge() {
    return purge(kPurgeInput | kPurgeOutput);
}

bool comport_clear_transfer() {
    return purge(kPurgeOutput);
}

bool comport_clear_receive() {
    return purge(kPurgeInput);
}

bool comport_stop_transfer() {
    // Writes complete inside the send call; what can still be aborted is output
    // the line has not sent yet.
    return purge(kPurgeOutput);
}

bool comport_stop_receive() {
    // Reads never wait for bytes that have not arrived, so no read is ever pending.
    return true;
}

bool comport_abort_all() {
    return purge(kPurgeOutput);
}

void delayTicks(std::uint32_t n) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(n);
    while (true) {
        auto now = Clock::now();
        if (now > end) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(1)));
    }
}

std::string comport_ports_folder() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = ".config";
    }
    return base + "/benchlink/ports";
}

std::string comport_device_path(int port) {
    std::string link = comport_ports_folder() + "/com" + std::to_string(port);
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) return link;
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::string comport_port_name(int port) {
    return port == 0 ? "None" : "COM" + std::to_string(port);
}

std::string comport_baudrate_name(int index) {
    return std::to_string(comport_baudrate_of_index(index));
}

std::string comport_parity_name(int parity) {
    return parity >= 0 && parity < 5 ? kParityNames[parity] : "";
}

std::string comport_stopbit_name(int stopbits) {
    return stopbits >= 0 && stopbits < 3 ? kStopbitNames[stopbits] : "";
}

std::string comport_databit_name(int index) {
    return std::to_string(comport_databits_of_index(index));
}

int comport_port_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i <= 15; ++i) names.push_back(comport_port_name(i));
    return 16;
}

int comport_baudrate_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i < 5; ++i) names.push_back(comport_baudrate_name(i));
    return 5;
}

int comport_parity_names(std::vector<std::string>& names) {
    names.assign(std::begin(kParityNames), std::end(kParityNames));
    return 5;
}

int comport_stopbit_names(std::vector<std::string>& names) {
    names.assign(std::begin(kStopbitNames), std::end(kStopbitNames));
    return 3;
}

int comport_databit_names(std::vector<std::string>& names) {
    names.clear();
    for (int i = 0; i < 5; ++i) names.push_back(comport_databit_name(i));
    return 5;
}

int comport_baudrate_index(std::int32_t baudrate) {
    for (int i = 0; i < 5; ++i)
        if (kBaudRates[i] == baudrate) return i;
    return -1;
}

std::int32_t comport_baudrate_of_index(int index) {
    return index >= 0 && index < 5 ? kBaudRates[index] : 0;
}

int comport_databit_index(int databits) {
    for (int i = 0; i < 5; ++i)
        if (kDatabits[i] == databits) return i;
    return -1;
}

int comport_databits_of_index(int index) {
    return index >= 0 && index < 5 ? kDatabits[index] : 0;
}

std::int32_t comport_baudrate_of_code(int code) {
    for (std::int32_t rate : kBaudRates)
        if (rate / 100 == code) return rate;
    return 0;
}

std::int32_t comport_programmed_rate(std::int32_t baudrate, std::int32_t fixrate) {
    return baudrate * (fixrate + 100) / 100;
}

namespace {
int ones_in_low7(std::uint8_t b) {
    return __builtin_popcount(b & 0x7F);
}
} // namespace

void paritycheck_7bits_even(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i)
        if (ones_in_low7(bytes[i]) % 2 == 1) bytes[i] |= 0x80;
}

void paritycheck_7bits_odd(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i)
        if (ones_in_low7(bytes[i]) % 2 == 0) bytes[i] |= 0x80;
}

void paritycheck_7bits_strip(std::uint8_t* bytes, std::int32_t length) {
    for (std::int32_t i = 0; i < length; ++i) bytes[i] &= 0x7F;
}

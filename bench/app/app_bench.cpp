// The program as a user runs it, measured from outside: build/gui/benchlink started
// on the offscreen platform with COM1 linked to a pseudo-terminal, driven through its
// controls by object name (app_driver.cpp, loaded with LD_PRELOAD), its CPU time and
// thread switches read from /proc/<pid>/task/*. Lines are 40 printable bytes + CR LF
// (the first 8 the line's number), written at the far end of the pseudo-terminal,
// which is set to 115200 8N1 by the program.
//
// Each run is a fresh process and goes through, in order:
//   idle, no port       nothing configured, nothing arriving
//   idle, receiving     COM1 configured (which starts receiving), nothing arriving
//   100 lines/s         CPU, thread switches, far end to row in the list (p50, p99)
//   memory              "Clear List", then 500,000 lines at 40,000 lines/s: resident
//                       memory per kept line
//   20,000 lines/s      for 10 s: every line in the list, in order; CPU
//   far end closed      CPU and wake-ups over the 10 s after the far end closes
// then bench_panels runs as often (the device panel's figures), and one table gives
// every figure as the range over the runs. The 100 and 20,000 lines/s windows also
// time a bare receiver fed the same lines on a pseudo-terminal of its own
// (ReferenceReceiver): what a wake-up cost at that moment.
//
//   bench_app [runs] [idle seconds]      defaults: 2 runs, 60 s idle
//   bench_app profile <seconds> [rate]   the program receiving `rate` lines/s (100)
//                                        for a profiler; its pid first on stderr
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/process_cpu.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "core/util/non_copyable.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPrintable = 40;

// "00000042" and filler to 40 printable bytes, then CR LF.
std::string line_text(std::uint32_t number) {
    char head[16];
    std::snprintf(head, sizeof head, "%08u", number);
    std::string text(head);
    text.append(kPrintable - text.size(), 'x');
    return text + "\r\n";
}

// What the list shows for it in the default "ASCII" mode.
std::string shown_text(std::uint32_t number) {
    std::string text = line_text(number);
    return text.substr(0, kPrintable) + "<CR><LF>";
}

struct Task {
    std::string name;
    double cpu_ns = 0;
    long voluntary = 0;
    long involuntary = 0;
};

std::map<int, Task> sample_tasks(pid_t pid) {
    std::map<int, Task> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        Task t;
        std::ifstream(entry.path() / "comm") >> t.name;
        std::ifstream(entry.path() / "schedstat") >> t.cpu_ns;
        std::ifstream status(entry.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) t.voluntary = std::atol(line.c_str() + 24);
            if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) t.involuntary = std::atol(line.c_str() + 27);
        }
        out[std::atoi(entry.path().filename().c_str())] = t;
    }
    return out;
}

long resident_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one;
}

// A span of the program's life: CPU share, thread switches, per-thread wake-ups.
struct Span {
    double wall = 0;
    double cpu_share = 0;          // of one core, whole process
    double tick_share = 0;         // the same from the process's ticks (10 ms each)
    double switches_per_s = 0;     // every thread, voluntary and not
    double max_wakeups_per_s = 0;  // voluntary switches of the busiest thread
    std::string busiest;
    std::string threads;           // "name cpu% switches/s" of each thread that ran
};

class Measure {
public:
    explicit Measure(pid_t pid) : pid_(pid), t0_(Clock::now()), tasks0_(sample_tasks(pid)), ticks0_(other_process_cpu_seconds(pid)) {}

    Span stop() const {
        Span s;
        const auto tasks1 = sample_tasks(pid_);
        s.wall = std::chrono::duration<double>(Clock::now() - t0_).count();
        double cpu_ns = 0;
        long switches = 0;
        char part[160];
        for (const auto& [tid, after] : tasks1) {
            auto it = tasks0_.find(tid);
            const Task before = it == tasks0_.end() ? Task{} : it->second;
            const double ns = after.cpu_ns - before.cpu_ns;
            const long vol = after.voluntary - before.voluntary;
            const long all = vol + after.involuntary - before.involuntary;
            cpu_ns += ns;
            switches += all;
            if (double(vol) / s.wall > s.max_wakeups_per_s || s.busiest.empty()) {
                s.max_wakeups_per_s = double(vol) / s.wall;
                s.busiest = after.name;
            }
            if (ns > 0 || all > 0) {
                std::snprintf(part, sizeof part, "%s%s %.2f%% %.1f/s", s.threads.empty() ? "" : ", ", after.name.c_str(),
                              100.0 * ns / 1e9 / s.wall, double(all) / s.wall);
                s.threads += part;
            }
        }
        // Threads that end meanwhile (Qt's pooled threads after 30 s unused) leave
        // /proc/<pid>/task with their last moments; the process's own count keeps
        // them, but in whole ticks (10 ms), so it is shown beside, not used.
        s.cpu_share = 100.0 * cpu_ns / 1e9 / s.wall;
        s.tick_share = 100.0 * (other_process_cpu_seconds(pid_) - ticks0_) / s.wall;
        s.switches_per_s = double(switches) / s.wall;
        return s;
    }

private:
    pid_t pid_;
    Clock::time_point t0_;
    std::map<int, Task> tasks0_;
    double ticks0_;
};

class Program {
public:
    Program(const std::string& config_home, const std::string& runtime_dir) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
        fd_ = pair[0];
        const int child_fd = fcntl(pair[1], F_DUPFD, 10); // without close-on-exec
        close(pair[1]);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            if (v.rfind("XDG_CONFIG_HOME=", 0) && v.rfind("QT_QPA_PLATFORM=", 0) && v.rfind("LD_PRELOAD=", 0) &&
                v.rfind("XDG_RUNTIME_DIR=", 0))
                env.push_back(v);
        }
        env.push_back("XDG_CONFIG_HOME=" + config_home);
        env.push_back("XDG_RUNTIME_DIR=" + runtime_dir);
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back(std::string("LD_PRELOAD=") + BENCHLINK_DRIVER_LIBRARY);
        env.push_back("BENCHLINK_DRIVER_FD=" + std::to_string(child_fd));
        std::vector<char*> envp;
        for (std::string& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string program = BENCHLINK_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
        close(child_fd);
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }

    pid_t pid() const { return pid_; }

    // One command, its answer ("" when the program did not answer in time).
    std::string Ask(const std::string& command, std::chrono::seconds limit = 30s) {
        std::string line = command + "\n";
        if (::write(fd_, line.data(), line.size()) < 0) return {};
        std::string answer;
        auto deadline = Clock::now() + limit;
        char c;
        while (Clock::now() < deadline) {
            timeval tv{1, 0};
            setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
            ssize_t n = ::read(fd_, &c, 1);
            if (n == 1 && c == '\n') return answer;
            if (n == 1) answer += c;
            if (n == 0) return {};
        }
        return {};
    }
    long Rows() {
        std::string a = Ask("rows");
        return a.rfind("ok ", 0) == 0 ? std::atol(a.c_str() + 3) : -1;
    }
    // Waits until the list has `rows` rows (or `limit` passed); polls the driver
    // every 50 ms, which itself costs the program a little.
    bool WaitRows(long rows, std::chrono::seconds limit) {
        auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (Rows() >= rows) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    // Asks the program to end through its "Exit" button and waits for it.
    bool Exit() {
        Ask("click Button_Exit", 5s);
        for (int i = 0; i < 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

// Writes `count` lines numbered from `first` at `rate` lines/s (0: as fast as the
// far end takes them), noting when each was written.
// The program in folders of its own, with COM1 linked to a fresh pseudo-terminal.
struct ProgramOnCom1 {
    TempDir home;
    TempDir runtime;
    PtyPair far;
    Program program;

    ProgramOnCom1() : program(Prepare(home, runtime, far), runtime.path()) {}

private:
    static std::string Prepare(const TempDir& home, const TempDir& runtime, const PtyPair& far) {
        chmod(runtime.path().c_str(), 0700);
        const std::string ports = home.path() + "/benchlink/ports";
        std::filesystem::create_directories(ports);
        std::filesystem::create_symlink(far.slave_path(), ports + "/com1");
        return home.path();
    }
};

void write_lines(PtyPair& far, std::uint32_t first, std::uint32_t count, double rate, std::vector<long long>* written) {
    const auto start = Clock::now();
    std::uint32_t sent = 0;
    std::string batch;
    while (sent < count) {
        std::uint32_t due = count;
        if (rate > 0) {
            double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            due = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(elapsed * rate) + 1);
        } else {
            due = std::min<std::uint32_t>(count, sent + 2000);
        }
        if (due > sent) {
            batch.clear();
            for (std::uint32_t s = sent; s < due; ++s) batch += line_text(first + s);
            const long long now = Clock::now().time_since_epoch().count();
            if (written)
                for (std::uint32_t s = sent; s < due; ++s) (*written)[first + s] = now;
            if (!far.write(batch)) return;
            sent = due;
        }
        if (rate > 0) {
            const double next = double(sent) / rate;
            // At high rates a turn per millisecond; at low rates one per line.
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(std::max(next, 0.0))) +
                                          (rate > 1000 ? 1ms : 0ms));
        }
    }
}

// What the machine charges at that moment for the least a receiver can do: a thread
// that waits on a pseudo-terminal of its own (epoll, edge-triggered) and reads what each
// arrival brought, fed the same lines at the same rate while the program is measured.
// A wake-up's cost swings several-fold from one half-minute to the next on a virtual
// machine; this puts the program's figure beside the floor of that moment.
class ReferenceReceiver : private NonCopyable {
public:
    ReferenceReceiver(std::uint32_t count, double rate) {
        if (!far_.ok()) return;
        reader_fd_ = open(far_.slave_path().c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        epoll_event event{};
        event.events = EPOLLIN | EPOLLET;
        if (reader_fd_ < 0 || epoll_ < 0 || epoll_ctl(epoll_, EPOLL_CTL_ADD, reader_fd_, &event) != 0) return;
        reader_ = std::thread([this] { Read(); });
        writer_ = std::thread([this, count, rate] { write_lines(far_, 0, count, rate, nullptr); });
    }
    ~ReferenceReceiver() {
        Stop();
        if (epoll_ >= 0) close(epoll_);
        if (reader_fd_ >= 0) close(reader_fd_);
    }
    // The reader's CPU time over its life, in % of one core; -1 when it could not run.
    double Stop() {
        if (writer_.joinable()) writer_.join();
        stop_.store(true);
        if (reader_.joinable()) reader_.join();
        return share_;
    }

private:
    void Read() {
        timespec cpu0{}, cpu1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
        const auto t0 = Clock::now();
        char buffer[2048];
        while (!stop_.load()) {
            epoll_event event{};
            if (epoll_wait(epoll_, &event, 1, 100) > 0)
                while (read(reader_fd_, buffer, sizeof buffer) == static_cast<ssize_t>(sizeof buffer)) {
                }
        }
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
        const double cpu = double(cpu1.tv_sec - cpu0.tv_sec) + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
        share_ = 100.0 * cpu / std::chrono::duration<double>(Clock::now() - t0).count();
    }

    PtyPair far_;
    int reader_fd_ = -1;
    int epoll_ = -1;
    std::atomic<bool> stop_{false};
    double share_ = -1;
    std::thread reader_, writer_;
};

struct Run {
    std::string load;
    Span idle_none, idle_open, paced, flood, closed;
    double paced_reference = -1, flood_reference = -1; // ReferenceReceiver, same windows
    double p50 = 0, p99 = 0;
    long flood_rows = 0, flood_out_of_place = -1;
    double bytes_per_line = 0;
    bool exited = false;
    std::string failure;
};

Run one_run(int idle_seconds) {
    Run r;
    r.load = load_average();
    ProgramOnCom1 started;
    Program& program = started.program;
    PtyPair& far = started.far;
    if (program.pid() <= 0 || program.Ask("ready") != "ok") {
        r.failure = "the program did not start";
        return r;
    }
    const auto settle = [] { std::this_thread::sleep_for(2s); };
    settle();
    {
        Measure m(program.pid());
        std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
        r.idle_none = m.stop();
    }
    if (program.Ask("configure 1") != "ok" || program.Ask("click RadioGroup_LineControlMode_3") != "ok") {
        r.failure = "could not configure COM1";
        return r;
    }
    settle();
    {
        Measure m(program.pid());
        std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
        r.idle_open = m.stop();
    }

    const std::string arrivals = started.home.path() + "/arrivals";
    {
        constexpr std::uint32_t kPaced = 3000; // 30 s at 100 lines/s
        std::vector<long long> written(kPaced);
        program.Ask("click Button_ClearMessageList");
        program.Ask("watch " + arrivals);
        const long base = program.Rows();
        Measure m(program.pid());
        ReferenceReceiver reference(kPaced, 100.0);
        write_lines(far, 0, kPaced, 100.0, &written);
        std::this_thread::sleep_for(100ms);
        r.paced = m.stop();
        r.paced_reference = reference.Stop();
        program.WaitRows(base + kPaced, 10s);
        program.Ask("unwatch");
        std::vector<double> ms;
        std::ifstream in(arrivals);
        for (long number = 0, ns = 0; in >> number >> ns;)
            if (number >= 0 && number < long(kPaced)) ms.push_back(double(ns - written[number]) / 1e6);
        std::sort(ms.begin(), ms.end());
        if (!ms.empty()) {
            r.p50 = ms[ms.size() / 2];
            r.p99 = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
        }
    }
    {
        constexpr std::uint32_t kKept = 500000;
        program.Ask("click Button_ClearMessageList");
        std::this_thread::sleep_for(500ms);
        const long base = program.Rows();
        const long rss0 = resident_kib(program.pid());
        // At twice the flood's rate, which the program keeps up with: what stays is
        // what the list keeps, not letters still in flight.
        write_lines(far, 0, kKept, 40000.0, nullptr);
        program.WaitRows(base + kKept, 120s);
        std::this_thread::sleep_for(500ms);
        r.bytes_per_line = 1024.0 * double(resident_kib(program.pid()) - rss0) / kKept;
    }
    {
        constexpr std::uint32_t kFlood = 200000; // 10 s at 20,000 lines/s
        program.Ask("click Button_ClearMessageList");
        std::this_thread::sleep_for(500ms);
        const long base = program.Rows();
        Measure m(program.pid());
        ReferenceReceiver reference(kFlood, 20000.0);
        write_lines(far, 0, kFlood, 20000.0, nullptr);
        program.WaitRows(base + kFlood, 60s);
        r.flood = m.stop();
        r.flood_reference = reference.Stop();
        const std::string dump = started.home.path() + "/rows";
        program.Ask("dump " + dump);
        std::ifstream in(dump);
        std::vector<std::string> rows;
        for (std::string line; std::getline(in, line);) rows.push_back(line);
        r.flood_rows = 0;
        r.flood_out_of_place = 0;
        // The run's lines follow whatever the list held before it.
        std::size_t at = rows.size() >= kFlood ? rows.size() - kFlood : 0;
        for (std::uint32_t n = 0; n < kFlood && at < rows.size(); ++n, ++at) {
            ++r.flood_rows;
            if (rows[at] != shown_text(n)) ++r.flood_out_of_place;
        }
    }
    far.close_far_end();
    std::this_thread::sleep_for(1s);
    {
        Measure m(program.pid());
        std::this_thread::sleep_for(10s);
        r.closed = m.stop();
    }
    r.exited = program.Exit();
    return r;
}

// The panel figures of bench_panels (the RD24 panel polling the simulator), which
// this run prints too: steps/s at detect time 1 ms, CPU at 100 ms with the trend hidden.
struct PanelRun {
    double steps = 0;
    double cpu = 0;
};

PanelRun panel_run() {
    PanelRun p;
    FILE* out = popen(BENCHLINK_PANELS_BENCH " 2>&1", "r");
    if (!out) return p;
    char line[512];
    while (std::fgets(line, sizeof line, out)) {
        std::printf("  panels: %s", line);
        if (std::strncmp(line, "rate:", 5) == 0) {
            if (const char* at = std::strstr(line, "ms, ")) p.steps = std::atof(at + 4);
        }
        if (std::strncmp(line, "idle:", 5) == 0 && std::strstr(line, "trend hidden")) {
            if (const char* at = std::strstr(line, "whole process ")) p.cpu = std::atof(at + 14);
        }
    }
    pclose(out);
    std::fflush(stdout);
    return p;
}

template <typename F>
std::string range(const std::vector<Run>& runs, F f, const char* format) {
    double lo = 1e300, hi = -1e300;
    for (const Run& r : runs) {
        lo = std::min(lo, f(r));
        hi = std::max(hi, f(r));
    }
    char a[64], b[64];
    std::snprintf(a, sizeof a, format, lo);
    std::snprintf(b, sizeof b, format, hi);
    return std::string(a) == b ? a : std::string(a) + "–" + b;
}

} // namespace

// For a profiler: the program at 100 lines/s for `seconds`, its pid on stderr first.
int profile(int seconds, double rate) {
    ProgramOnCom1 started;
    Program& program = started.program;
    PtyPair& far = started.far;
    if (program.pid() <= 0 || program.Ask("ready") != "ok" || program.Ask("configure 1") != "ok" ||
        program.Ask("click RadioGroup_LineControlMode_3") != "ok")
        return 1;
    std::fprintf(stderr, "pid %d\n", program.pid());
    std::this_thread::sleep_for(3s);
    program.Ask("paints");
    write_lines(far, 0, static_cast<std::uint32_t>(seconds * rate), rate, nullptr);
    std::fprintf(stderr, "painted: %s\n", program.Ask("painted").c_str());
    return program.Exit() ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "profile") == 0)
        return profile(std::atoi(argv[2]), argc > 3 ? std::atof(argv[3]) : 100.0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0); // for bench_panels
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const int idle_seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    std::vector<Run> done;
    for (int i = 0; i < runs; ++i) {
        Run r = one_run(idle_seconds);
        if (!r.failure.empty()) {
            std::printf("run %d: %s\n", i + 1, r.failure.c_str());
            return 1;
        }
        std::printf("run %d (load average %s at its start):\n", i + 1, r.load.c_str());
        std::printf("  (CPU in whole ticks of the process, for comparison: %.3f%%, %.3f%%, %.2f%%, %.2f%%, %.3f%%)\n",
                    r.idle_none.tick_share, r.idle_open.tick_share, r.paced.tick_share, r.flood.tick_share,
                    r.closed.tick_share);
        std::printf("  idle, no port:        %.3f%%, busiest thread %s %.2f wake-ups/s; %s\n", r.idle_none.cpu_share,
                    r.idle_none.busiest.c_str(), r.idle_none.max_wakeups_per_s, r.idle_none.threads.c_str());
        std::printf("  idle, receiving:      %.3f%%, busiest thread %s %.2f wake-ups/s; %s\n", r.idle_open.cpu_share,
                    r.idle_open.busiest.c_str(), r.idle_open.max_wakeups_per_s, r.idle_open.threads.c_str());
        std::printf("  100 lines/s:          %.2f%%, %.0f switches/s; %s; reference receiver %.2f%%\n",
                    r.paced.cpu_share, r.paced.switches_per_s, r.paced.threads.c_str(), r.paced_reference);
        std::printf("  20,000 lines/s:       %.2f%% over %.1f s; %s; reference receiver %.2f%%\n", r.flood.cpu_share,
                    r.flood.wall, r.flood.threads.c_str(), r.flood_reference);
        std::printf("  100 lines/s latency:  median %.1f ms, p99 %.1f ms; memory %.1f B per kept line; "
                    "20,000 lines/s: %ld lines in the list, %ld out of place\n",
                    r.p50, r.p99, r.bytes_per_line, r.flood_rows, r.flood_out_of_place);
        std::printf("  far end closed:       %.3f%%; %s\n", r.closed.cpu_share, r.closed.threads.c_str());
        std::printf("  exit through \"Exit\": %s\n", r.exited ? "clean" : "FAILED");
        std::fflush(stdout);
        done.push_back(r);
    }
    std::vector<PanelRun> panels;
    for (int i = 0; i < runs; ++i) {
        std::printf("panels run %d (load average %s at its start):\n", i + 1, load_average().c_str());
        panels.push_back(panel_run());
    }
    auto panel_range = [&panels](double PanelRun::*field, const char* format) {
        double lo = 1e300, hi = -1e300;
        for (const PanelRun& p : panels) {
            lo = std::min(lo, p.*field);
            hi = std::max(hi, p.*field);
        }
        char a[64], b[64];
        std::snprintf(a, sizeof a, format, lo);
        std::snprintf(b, sizeof b, format, hi);
        return std::string(a) == b ? std::string(a) : std::string(a) + "–" + b;
    };
    auto row = [](const char* what, const std::string& result, const char* aim) {
        std::printf("| %s | %s | %s |\n", what, result.c_str(), aim);
    };
    std::printf("\nbuild/gui/benchlink, offscreen, COM1 on a pseudo-terminal, 115200 8N1, lines of 40 bytes + CR LF; "
                "%zu runs, min–max; load average at the runs' start:",
                done.size());
    for (const Run& r : done) std::printf(" %s", r.load.c_str());
    std::printf("\n\n| what | measured | aim |\n|---|---|---|\n");
    row(("idle, no port, " + std::to_string(idle_seconds) + " s: CPU").c_str(),
        range(done, [](const Run& r) { return r.idle_none.cpu_share; }, "%.3f") + " % of a core", "≤ 0.03 %");
    row("idle, no port: wake-ups of the busiest thread",
        range(done, [](const Run& r) { return r.idle_none.max_wakeups_per_s; }, "%.2f") + " /s", "≤ 1 /s");
    row(("idle, receiving, " + std::to_string(idle_seconds) + " s: CPU").c_str(),
        range(done, [](const Run& r) { return r.idle_open.cpu_share; }, "%.3f") + " % of a core", "≤ 0.03 %");
    row("idle, receiving: wake-ups of the busiest thread",
        range(done, [](const Run& r) { return r.idle_open.max_wakeups_per_s; }, "%.2f") + " /s", "≤ 1 /s");
    row("100 lines/s, 30 s: CPU, whole process",
        range(done, [](const Run& r) { return r.paced.cpu_share; }, "%.2f") + " % of a core", "≤ 2 %");
    row("100 lines/s, same windows: a bare receiver's thread (one epoll_wait + one read per arrival)",
        range(done, [](const Run& r) { return r.paced_reference; }, "%.2f") + " % of a core", "(the machine's floor)");
    row("100 lines/s: thread switches, all threads",
        range(done, [](const Run& r) { return r.paced.switches_per_s; }, "%.0f") + " /s", "≤ 300 /s");
    row("100 lines/s: far end to row in the list, median",
        range(done, [](const Run& r) { return r.p50; }, "%.1f") + " ms", "");
    row("100 lines/s: far end to row in the list, p99",
        range(done, [](const Run& r) { return r.p99; }, "%.1f") + " ms", "≤ 50 ms");
    row("20,000 lines/s, 10 s: lines in the list, in order",
        range(done, [](const Run& r) { return double(r.flood_rows - r.flood_out_of_place); }, "%.0f") + " of 200000",
        "all");
    row("20,000 lines/s: CPU, whole process",
        range(done, [](const Run& r) { return r.flood.cpu_share; }, "%.2f") + " % of a core", "≤ 8 %");
    row("20,000 lines/s, same windows: a bare receiver's thread",
        range(done, [](const Run& r) { return r.flood_reference; }, "%.2f") + " % of a core", "(the machine's floor)");
    row("memory per kept line (500,000 lines of 48 characters shown)",
        range(done, [](const Run& r) { return r.bytes_per_line; }, "%.1f") + " B", "≤ 64 B");
    row("10 s after the far end closes: CPU",
        range(done, [](const Run& r) { return r.closed.cpu_share; }, "%.3f") + " % of a core", "no spin");
    row("10 s after the far end closes: wake-ups of the busiest thread",
        range(done, [](const Run& r) { return r.closed.max_wakeups_per_s; }, "%.2f") + " /s", "≤ 1 /s");
    row("RD24 panel polling benchlink-sim, detect time 1 ms (bench_panels)",
        panel_range(&PanelRun::steps, "%.0f") + " steps/s", "no fewer than before (319–365)");
    row("RD24 panel polling, detect time 100 ms, whole process (bench_panels)",
        panel_range(&PanelRun::cpu, "%.2f") + " % of a core", "no more than before (0.7–0.9 %)");
    return 0;
}

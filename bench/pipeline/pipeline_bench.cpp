// The receive display pipeline end to end: lines written at the far end of a
// pseudo-terminal, received, cut, shown in the main window's message list.
//
//   throughput  20,000 lines/s of 40 bytes for 10 s: every line shown, in order, and
//               the longest stall of the GUI thread (lateness of a 10 ms timer)
//   idle        100 lines/s for 10 s: CPU of the whole process, and the time from a
//               line written to its row in the list (median, p99)
//   million     1,000,000 lines into the list from another thread, at once per block
//               and paced at 100,000/s: resident memory they cost, and the wall and
//               GUI-thread time of the first and the last 100,000
//   bound       2,200,000 lines at once per block: past the list's bound of 2,000,000
//               the oldest blocks are dropped; the same figures, and the rows kept
//   find        the find bar over a full list of 2,000,000 lines while 100 lines/s keep
//               arriving: the time from "Next" to the found line selected, for a text
//               in one line, in every line, and in none, with and without "Match Case"
//
// Run with QT_QPA_PLATFORM=offscreen; no argument runs all three.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "gui/main/mailbox_pump.h"
#include "gui/main/main_window.h"
#include "gui/main/message_list_model.h"
#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"
#include "core/terminal/receive_pipeline.h"
#include "support/process_cpu.h"
#include "support/pty_pair.h"
#include "support/gui_stall.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kLineBytes = 40;

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// CPU time of each thread of the process, by thread id: name and nanoseconds on a core.
struct ThreadTime {
    std::string name;
    double ns = 0;
};

std::map<int, ThreadTime> thread_times() {
    std::map<int, ThreadTime> out;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        int tid = std::atoi(entry.path().filename().c_str());
        ThreadTime t;
        std::ifstream(entry.path() / "comm") >> t.name;
        std::ifstream(entry.path() / "schedstat") >> t.ns;
        out[tid] = t;
    }
    return out;
}

void print_thread_shares(const std::map<int, ThreadTime>& before, double wall) {
    for (const auto& [tid, after] : thread_times()) {
        auto it = before.find(tid);
        double ns = after.ns - (it == before.end() ? 0 : it->second.ns);
        if (ns > 0) std::printf("    thread %-16s %.2f%%\n", after.name.c_str(), 100.0 * ns / 1e9 / wall);
    }
}

// "00000042" and filler up to 39 characters, then LF: 40 bytes.
std::string line_text(std::uint32_t seq) {
    char head[16];
    std::snprintf(head, sizeof head, "%08u", seq);
    std::string text(head);
    text.append(kLineBytes - 1 - text.size(), 'x');
    text.push_back('\n');
    return text;
}

// What the list shows for that line in "ASCII" mode.
std::string shown_text(std::uint32_t seq) {
    std::string text = line_text(seq);
    text.pop_back();
    return text + "<LF>";
}

class Bench {
public:
    Bench() {
        ok_ = far_.ok() && ports_.link(1, far_);
        main_.show();
        ComportSetting setting;
        setting.port = 1;
        main_.session().ConfigureConfirmed(setting);
        main_.pipeline().SetLineControlMode(kLineControlLf, "");
        run_for(100ms);
    }
    ~Bench() { main_.session().CloseFlow(); }

    bool ok() { return ok_ && main_.session().receiving() == 1; }

    // Writes `count` lines at `rate` lines/s from a far-end thread, keeping the time
    // each was written; returns after the GUI showed them all or `limit` passed.
    // Returns the index of the first row of the run.
    std::size_t write_paced(std::uint32_t count, double rate, std::chrono::seconds limit) {
        main_.ClearMessageList();
        written_ = std::vector<std::atomic<std::int64_t>>(count);
        std::size_t first = store().size();
        std::thread writer([this, count, rate] {
            auto start = Clock::now();
            std::uint32_t sent = 0;
            std::string batch;
            while (sent < count) {
                double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
                auto due = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(elapsed * rate) + 1);
                if (due > sent) {
                    batch.clear();
                    for (std::uint32_t s = sent; s < due; ++s) batch += line_text(s);
                    std::int64_t now = Clock::now().time_since_epoch().count();
                    for (std::uint32_t s = sent; s < due; ++s) written_[s].store(now, std::memory_order_relaxed);
                    far_.write(batch);
                    sent = due;
                }
                auto next = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>((sent + 0.0) / rate));
                std::this_thread::sleep_until(next);
            }
            timespec cpu{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
            writer_cpu_ = double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9;
        });
        auto deadline = Clock::now() + limit;
        while (store().size() < first + count && Clock::now() < deadline) run_for(20ms);
        writer.join();
        run_for(100ms);
        return first;
    }

    struct OrderCheck {
        std::uint32_t missing = 0;
        std::uint32_t out_of_order = 0; // rows not one past the row before, or not a line of the run
    };

    OrderCheck check_order(std::size_t first, std::uint32_t count) {
        OrderCheck c;
        std::size_t rows = store().size() - first;
        c.missing = rows >= count ? 0 : static_cast<std::uint32_t>(count - rows);
        for (std::size_t r = 0; r < rows; ++r)
            if (store().line(first + r) != shown_text(static_cast<std::uint32_t>(r))) ++c.out_of_order;
        return c;
    }

    void throughput() {
        constexpr std::uint32_t kCount = 200000;
        StallProbe probe;
        probe.start();
        longest_insert_ns_ = 0;
        double cpu0 = process_cpu_seconds();
        auto t0 = Clock::now();
        std::size_t first = write_paced(kCount, 20000.0, 30s);
        double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        double cpu = process_cpu_seconds() - cpu0;
        double stall = probe.stop_ms();
        std::size_t shown = store().size() - first;
        OrderCheck order = check_order(first, kCount);
        std::printf("throughput: %u lines of %d bytes at 20000/s: %zu shown, %u missing, %u out of place, "
                    "longest GUI stall %.1f ms (10 ms timer), %.0f%% of a core over %.1f s\n",
                    kCount, kLineBytes, shown, order.missing, order.out_of_order, stall, 100.0 * cpu / wall, wall);
        std::printf("throughput: longest single append to the list (model and view) %.1f ms; ticks later than 50 ms: %d\n",
                    double(longest_insert_ns_) / 1e6, probe.late_ticks());
    }

    void idle() {
        constexpr std::uint32_t kCount = 1000;
        latencies_.clear();
        measure_latency_ = true;
        auto threads0 = thread_times();
        double cpu0 = process_cpu_seconds();
        auto t0 = Clock::now();
        std::size_t first = write_paced(kCount, 100.0, 20s);
        double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        double cpu = process_cpu_seconds() - cpu0;
        measure_latency_ = false;
        std::sort(latencies_.begin(), latencies_.end());
        auto at = [this](double q) {
            return latencies_.empty() ? 0.0 : latencies_[static_cast<std::size_t>(q * double(latencies_.size() - 1))];
        };
        OrderCheck order = check_order(first, kCount);
        std::printf("idle: %u lines at 100/s: %u missing, %u out of place, %.2f%% of a core over %.1f s "
                    "(whole process; %.2f%% without the far end's writer thread)\n",
                    kCount, order.missing, order.out_of_order, 100.0 * cpu / wall, wall, 100.0 * (cpu - writer_cpu_) / wall);
        std::printf("latency, line written at the far end to its row in the list: median %.2f ms, p99 %.2f ms, "
                    "max %.2f ms (%zu lines)\n",
                    at(0.5), at(0.99), latencies_.empty() ? 0.0 : latencies_.back(), latencies_.size());
        print_thread_shares(threads0, wall);
    }

    // GUI thread CPU in ns (schedstat of the main thread).
    static double gui_cpu_ns() {
        double ns = 0;
        std::ifstream(std::string("/proc/self/task/") + std::to_string(getpid()) + "/schedstat") >> ns;
        return ns;
    }

    // Fills the list with 1,000,000 lines in blocks of 100,000, from another thread as the
    // receive thread does: "burst" pushes each block at once; "paced" pushes 100 lines
    // every millisecond, so the list takes them in many small batches.
    void million(bool paced, int blocks = 10) {
        main_.session().StopReceive();
        main_.ClearMessageList();
        run_for(100ms);
        long rss0 = resident_kib();
        const int kBlocks = blocks;
        constexpr int kBlock = 100000;
        std::vector<double> block_ms;
        std::vector<double> gui_ms;
        for (int b = 0; b < kBlocks; ++b) {
            const std::uint64_t target = shown() + kBlock;
            double gui0 = gui_cpu_ns();
            auto t0 = Clock::now();
            std::thread producer([this, b, paced] {
                auto next = Clock::now();
                for (int i = 0; i < kBlock; ++i) {
                    if (paced && i % 100 == 0) {
                        next += 1ms;
                        std::this_thread::sleep_until(next);
                    }
                    main_.AddMessageLine(shown_text(static_cast<std::uint32_t>(b * kBlock + i)));
                }
            });
            while (shown() < target) run_for(5ms);
            producer.join();
            block_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            gui_ms.push_back((gui_cpu_ns() - gui0) / 1e6);
        }
        run_for(100ms);
        long rss1 = resident_kib();
        const char* how = paced ? "paced 100,000/s" : blocks > 10 ? "burst past the bound" : "burst";
        std::printf("million (%s): %zu lines (%zu bytes of text), resident memory +%ld KiB = %.1f bytes per line\n", how,
                    store().size(), store().text_bytes(), rss1 - rss0, 1024.0 * double(rss1 - rss0) / double(store().size()));
        std::printf("million (%s): first 100,000 in %.0f ms (GUI thread CPU %.0f ms), last 100,000 in %.0f ms "
                    "(GUI thread CPU %.0f ms); ratio %.2f wall, %.2f GUI CPU\n",
                    how, block_ms.front(), gui_ms.front(), block_ms.back(), gui_ms.back(),
                    block_ms.back() / block_ms.front(), gui_ms.back() / gui_ms.front());
        std::printf("million (%s): GUI thread CPU of every block (ms):", how);
        for (double ms : gui_ms) std::printf(" %.0f", ms);
        std::printf("\n");
        if (store().dropped() > 0)
            std::printf("million (%s): %zu rows kept, %llu lines dropped in blocks\n", how, store().size(),
                        static_cast<unsigned long long>(store().dropped()));
    }

    // Times the find bar's "Next" over a full list while lines keep coming at 100/s.
    void find() {
        million(false, 20);
        std::atomic<bool> stop{false};
        std::thread producer([this, &stop] {
            for (std::uint32_t i = 0; !stop.load(); ++i) {
                main_.AddMessageLine("arriving " + std::to_string(i));
                std::this_thread::sleep_for(10ms);
            }
        });
        auto* field = main_.findChild<QLineEdit*>(QStringLiteral("LineEdit_Find"));
        auto* next = main_.findChild<QPushButton*>(QStringLiteral("Button_FindNext"));
        auto* match_case = main_.findChild<QCheckBox*>(QStringLiteral("CheckBox_FindCase"));
        auto* count = main_.findChild<QLabel*>(QStringLiteral("Label_FindCount"));
        const std::string one = shown_text(1234567).substr(0, 8); // the sequence number of one line
        for (const auto& [text, what] : {std::pair{one, "one line"}, std::pair{std::string("<lf>"), "every line"},
                                          std::pair{std::string("nowhere"), "no line"}}) {
            for (bool exact : {false, true}) {
                match_case->setChecked(exact);
                field->setText(QString::fromStdString(text));
                std::vector<double> ms;
                for (int i = 0; i < 5; ++i) {
                    const auto t0 = Clock::now();
                    next->click();
                    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                    run_for(20ms);
                }
                std::sort(ms.begin(), ms.end());
                std::printf("find in %zu lines, text in %s, %s: median %.1f ms, max %.1f ms (\"%s\")\n", store().size(),
                            what, exact ? "match case" : "any case", ms[ms.size() / 2], ms.back(),
                            count->text().toLatin1().constData());
            }
        }
        stop.store(true);
        producer.join();
    }

    void watch_model() {
        const MessageListModel* model = &main_.message_model();
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, [this] { insert_start_ = Clock::now(); });
        QObject::connect(model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex&, int first, int last) {
            auto now = Clock::now();
            std::int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - insert_start_).count();
            insert_ns_ += ns;
            longest_insert_ns_ = std::max(longest_insert_ns_, ns);
            if (!measure_latency_) return;
            for (int row = first; row <= last; ++row) {
                std::string_view text = store().line(static_cast<std::size_t>(row));
                std::uint32_t seq = static_cast<std::uint32_t>(std::strtoul(std::string(text.substr(0, 8)).c_str(), nullptr, 10));
                if (seq >= written_.size()) continue;
                auto written = Clock::time_point(Clock::duration(written_[seq].load(std::memory_order_relaxed)));
                latencies_.push_back(std::chrono::duration<double, std::milli>(now - written).count());
            }
        });
    }

private:
    const LineStore& store() const { return main_.message_model().store(); }
    // Lines that reached the list, dropped ones included.
    std::uint64_t shown() const { return store().dropped() + store().size() - (store().dropped() > 0 ? 1 : 0); }

    PtyPair far_;
    ComPortFolder ports_;
    bool ok_ = false;
    MailboxPump mailbox_;
    ZumLink link_{comport_port()};
    TForm_ZQ70_Main main_{mailbox_, link_};
    std::vector<std::atomic<std::int64_t>> written_;
    double writer_cpu_ = 0; // the far end's thread, not part of the program
    std::vector<double> latencies_;
    bool measure_latency_ = false;
    Clock::time_point insert_start_;
    std::int64_t insert_ns_ = 0;
    std::int64_t longest_insert_ns_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string which = argc > 1 ? argv[1] : "all";
    Bench bench;
    if (!bench.ok()) {
        std::printf("could not open the pseudo-terminal as COM1\n");
        return 1;
    }
    bench.watch_model();
    if (which == "all" || which == "idle") bench.idle();
    if (which == "all" || which == "throughput") bench.throughput();
    if (which == "all" || which == "million") bench.million(false);
    if (which == "all" || which == "million") bench.million(true);
    if (which == "all" || which == "bound") bench.million(false, 22);
    if (which == "all" || which == "find") bench.find();
    return 0;
}

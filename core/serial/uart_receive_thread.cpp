#include "core/serial/uart_receive_thread.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <utility>

#include "core/serial/port.h"

namespace {

// The receive function, shared with the calls running it so that replacing it never
// destroys one in use.
struct Callback {
    std::function<void()> call;
    std::uint64_t id = 0;
    int in_flight = 0; // guarded by g_mutex
};

std::mutex g_mutex;
std::condition_variable g_call_ended;
std::shared_ptr<Callback> g_callback; // guarded by g_mutex
std::uint64_t g_next_id = 1;          // guarded by g_mutex
std::set<PortWake*> g_wakes;          // guarded by g_mutex; of the running threads
thread_local const Callback* t_running = nullptr;
// The wake of the receive thread running on this thread.
thread_local const PortWake* t_thread_wake = nullptr;

// The loop hook: installed by uart_handler_initialize, removed by uart_handler_finalize.
std::atomic<bool> g_hook_installed{false};

void raise_wakes() {
    for (PortWake* wake : g_wakes) wake->Raise();
}

void loop_hook(const PortWake& wake) {
    std::shared_ptr<Callback> callback;
    {
        std::lock_guard lock(g_mutex);
        if (g_hook_installed.load(std::memory_order_acquire) && g_callback && g_callback->call) {
            callback = g_callback;
            ++callback->in_flight;
        }
    }
    if (!callback) {
        // Nothing to run: rest until a function is registered or the thread is stopped.
        wake.Wait(kWaitNoDeadline);
        return;
    }
    t_running = callback.get();
    callback->call();
    t_running = nullptr;
    {
        std::lock_guard lock(g_mutex);
        --callback->in_flight;
    }
    g_call_ended.notify_all();
}

// Removes `callback` if it is the registered one and waits until no other thread runs
// it; a call on this thread (a removal from inside the function) is not waited for.
void remove_and_wait(std::unique_lock<std::mutex>& lock, const std::shared_ptr<Callback>& callback) {
    if (!callback) return;
    // A call waiting for bytes ends its wait now instead of whenever bytes come.
    raise_wakes();
    const int own = t_running == callback.get() ? 1 : 0;
    g_call_ended.wait(lock, [&] { return callback->in_flight <= own; });
}

#if defined(_WIN32)

// SetThreadDescription exists from Windows 10 1607 on: looked up, not linked.
void name_this_thread() {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = kernel ? reinterpret_cast<SetDescription>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")))
                      : nullptr;
    if (set) set(GetCurrentThread(), L"UartReceiveThread");
}

// The levels of the thread priority list: 0 idle, 1 lowest .. 3 normal .. 6 time-critical.
void raise_priority(std::uint8_t level) {
    static constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                          THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                          THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                          THREAD_PRIORITY_TIME_CRITICAL};
    if (level == 3 || level > 6) return;
    SetThreadPriority(GetCurrentThread(), kPriorities[level]);
}

#else

void name_this_thread() {
    pthread_setname_np(pthread_self(), "UartReceiveThre"); // the name's first 15 characters
}

// Level 3 is normal; each level above asks for a lower nice value. Only a
// process allowed to (CAP_SYS_NICE) gets it; others run at normal priority.
void raise_priority(std::uint8_t level) {
    int nice_value = level > 3 ? -5 * (level - 3) : 0;
    if (nice_value == 0) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice_value);
}

#endif

// Ends a thread object: joined from another thread; from its own thread kept in
// `retired` so that a later call joins it.
void retire(UartHandler& handler, std::unique_ptr<TUartReceiveThread> thread) {
    if (!thread) return;
    thread->Terminate();
    if (thread->Running() && thread->IsCurrentThread())
        handler.retired = std::move(thread);
}

// A thread stopped from inside itself has ended its loop by the time another thread
// calls, at most one iteration later.
void join_retired(UartHandler& handler) {
    if (handler.retired && !handler.retired->IsCurrentThread()) handler.retired.reset();
}

} // namespace

TUartReceiveThread::~TUartReceiveThread() {
    Terminate();
    // The thread itself cannot wait for its own end: it finishes the call it is in
    // with its own reference to the flag and exits.
    if (thread_.joinable()) thread_.detach();
}

void TUartReceiveThread::Start(std::uint8_t priority) {
    if (thread_.joinable()) return;
    state_->terminated.store(false);
    std::lock_guard starting(state_->starting);
    thread_ = std::thread(&TUartReceiveThread::Execute, state_, priority);
}

void TUartReceiveThread::Terminate() {
    state_->terminated.store(true, std::memory_order_release);
    state_->wake.Raise();
    if (thread_.joinable() && !IsCurrentThread()) thread_.join();
}

void TUartReceiveThread::Execute(std::shared_ptr<State> state, std::uint8_t priority) {
    { std::lock_guard started(state->starting); }
    name_this_thread();
    raise_priority(priority);
    t_thread_wake = &state->wake;
    {
        std::lock_guard lock(g_mutex);
        g_wakes.insert(&state->wake);
    }
    while (!state->terminated.load(std::memory_order_acquire)) {
        // Cleared before the flag is looked at again, so a stop raised meanwhile
        // still ends the next wait.
        state->wake.Clear();
        if (state->terminated.load(std::memory_order_acquire)) break;
        loop_hook(state->wake);
    }
    {
        std::lock_guard lock(g_mutex);
        g_wakes.erase(&state->wake);
    }
    t_thread_wake = nullptr;
}

// The threads' own destructors join them (or, on the thread itself, let it finish alone).
UartHandler::~UartHandler() = default;

void uart_handler_initialize(UartHandler& handler) {
    // Re-initialising while a thread runs (a configure while receiving) ends that
    // thread first, so only one receive thread ever exists.
    join_retired(handler);
    retire(handler, std::move(handler.thread));
    g_hook_installed.store(true, std::memory_order_release);
    handler.created = false;
    handler.running = false;
    handler.priority = 5;
}

bool uart_handler_set_running(UartHandler& handler, bool on) {
    join_retired(handler);
    if (on == handler.running) return false;
    handler.running = on;
    if (on) {
        if (!handler.created) {
            handler.thread = std::make_unique<TUartReceiveThread>();
            handler.created = true;
        }
        handler.thread->Start(handler.priority);
    } else if (handler.created) {
        retire(handler, std::move(handler.thread));
        handler.created = false;
    }
    return true;
}

void uart_handler_finalize(UartHandler& handler) {
    join_retired(handler);
    if (handler.created) {
        retire(handler, std::move(handler.thread));
        handler.created = false;
    }
    g_hook_installed.store(false, std::memory_order_release);
    handler.running = false;
}

void uart_wake_receive_thread() {
    std::lock_guard lock(g_mutex);
    raise_wakes();
}

const PortWake* uart_thread_wake() {
    return t_thread_wake;
}

void uart_set_receive_callback(std::function<void()> callback) {
    auto next = callback ? std::make_shared<Callback>() : nullptr;
    std::unique_lock lock(g_mutex);
    if (next) {
        next->call = std::move(callback);
        next->id = g_next_id++;
    }
    std::shared_ptr<Callback> previous = std::exchange(g_callback, std::move(next));
    // A thread resting without a function runs the new one now.
    raise_wakes();
    remove_and_wait(lock, previous);
}

ReceiveCallbackRegistration::ReceiveCallbackRegistration(std::function<void()> callback) {
    uart_set_receive_callback(std::move(callback));
    std::lock_guard lock(g_mutex);
    id_ = g_callback ? g_callback->id : 0;
}

ReceiveCallbackRegistration::ReceiveCallbackRegistration(ReceiveCallbackRegistration&& other) noexcept
    : id_(std::exchange(other.id_, 0)) {}

ReceiveCallbackRegistration& ReceiveCallbackRegistration::operator=(ReceiveCallbackRegistration&& other) noexcept {
    if (this != &other) {
        Reset();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void ReceiveCallbackRegistration::Reset() {
    if (id_ == 0) return;
    std::unique_lock lock(g_mutex);
    if (g_callback && g_callback->id == id_) remove_and_wait(lock, std::exchange(g_callback, nullptr));
    id_ = 0;
}

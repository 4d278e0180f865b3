#include "core/serial/uart_receive_thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>

namespace {

std::function<void()> g_receive_callback; // written only while no receive thread runs

// The loop hook: installed by uart_handler_initialize, removed by uart_handler_finalize.
std::atomic<bool> g_hook_installed{false};

void loop_hook() {
    if (g_hook_installed.load(std::memory_order_acquire) && g_receive_callback) g_receive_callback();
}

// Level 3 is normal; each level above asks for a lower nice value. Only a
// process allowed to (CAP_SYS_NICE) gets it; others run at normal priority.
void raise_priority(std::uint8_t level) {
    int nice_value = level > 3 ? -5 * (level - 3) : 0;
    if (nice_value == 0) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice_value);
}

} // namespace

TUartReceiveThread::~TUartReceiveThread() {
    Terminate();
}

void TUartReceiveThread::Start(std::uint8_t priority) {
    if (thread_.joinable()) return;
    terminated_ = false;
    thread_ = std::thread([this, priority] { Execute(priority); });
}

void TUartReceiveThread::Terminate() {
    terminated_ = true;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TUartReceiveThread::Execute(std::uint8_t priority) {
    pthread_setname_np(pthread_self(), "UartReceiveThre"); // the name's first 15 characters
    raise_priority(priority);
    while (!terminated_.load(std::memory_order_acquire)) loop_hook();
}

void uart_handler_initialize(UartHandler& handler) {
    // Re-initialising while a thread runs (a configure while receiving) ends that
    // thread first, so only one receive thread ever exists.
    if (handler.thread) handler.thread->Terminate();
    handler.thread.reset();
    g_hook_installed.store(true, std::memory_order_release);
    handler.created = false;
    handler.running = false;
    handler.priority = 5;
}

bool uart_handler_set_running(UartHandler& handler, bool on) {
    if (on == handler.running) return false;
    handler.running = on;
    if (on) {
        if (!handler.created) {
            handler.thread = std::make_unique<TUartReceiveThread>();
            handler.created = true;
        }
        handler.thread->Start(handler.priority);
    } else if (handler.created) {
        handler.thread->Terminate();
        handler.thread.reset();
        handler.created = false;
    }
    return true;
}

void uart_handler_finalize(UartHandler& handler) {
    if (handler.created) {
        handler.thread->Terminate();
        handler.thread.reset();
        handler.created = false;
    }
    g_hook_installed.store(false, std::memory_order_release);
    handler.running = false;
}

void uart_set_receive_callback(std::function<void()> callback) {
    g_receive_callback = std::move(callback);
}

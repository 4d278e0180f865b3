// The one receive thread: it calls the registered receive function over and over
// until it is told to stop. Stopping joins it, so no call runs after a stop returns.
// The function may wait on its port without a deadline, given the thread's wake
// (Port::WaitReadable(kWaitNoDeadline, uart_thread_wake())): the wake ends that wait
// when the thread is stopped, when the function is replaced and when
// uart_wake_receive_thread hands it work.
//
// Safe by construction at shutdown: a stop asked for on the receive thread itself
// (from inside the receive function) ends the loop after that call and never
// destroys a running thread; the thread is joined by the next call from another
// thread, at the latest when its UartHandler goes. Replacing or removing the receive
// function waits for calls of the old one on other threads, so once it returns the
// old function (and whatever it points at) is never called again. A UartHandler is
// its owner's: apart from such a stop, one thread at a time calls the uart_handler_*
// functions on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/serial/port_wake.h"
#include "core/util/non_copyable.h"

class TUartReceiveThread : private NonCopyable {
public:
    TUartReceiveThread() = default;
    // Joins the thread; on the thread itself it is detached instead, and ends after
    // the call it is in (its flag is shared with it, not part of this object).
    ~TUartReceiveThread();

    // Starts the loop with the given priority level (0 idle .. 6 time-critical).
    void Start(std::uint8_t priority);
    // Asks the loop to end after its current iteration and waits for it, unless
    // called on the thread itself.
    void Terminate();
    bool Running() const { return thread_.joinable(); }
    // True on the receive thread this object runs.
    bool IsCurrentThread() const { return thread_.get_id() == std::this_thread::get_id(); }

private:
    // What the thread shares with this object, so it may outlive it (see the destructor).
    struct State {
        std::atomic<bool> terminated{false};
        // Raised to end the function's wait: by a stop, a new function, or new work.
        PortWake wake;
        // Held by Start until thread_ is set: the loop starts only then, so a stop
        // from inside the first call already sees which thread it runs on.
        std::mutex starting;
    };
    static void Execute(std::shared_ptr<State> state, std::uint8_t priority);

    std::thread thread_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

struct UartHandler : private NonCopyable {
    UartHandler() = default;
    // Joins every thread it started (see the file comment).
    ~UartHandler();

    std::uint8_t priority = 5;
    bool created = false;
    bool running = false;
    std::unique_ptr<TUartReceiveThread> thread;
    // A thread stopped from inside itself, joined by the next call from another thread.
    std::unique_ptr<TUartReceiveThread> retired;
};

void uart_handler_initialize(UartHandler& handler);
bool uart_handler_set_running(UartHandler& handler, bool on);
void uart_handler_finalize(UartHandler& handler);

// The receive function the thread runs (nullptr: none; the loop then rests). Returns
// once no call of the previous function runs on another thread.
void uart_set_receive_callback(std::function<void()> callback);

// Any thread: ends the receive thread's current wait, so it runs its function again
// (for work that is due without new bytes, such as flushing a held partial line).
void uart_wake_receive_thread();

// The wake of the receive thread that calls this, for its waits on the port; nullptr
// on any other thread.
const PortWake* uart_thread_wake();

// Registers a receive function for as long as it lives, so an owner that holds one
// as a member can never be called after it is gone.
class ReceiveCallbackRegistration {
public:
    ReceiveCallbackRegistration() = default;
    explicit ReceiveCallbackRegistration(std::function<void()> callback);
    ~ReceiveCallbackRegistration() { Reset(); }
    ReceiveCallbackRegistration(ReceiveCallbackRegistration&& other) noexcept;
    ReceiveCallbackRegistration& operator=(ReceiveCallbackRegistration&& other) noexcept;

    // Removes the function if it is still the registered one, waiting as
    // uart_set_receive_callback does.
    void Reset();

private:
    std::uint64_t id_ = 0;
};

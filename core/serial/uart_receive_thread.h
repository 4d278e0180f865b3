// The one receive thread: it calls the registered receive function over and over
// until it is told to stop. Stopping joins it, so no call runs after a stop returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class TUartReceiveThread {
public:
    TUartReceiveThread() = default;
    ~TUartReceiveThread();
    TUartReceiveThread(const TUartReceiveThread&) = delete;
    TUartReceiveThread& operator=(const TUartReceiveThread&) = delete;

    // Starts the loop with the given priority level (0 idle .. 6 time-critical).
    void Start(std::uint8_t priority);
    // Asks the loop to end after its current iteration and waits for it.
    void Terminate();
    bool Running() const { return thread_.joinable(); }

private:
    void Execute(std::uint8_t priority);

    std::thread thread_;
    std::atomic<bool> terminated_{false};
};

struct UartHandler {
    std::uint8_t priority = 5;
    bool created = false;
    bool running = false;
    std::unique_ptr<TUartReceiveThread> thread;
};

void uart_handler_initialize(UartHandler& handler);
bool uart_handler_set_running(UartHandler& handler, bool on);
void uart_handler_finalize(UartHandler& handler);

// The receive function the thread runs; registered once, while no thread runs.
void uart_set_receive_callback(std::function<void()> callback);

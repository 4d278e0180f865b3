#include "core/protocol/reply_receiver.h"

#include "core/protocol/zum_exchange.h"

ReplyReceiver::ReplyReceiver(ZumLink& link, int idle_wait_ms)
    : thread_([this, &link, idle_wait_ms] {
          std::uint8_t unknown[kComportReceiveMax];
          while (!stop_.load()) {
              link.port().WaitReadable(idle_wait_ms, nullptr);
              link.ReadFilter(unknown);
          }
      }) {}

ReplyReceiver::~ReplyReceiver() {
    stop_.store(true);
    thread_.join();
}

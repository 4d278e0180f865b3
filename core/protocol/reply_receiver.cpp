#include "core/protocol/reply_receiver.h"

#include "core/protocol/zum_exchange.h"
#include "core/serial/comport.h"

ReplyReceiver::ReplyReceiver(int idle_wait_ms)
    : thread_([this, idle_wait_ms] {
          std::uint8_t unknown[kComportReceiveMax];
          while (!stop_.load()) {
              comport_wait_readable(idle_wait_ms);
              zumReadFilter(unknown);
          }
      }) {}

ReplyReceiver::~ReplyReceiver() {
    stop_.store(true);
    thread_.join();
}

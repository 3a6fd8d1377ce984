#include "platform/pump.h"

#include "platform/platform.h"

namespace mwn {

// The first pump shows what is held back.
MessagePump::MessagePump(Platform& platform, std::uint32_t intervalMs)
    : platform_(platform),
      intervalMs_(intervalMs),
      lastPump_(platform.TickCount()),
      lastShown_(lastPump_ - 3 * intervalMs) {}

// Unsigned subtraction keeps working across the tick counter's wrap.
void MessagePump::Step() {
  if (platform_.TickCount() - lastPump_ >= intervalMs_) Answer();
}

void MessagePump::Full() { Pump(true); }

void MessagePump::Answer() { Pump(platform_.TickCount() - lastShown_ >= 3 * intervalMs_); }

void MessagePump::Pump(bool show) {
  if (show && beforePump_) {
    beforePump_();
    lastShown_ = platform_.TickCount();
  }
  platform_.ProcessMessages();
  lastPump_ = platform_.TickCount();
}

}  // namespace mwn

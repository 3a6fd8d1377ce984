#include "platform/pump.h"

#include "platform/platform.h"

namespace mwn {

MessagePump::MessagePump(Platform& platform, std::uint32_t intervalMs)
    : platform_(platform), intervalMs_(intervalMs), lastPump_(platform.TickCount()) {}

void MessagePump::Step() {
  // Unsigned subtraction keeps working across the tick counter's wrap.
  if (platform_.TickCount() - lastPump_ >= intervalMs_) Full();
}

void MessagePump::Full() {
  if (beforePump_) beforePump_();
  platform_.ProcessMessages();
  lastPump_ = platform_.TickCount();
}

}  // namespace mwn

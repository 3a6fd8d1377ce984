#include "update/walk/listing_pace.h"

#include <bitset>

namespace mwn {

static_assert(ListingPace::kJudged == 64, "one bit of slow_ per listing judged");

bool ListingPace::Record(std::uint64_t microseconds) {
  if (recorded_ < kJudged) ++recorded_;
  slow_ = slow_ << 1 | (microseconds >= kDiskWaitMicroseconds ? 1u : 0u);
  const std::size_t slow = std::bitset<kJudged>(slow_).count();
  if (!fromMemory_ && recorded_ == kJudged && slow == 0) {
    fromMemory_ = true;
    return true;
  }
  // A few slow ones are a busy processor; a quarter, the disk.
  if (fromMemory_ && slow * 4 >= kJudged) {
    fromMemory_ = false;
    recorded_ = 0;
    slow_ = 0;
    return true;
  }
  return false;
}

}  // namespace mwn

// Whether the listings of a volume that does not say how its disk seeks come
// from memory (the system's cache, or a disk that need not seek) or wait for
// the disk's head, judged by how long the latest ones took: any read a
// spinning disk must seek for costs it milliseconds, while a listing from
// memory takes well under one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mwn {

class ListingPace {
 public:
  static constexpr std::size_t kJudged = 64;
  static constexpr std::uint64_t kDiskWaitMicroseconds = 4000;

  // One more listing, which took `microseconds`; true when the judgement
  // changed with it.
  bool Record(std::uint64_t microseconds);
  // False at first, and true from the moment the last kJudged listings each
  // took less than kDiskWaitMicroseconds; false again once a quarter of the
  // last kJudged took longer, and then until kJudged more in a row did not.
  bool FromMemory() const { return fromMemory_; }

 private:
  bool fromMemory_ = false;
  std::size_t recorded_ = 0;
  std::uint64_t slow_ = 0;  // one bit per listing judged, the latest lowest
};

}  // namespace mwn

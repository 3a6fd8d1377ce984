// libFuzzer target: InflatePayload on arbitrary bytes must agree with zlib's
// own streaming inflate, and must neither crash nor leak (AddressSanitizer).
#include <cstdlib>

#include "inflate_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto verdict = mwn::testing::CheckInflate(data, size);
  if (verdict != mwn::testing::InflateVerdict::kSameBytes &&
      verdict != mwn::testing::InflateVerdict::kRejected) {
    std::abort();
  }
  return 0;
}

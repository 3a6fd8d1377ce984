// The one promise InflatePayload makes for any input: either exactly the
// bytes a reference inflater produces, or the decompression error. Shared by
// the seeded mutation test and the libFuzzer target.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "payload/payload.h"
#include "platform/errors.h"

namespace mwn::testing {

// zlib's streaming inflate with an output vector that grows as needed.
inline std::optional<std::vector<std::uint8_t>> ReferenceInflate(const std::uint8_t* data,
                                                                 std::size_t size) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::vector<std::uint8_t> out;
  std::uint8_t chunk[16384];
  stream.next_in = const_cast<std::uint8_t*>(data);
  stream.avail_in = static_cast<uInt>(size);
  int answer = Z_OK;
  do {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    answer = inflate(&stream, Z_NO_FLUSH);
    out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
  } while (answer == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
  inflateEnd(&stream);
  if (answer != Z_STREAM_END) return std::nullopt;
  return out;
}

enum class InflateVerdict { kSameBytes, kRejected, kWrongBytes, kAcceptedBadStream, kRejectedGoodStream };

inline InflateVerdict CheckInflate(const std::uint8_t* data, std::size_t size) {
  const auto expected = ReferenceInflate(data, size);
  try {
    const PayloadImage image = InflatePayload(data, size, 0);
    if (!expected) return InflateVerdict::kAcceptedBadStream;
    const bool same = image.Size() == expected->size() &&
                      (image.Size() == 0 || std::memcmp(image.Data(), expected->data(), image.Size()) == 0);
    return same ? InflateVerdict::kSameBytes : InflateVerdict::kWrongBytes;
  } catch (const EDecompressionError&) {
    return expected ? InflateVerdict::kRejectedGoodStream : InflateVerdict::kRejected;
  }
}

}  // namespace mwn::testing

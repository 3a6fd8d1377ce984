// The file version of an executable image in memory, read from its version
// resource as the system's version calls read it from a file: for a file
// that cannot be trusted to stay what it was once it is written out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mwn {

// The file-version words of the VS_FIXEDFILEINFO of the first version
// resource of the PE image data[0..size). False for anything else: every
// offset is checked against the image's bounds.
bool PeFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                   std::uint32_t& versionLS);

}  // namespace mwn

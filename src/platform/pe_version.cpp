#include "platform/pe_version.h"

namespace mwn {
namespace {

constexpr std::uint32_t kResourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kFixedFileInfoSize = 52;
constexpr char16_t kVersionKey[] = u"VS_VERSION_INFO";

class Image {
 public:
  Image(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Word(std::size_t at, std::uint16_t& value) const {
    if (at > size_ || size_ - at < 2) return false;
    value = static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8);
    return true;
  }
  bool Long(std::size_t at, std::uint32_t& value) const {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!Word(at, low) || !Word(at + 2, high)) return false;
    value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

struct Sections {
  std::size_t table = 0;
  std::uint16_t count = 0;
};

// The file offset of `rva`, through the section that holds it.
bool FileOffset(const Image& image, const Sections& sections, std::uint32_t rva,
                std::size_t& offset) {
  for (std::uint16_t i = 0; i < sections.count; ++i) {
    const std::size_t header = sections.table + i * kSectionHeaderSize;
    std::uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
    if (!image.Long(header + 8, virtualSize) || !image.Long(header + 12, virtualAddress) ||
        !image.Long(header + 16, rawSize) || !image.Long(header + 20, rawPointer)) {
      return false;
    }
    const std::uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
    if (rva >= virtualAddress && rva - virtualAddress < extent) {
      offset = static_cast<std::size_t>(rawPointer) + (rva - virtualAddress);
      return true;
    }
  }
  return false;
}

// The entry of the resource directory at `directory` whose id is `id`, or
// its first entry for id 0; gives its offset field.
bool DirectoryEntry(const Image& image, std::size_t directory, std::uint32_t id,
                    std::uint32_t& target) {
  std::uint16_t named = 0;
  std::uint16_t numbered = 0;
  if (!image.Word(directory + 12, named) || !image.Word(directory + 14, numbered)) return false;
  for (std::size_t i = 0; i < static_cast<std::size_t>(named) + numbered; ++i) {
    std::uint32_t name = 0;
    if (!image.Long(directory + 16 + i * 8, name)) return false;
    if (id == 0 || name == id) return image.Long(directory + 20 + i * 8, target);
  }
  return false;
}

// Resources are a tree of three levels: type, name, language. The version
// resource is the first name and language under the version type.
bool VersionBlock(const Image& image, const Sections& sections, std::size_t resources,
                  std::size_t& block) {
  std::uint32_t entry = 0;
  std::size_t at = resources;
  const std::uint32_t ids[] = {kResourceTypeVersion, 0, 0};
  for (int level = 0; level < 3; ++level) {
    if (!DirectoryEntry(image, at, ids[level], entry)) return false;
    // Subdirectories above the language level, a data entry at it.
    if (((entry & kSubdirectory) != 0) != (level < 2)) return false;
    at = resources + (entry & ~kSubdirectory);
  }
  std::uint32_t dataRva = 0;
  return image.Long(at, dataRva) && FileOffset(image, sections, dataRva, block);
}

}  // namespace

bool PeFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                   std::uint32_t& versionLS) {
  const Image image(data, size);
  std::uint16_t mz = 0, optionalSize = 0, magic = 0;
  std::uint32_t pe = 0, signature = 0, resourceRva = 0;
  Sections sections;
  if (!image.Word(0, mz) || mz != 0x5A4D || !image.Long(0x3C, pe) || !image.Long(pe, signature) ||
      signature != 0x00004550 || !image.Word(pe + 6, sections.count) ||
      !image.Word(pe + 20, optionalSize) || !image.Word(pe + 24, magic)) {
    return false;
  }
  const std::size_t optional = static_cast<std::size_t>(pe) + 24;
  // The data directories follow 96 bytes of a PE32 header, 112 of a PE32+.
  const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
  sections.table = optional + optionalSize;
  std::size_t resources = 0;
  std::size_t block = 0;
  if ((magic != 0x10B && magic != 0x20B) || !image.Long(directories + 2 * 8, resourceRva) ||
      resourceRva == 0 || !FileOffset(image, sections, resourceRva, resources) ||
      !VersionBlock(image, sections, resources, block)) {
    return false;
  }
  // VS_VERSIONINFO: length, value length, type, the key, padding to a
  // multiple of four bytes, then VS_FIXEDFILEINFO.
  std::uint16_t valueLength = 0;
  if (!image.Word(block + 2, valueLength) || valueLength < kFixedFileInfoSize) return false;
  std::size_t at = block + 6;
  for (const char16_t* key = kVersionKey;; ++key, at += 2) {
    std::uint16_t unit = 0;
    if (!image.Word(at, unit) || unit != static_cast<std::uint16_t>(*key)) return false;
    if (*key == 0) break;
  }
  const std::size_t fixed = block + ((at + 2 - block + 3) & ~static_cast<std::size_t>(3));
  std::uint32_t fixedSignature = 0;
  return image.Long(fixed, fixedSignature) && fixedSignature == kFixedFileInfoSignature &&
         image.Long(fixed + 8, versionMS) && image.Long(fixed + 12, versionLS);
}

}  // namespace mwn

// A folder's entries reached by path, each step naming the folder again: for
// runs with a standard user's rights, whose steps can reach only what that
// user could anyway, whatever a link put in the way.
#pragma once

#include <string>

#include "platform/platform.h"

namespace mwn {

class PathFolder : public FolderEntries {
 public:
  PathFolder(Platform& platform, std::string folder)
      : platform_(platform), folder_(std::move(folder)) {}

  bool Attributes(const std::string& name, std::uint32_t& attributes) override;
  std::string NewTempFile(const std::string& prefix, std::uint32_t& error) override;
  std::unique_ptr<WritableFile> CreateNew(const std::string& name, std::uint32_t& error) override;
  std::unique_ptr<WritableFile> Rewrite(const std::string& name, std::uint32_t& error) override;
  std::uint32_t Copy(const std::string& from, const std::string& to,
                     const Progress& progress) override;
  std::uint32_t Rename(const std::string& from, const std::string& to, bool replace) override;
  bool Flush(const std::string& name, const Progress& progress) override;
  bool HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                    const Progress& progress) override;
  bool Same(const std::string& a, const std::string& b, const Progress& progress) override;
  std::string StoredName(const std::string& name) override;
  bool Delete(const std::string& name) override;
  bool FileVersion(const std::string& name, std::uint32_t& versionMS,
                   std::uint32_t& versionLS) override;
  std::vector<std::string> FileNames() override;
  std::uint32_t Hide(const std::string& name) override;
  // A run with a standard user's rights cannot.
  std::uint32_t DeleteAtRestart(const std::string&) override { return kErrorAccessDenied; }
  // A run with a user's own rights leaves the new file the list the folder
  // gives it, as it always has: a share or a disk without access lists
  // could refuse the list of the old one.
  std::uint32_t KeepAccessList(const std::string&, const std::string&) override {
    return kErrorSuccess;
  }

 private:
  std::string PathOf(const std::string& name) const;
  std::uint32_t NotedCode(const char* step, std::uint32_t error);
  bool NotedDone(const char* step, bool done);

  Platform& platform_;
  const std::string folder_;
};

}  // namespace mwn

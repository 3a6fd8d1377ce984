// The fake's held folders: the folder is reached through a root of its own
// ("\\HELD\n"), so that every step goes through the fake's path calls (and
// their logging and fault hooks) yet never through the path that led to it;
// a link at an entry's name is not followed, and nothing is written to one.
#pragma once

#include <string>

#include "fake_platform.h"

class FakePlatform::HeldEntries : public mwn::HeldFolder {
 public:
  HeldEntries(FakePlatform& platform, Node* folder);
  ~HeldEntries() override;
  HeldEntries(const HeldEntries&) = delete;
  HeldEntries& operator=(const HeldEntries&) = delete;

  mwn::FolderTrust Trust() override { return folder_->trust; }
  bool Attributes(const std::string& name, std::uint32_t& attributes) override;
  std::string NewTempFile(const std::string& prefix, std::uint32_t& error) override;
  std::unique_ptr<mwn::WritableFile> CreateNew(const std::string& name,
                                               std::uint32_t& error) override;
  std::unique_ptr<mwn::WritableFile> Rewrite(const std::string& name,
                                             std::uint32_t& error) override;
  std::uint32_t Copy(const std::string& from, const std::string& to,
                     const mwn::Progress& progress) override;
  std::uint32_t Rename(const std::string& from, const std::string& to, bool replace) override;
  bool Flush(const std::string& name, const mwn::Progress& progress) override;
  bool HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                    const mwn::Progress& progress) override;
  bool Same(const std::string& a, const std::string& b, const mwn::Progress& progress) override;
  std::string StoredName(const std::string& name) override;
  bool Delete(const std::string& name) override;
  bool FileVersion(const std::string& name, std::uint32_t& versionMS,
                   std::uint32_t& versionLS) override;
  std::vector<std::string> FileNames() override;
  std::uint32_t Hide(const std::string& name) override;
  std::uint32_t DeleteAtRestart(const std::string& name) override;
  std::uint32_t KeepAccessList(const std::string& from, const std::string& to) override;

 private:
  std::string PathOf(const std::string& name) const { return root_ + "\\" + name; }
  // True when the entry `name`, if there is one, is no link.
  bool NoLink(const std::string& name) const;

  FakePlatform& platform_;
  Node* folder_;
  std::string root_;
};

// The platform interface on Win32, through the 8-bit (ANSI) API.
#pragma once

#include <map>

#include "platform/platform.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace mwn {

class Win32Platform : public Platform {
 public:
  // The hidden application window that owns the system message boxes.
  void SetOwnerWindow(HWND owner) { owner_ = owner; }

  std::uint32_t LogicalDriveMask() override;
  unsigned DriveTypeOf(const std::string& root) override;
  std::uint32_t OpenConnectedDisks(PlatformHandle& handle) override;
  std::uint32_t ReadConnectedDisks(PlatformHandle handle,
                                   std::vector<std::string>& remoteNames) override;
  void CloseConnectedDisks(PlatformHandle handle) override;

  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<FolderListing> ListFolder(const std::string& pattern) override;
  bool FolderIdentity(const std::string& path, FileIdentity& identity) override;
  bool DeleteFileAt(const std::string& path) override;
  bool CopyFileTo(const std::string& source, const std::string& destination,
                  bool overwrite) override;
  bool MoveFileReplacing(const std::string& source, const std::string& destination) override;
  std::string StoredName(const std::string& path) override;
  bool FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                        std::size_t size) override;
  bool FilesHoldSame(const std::string& a, const std::string& b) override;
  bool FileAttributesOf(const std::string& path, std::uint32_t& attributes) override;
  std::string TempPath() override;
  std::string UniqueTempFile(const std::string& folder, const std::string& prefix) override;
  std::uint32_t CreateFolder(const std::string& path) override;
  std::uint32_t RemoveFolder(const std::string& path) override;
  std::uint32_t CreateFileRW(const std::string& path, PlatformHandle& handle) override;
  std::uint32_t WriteFileBytes(PlatformHandle handle, const std::uint8_t* data, std::size_t size,
                               std::size_t& written) override;
  std::uint32_t CloseFile(PlatformHandle handle) override;

  std::uint32_t VersionInfoSize(const std::string& path) override;
  bool VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) override;
  bool RootFileVersion(const std::vector<std::uint8_t>& data, std::uint32_t& versionMS,
                       std::uint32_t& versionLS) override;

  bool OwnResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                   std::size_t& size) override;
  std::string ExecutablePath() override;
  bool EqualIgnoringCase(const std::string& a, const std::string& b) override;

  void ProcessMessages() override;
  std::uint32_t TickCount() override;
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     unsigned flags) override;
  void SetWaitCursor(bool wait) override;

 private:
  HWND owner_ = nullptr;
  // Enumerations and files handed out stay owned here until the caller
  // closes them, so an error that skips the close leaks nothing.
  std::map<PlatformHandle, UniqueNetEnumHandle> enumerations_;
  std::map<PlatformHandle, UniqueFileHandle> files_;
};

// Whether the 8-bit API can be given `path` as it is: shorter than kMaxPath
// and without an embedded NUL, which would silently cut it short.
bool UsableAnsiPath(const std::string& path);

}  // namespace mwn

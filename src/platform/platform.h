// Every operation the updater asks of the operating system, behind one
// interface. The Win32 realisation lives in win32/ and is compiled only by the
// cross build; the unit tests supply an in-memory fake. Paths are 8-bit
// strings in Windows form (C:\, \\server\share, backslash separators).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mwn {

// Drive types as the system reports them for a root path X:\.
enum DriveType : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// File attribute bits the walk looks at.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrVolumeLabel = 0x08;
constexpr std::uint32_t kAttrDirectory = 0x10;
// Junctions, symbolic links and mount points: the only way a walk can lead
// back into a folder it is already in.
constexpr std::uint32_t kAttrReparsePoint = 0x400;

// The system's own error numbers that the program names.
constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNoMoreItems = 259;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorNoNetwork = 1222;

// Longest path, terminator included, that the 8-bit API accepts.
constexpr std::size_t kMaxPath = 260;

// Size of the buffer that receives one batch of network resources.
constexpr std::size_t kNetBatchBufferSize = 16416;

// Message box flags and answers, as the system defines them.
constexpr unsigned kMbOkCancel = 0x01;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconStop = 0x10;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Opaque handle of an open file or enumeration; 0 is never a valid one.
using PlatformHandle = std::uintptr_t;

struct DirEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

// Identity of a file or folder: equal identities mean the same object on
// disk, whatever path reached it.
struct FileIdentity {
  std::uint32_t volumeSerial = 0;
  std::uint64_t fileIndex = 0;
  bool operator==(const FileIdentity& other) const {
    return volumeSerial == other.volumeSerial && fileIndex == other.fileIndex;
  }
};

// An open folder listing; closed when destroyed.
class FolderListing {
 public:
  virtual ~FolderListing() = default;
  // Gives the next entry; false at the end of the listing or on any error.
  virtual bool Next(DirEntry& entry) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- drives and network ---------------------------------------------
  // Bit n set when drive letter A + n exists.
  virtual std::uint32_t LogicalDriveMask() = 0;
  // Type of the drive whose root is `root` (X:\), 0 to 6.
  virtual unsigned DriveTypeOf(const std::string& root) = 0;
  // Opens an enumeration of connected disk resources (scope connected, type
  // disk, no usage filter, no container). Gives 0 and sets `handle`, or the
  // system's error code (1222 when there is no network).
  virtual std::uint32_t OpenConnectedDisks(PlatformHandle& handle) = 0;
  // Reads as many entries as fit (count -1) into a 16,416-byte buffer and
  // gives their remote names. Gives 0 on success; anything else (259 for no
  // more entries, or an error) ends the reading.
  virtual std::uint32_t ReadConnectedDisks(PlatformHandle handle,
                                           std::vector<std::string>& remoteNames) = 0;
  virtual void CloseConnectedDisks(PlatformHandle handle) = 0;

  // --- file system ------------------------------------------------------
  // True when the attributes of `path` can be read and hold the directory bit.
  virtual bool FolderExists(const std::string& path) = 0;
  // True when an entry of exactly this path exists and is not a folder.
  virtual bool FileExists(const std::string& path) = 0;
  // Lists the entries matching `pattern` (folder\*.*) in the system's order,
  // "." and ".." included where the system gives them. Null when the folder
  // cannot be listed.
  virtual std::unique_ptr<FolderListing> ListFolder(const std::string& pattern) = 0;
  // Identity of the folder at `path`; false when it cannot be read.
  virtual bool FolderIdentity(const std::string& path, FileIdentity& identity) = 0;
  virtual bool DeleteFileAt(const std::string& path) = 0;
  virtual bool CopyFileTo(const std::string& source, const std::string& destination,
                          bool overwrite) = 0;
  // Moves `source` onto `destination`, replacing an existing file there.
  // Fails, leaving both as they were, when the destination is read-only,
  // in use or not writable.
  virtual bool MoveFileReplacing(const std::string& source, const std::string& destination) = 0;
  // The on-disk name (last component, as stored) of the file at `path`, or
  // the empty string.
  virtual std::string StoredName(const std::string& path) = 0;
  // True when the file at `path` can be read and holds exactly data[0..size);
  // reads at most 1 MiB at a time, and nothing when the sizes differ.
  virtual bool FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                                std::size_t size) = 0;
  // True when both files can be read and hold the same bytes; reads at most
  // 1 MiB of each at a time.
  virtual bool FilesHoldSame(const std::string& a, const std::string& b) = 0;
  // The attributes of the file or folder at `path`; false when they cannot be
  // read.
  virtual bool FileAttributesOf(const std::string& path, std::uint32_t& attributes) = 0;
  // The temp directory, or the empty string.
  virtual std::string TempPath() = 0;
  // Creates a new empty file named prefix + hex digits + ".TMP" in `folder`
  // and gives its path, or the empty string.
  virtual std::string UniqueTempFile(const std::string& folder, const std::string& prefix) = 0;
  // One level. 0 on success, else the system's error code.
  virtual std::uint32_t CreateFolder(const std::string& path) = 0;
  virtual std::uint32_t RemoveFolder(const std::string& path) = 0;
  // Creates or truncates a file for reading and writing, shared for reading
  // and writing, normal attributes. 0 and `handle` set, or the error code.
  virtual std::uint32_t CreateFileRW(const std::string& path, PlatformHandle& handle) = 0;
  // One write call; `written` receives the count actually written.
  virtual std::uint32_t WriteFileBytes(PlatformHandle handle, const std::uint8_t* data,
                                       std::size_t size, std::size_t& written) = 0;
  virtual std::uint32_t CloseFile(PlatformHandle handle) = 0;

  // --- version information -----------------------------------------------
  // Size of the version information of `path`; 0 when it has none or cannot
  // be read.
  virtual std::uint32_t VersionInfoSize(const std::string& path) = 0;
  // Reads the version information into `data`, which holds `size` bytes.
  virtual bool VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) = 0;
  // The file-version words of the root block "\" of `data`.
  virtual bool RootFileVersion(const std::vector<std::uint8_t>& data, std::uint32_t& versionMS,
                               std::uint32_t& versionLS) = 0;

  // --- the program itself --------------------------------------------------
  // The bytes of the program's own resource, valid for the life of the
  // process; false when it is not there.
  virtual bool OwnResource(const std::string& type, const std::string& name,
                           const std::uint8_t*& data, std::size_t& size) = 0;
  // Full path of the running executable, in the ANSI character set.
  virtual std::string ExecutablePath() = 0;
  // True when the two strings are equal ignoring letter case in the user's
  // locale.
  virtual bool EqualIgnoringCase(const std::string& a, const std::string& b) = 0;

  // --- user interface --------------------------------------------------------
  // Processes every pending window message, then returns.
  virtual void ProcessMessages() = 0;
  // Milliseconds from an arbitrary start; wraps are the caller's concern.
  virtual std::uint32_t TickCount() = 0;
  // The system message box, owned by the application window, with the
  // program's other windows disabled while it is up.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;
  // The wait cursor over the program's windows, or the normal one.
  virtual void SetWaitCursor(bool wait) = 0;
};

}  // namespace mwn

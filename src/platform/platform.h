// Every operation the updater asks of the operating system, behind one
// interface. The Win32 realisation lives in win32/ and is compiled only by the
// cross build; the unit tests supply an in-memory fake. Paths are 8-bit
// strings in Windows form (C:\, \\server\share, backslash separators), and
// all text is UTF-8: WTF-8 (platform/wtf8.h) where a name the system gives
// is not valid UTF-16, so that it reaches the same file again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/error_codes.h"

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

// The system's own limit on the length of a path, in UTF-16 units. A path
// just short of it may still be refused once the platform has given it the
// \\?\ form; it then counts as one that cannot be read.
constexpr std::size_t kMaxPath = 32767;

// Message box flags and answers, as the system defines them.
constexpr unsigned kMbOkCancel = 0x01;
constexpr unsigned kMbYesNo = 0x04;
constexpr unsigned kMbIconStop = 0x10;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Called now and then from inside a long operation (a copy, a comparison),
// so that the caller can let the window answer meanwhile.
using Progress = std::function<void()>;

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

enum class ListStep { kEntry, kEnd, kFailed };

// An open folder listing; closed when destroyed.
class FolderListing {
 public:
  virtual ~FolderListing() = default;
  // kEntry with the next entry; kEnd when there are no more entries; kFailed
  // when the listing broke off (a share gone mid-listing, say).
  virtual ListStep Next(DirEntry& entry) = 0;
};

// An open enumeration of connected disk resources; closed when destroyed.
class ConnectedDisks {
 public:
  virtual ~ConnectedDisks() = default;
  // Reads as many entries as fit (count -1) into one batch and puts their
  // remote names in place of what `remoteNames` held. Gives 0 on success; anything else (259 for no more
  // entries, or an error) ends the reading.
  virtual std::uint32_t Next(std::vector<std::string>& remoteNames) = 0;
};

// A file open for writing; closed when destroyed, if Close was not called.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // One write call; `written` receives the count actually written. 0 or the
  // system's error code. A large write holds the disk for a while: the call
  // is made aside, and `whileWaiting` called whenever a window message
  // arrives meanwhile.
  virtual std::uint32_t Write(const std::uint8_t* data, std::size_t size, std::size_t& written,
                              const Progress& whileWaiting) = 0;
  // 0 or the system's error code: a close can fail where the write did not.
  virtual std::uint32_t Close() = 0;
};

// A folder that only Administrators and SYSTEM may change (others may read
// it), held from its creation so that no other program can rename it,
// remove it or put a link in its place while it is held. Destroyed, it lets
// go of the folder and leaves it where it is.
class PrivateFolder {
 public:
  virtual ~PrivateFolder() = default;
  // Removes the folder itself, which must be empty by then, through the hold:
  // never whatever a link at its path might lead to. 0 or the system's error
  // code (145 when it is not empty).
  virtual std::uint32_t Remove() = 0;
};

// A text file that lines are added to at its end; closed when destroyed.
class LogFile {
 public:
  virtual ~LogFile() = default;
  // Adds `line` and a line end, and writes them through to the disk before
  // it returns, so that a process killed afterwards leaves them there. False
  // when they could not be written.
  virtual bool WriteLine(const std::string& line) = 0;
};

// Held by the one run on the machine; released when destroyed, and by the
// system when the process ends in any way.
class MachineLock {
 public:
  virtual ~MachineLock() = default;
};

struct LocalTime {
  unsigned year = 0;
  unsigned month = 0;
  unsigned day = 0;
  unsigned hour = 0;
  unsigned minute = 0;
  unsigned second = 0;
  unsigned millisecond = 0;
};

// One lock shared by the window's thread and worker threads, with a wait for
// each side. Every wait is entered and left with the lock held, lets it go
// meanwhile, and may end early: callers look again at what they wait for.
class WorkLock {
 public:
  virtual ~WorkLock() = default;
  virtual void Acquire() = 0;
  virtual void Release() = 0;
  // A worker waits until WakeWorkers.
  virtual void WaitAsWorker() = 0;
  // The window's thread waits until WakeOwner, calling `whileWaiting`
  // (without the lock) whenever a window message arrives meanwhile.
  virtual void WaitAnswering(const Progress& whileWaiting) = 0;
  // With the lock held.
  virtual void WakeWorkers() = 0;
  virtual void WakeOwner() = 0;
};

// Threads that run beside the window's thread for one task. Destroying the
// owner joins every one of them; before that, the task tells its threads to
// stop, and a system call that still blocks one of them then (a listing of
// a share that no longer answers) is cancelled where the system can.
class WorkerThreads {
 public:
  virtual ~WorkerThreads() = default;
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
  // disk, no usage filter, no container). Null with the system's error code
  // in `error` (1222 when there is no network) when it cannot.
  virtual std::unique_ptr<ConnectedDisks> OpenConnectedDisks(std::uint32_t& error) = 0;

  // --- file system ------------------------------------------------------
  // True when the attributes of `path` can be read and hold the directory bit.
  virtual bool FolderExists(const std::string& path) = 0;
  // True when an entry of exactly this path exists and is not a folder.
  virtual bool FileExists(const std::string& path) = 0;
  // Lists the entries matching `pattern` (folder\*.*) in the system's order,
  // "." and ".." included where the system gives them. Null when the folder
  // cannot be listed. FolderExists, FileExists, ListFolder, the listings and
  // EqualIgnoringCase may be called from several threads at once.
  virtual std::unique_ptr<FolderListing> ListFolder(const std::string& pattern) = 0;
  // Identity of the folder at `path`; false when it cannot be read.
  virtual bool FolderIdentity(const std::string& path, FileIdentity& identity) = 0;
  virtual bool DeleteFileAt(const std::string& path) = 0;
  // Copies the bytes and attributes of `source` to `destination`, calling
  // `progress` between its chunks. 0 or the system's error code (32 and 33
  // when another program has either file open for the moment).
  virtual std::uint32_t CopyFileTo(const std::string& source, const std::string& destination,
                                   bool overwrite, const Progress& progress) = 0;
  // Renames `source` to `destination` in the same folder, written through to
  // the disk before it returns; with `replace`, over an existing file. 0 or
  // the system's error code; a failed move leaves both as they were (the
  // destination is refused when read-only, in use or not writable).
  virtual std::uint32_t MoveFileTo(const std::string& source, const std::string& destination,
                                   bool replace) = 0;
  // Writes whatever of the file's data is still in the system's cache to
  // the disk, so that it survives a power cut, calling `progress` while it
  // waits for the disk.
  virtual bool FlushFileToDisk(const std::string& path, const Progress& progress) = 0;
  // The on-disk name (last component, as stored) of the file at `path`, or
  // the empty string.
  virtual std::string StoredName(const std::string& path) = 0;
  // True when the file at `path` can be read and holds exactly data[0..size);
  // reads at most 1 MiB at a time, calling `progress` between the chunks, and
  // nothing when the sizes differ.
  virtual bool FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                                std::size_t size, const Progress& progress) = 0;
  // True when both files can be read and hold the same bytes; reads at most
  // 1 MiB of each at a time, calling `progress` between the chunks.
  virtual bool FilesHoldSame(const std::string& a, const std::string& b,
                             const Progress& progress) = 0;
  // The attributes of the file or folder at `path`; false when they cannot be
  // read.
  virtual bool FileAttributesOf(const std::string& path, std::uint32_t& attributes) = 0;
  // The temp directory, or the empty string. A process running as SYSTEM
  // gets one of its own where the system has one, not the folder every user
  // may write to.
  virtual std::string TempPath() = 0;
  // Creates a new empty file named prefix + hex digits + ".TMP" in `folder`
  // and gives its path, or the empty string with the system's error code in
  // `error`.
  virtual std::string UniqueTempFile(const std::string& folder, const std::string& prefix,
                                     std::uint32_t& error) = 0;
  // One level. 0 on success, else the system's error code.
  virtual std::uint32_t CreateFolder(const std::string& path) = 0;
  virtual std::uint32_t RemoveFolder(const std::string& path) = 0;
  // Creates the folder `path` (one level) as a PrivateFolder. Null with the
  // system's error code in `error` when it cannot be made, or when what then
  // stands at the path is not the new folder.
  virtual std::unique_ptr<PrivateFolder> CreatePrivateFolder(const std::string& path,
                                                             std::uint32_t& error) = 0;
  // Creates or truncates a file for reading and writing, shared for reading
  // and writing, normal attributes. Null with the system's error code in
  // `error` when it cannot.
  virtual std::unique_ptr<WritableFile> CreateFileRW(const std::string& path,
                                                     std::uint32_t& error) = 0;
  // The whole content of a small text file; false when it cannot be read.
  virtual bool ReadWholeFile(const std::string& path, std::string& content) = 0;

  // --- threads -----------------------------------------------------------------
  // Null when the system cannot make one.
  virtual std::unique_ptr<WorkLock> NewWorkLock() = 0;
  // Starts up to `count` threads, each running `body` once; null when not
  // even one can be had.
  virtual std::unique_ptr<WorkerThreads> StartWorkerThreads(unsigned count,
                                                            const std::function<void()>& body) = 0;

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
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // True when the two strings are equal ignoring letter case in the user's
  // locale.
  virtual bool EqualIgnoringCase(const std::string& a, const std::string& b) = 0;
  // True when the process already runs with an administrator's full rights.
  virtual bool RunningElevated() = 0;
  // Starts the program's own executable with `arguments` and an
  // administrator's rights (the system asks the user's consent), without a
  // window, and waits for it to end, calling `whileWaiting` whenever a
  // window message arrives meanwhile. 0 with the instance's exit code in
  // `exitCode`; 1223 when the user declined; else the system's error code.
  virtual std::uint32_t RunElevated(const std::string& arguments, const Progress& whileWaiting,
                                    std::uint32_t& exitCode) = 0;

  // The name the process runs under (SYSTEM for a deployment tool's run), or
  // the empty string.
  virtual std::string UserName() = 0;
  // The whole command line as the process was given it.
  virtual std::string ProcessCommandLine() = 0;
  // Takes the lock named `name` for all the sessions of the machine. Null
  // when another process holds it, or holds it under rights this one cannot
  // open; a lock left by a process that ended is taken over.
  virtual std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) = 0;

  // --- the log -----------------------------------------------------------------
  // Opens `path` for adding lines at its end, creating it when missing,
  // shared with readers and other writers. Null with the system's error
  // code in `error` when it cannot.
  virtual std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::uint32_t& error) = 0;
  // The date and time of the machine's time zone, to the millisecond.
  virtual LocalTime Now() = 0;
  // The system's own sentence for error code `code`, without a line end.
  virtual std::string SystemMessage(std::uint32_t code) = 0;

  // --- user interface --------------------------------------------------------
  // Processes every pending window message, then returns.
  virtual void ProcessMessages() = 0;
  // Milliseconds from an arbitrary start; wraps are the caller's concern.
  virtual std::uint32_t TickCount() = 0;
  // Waits about `milliseconds`, processing window messages as they come.
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // The system message box, owned by the application window, with the
  // program's other windows disabled while it is up.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;
  // The wait cursor over the program's windows, or the normal one.
  virtual void SetWaitCursor(bool wait) = 0;
};

}  // namespace mwn

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
constexpr std::uint32_t kAttrReparsePoint = 0x400;
// The bit of a reparse tag that makes the entry another name for a folder
// elsewhere: junctions, symbolic links and mount points, the only way a walk
// can lead back into a folder it is already in. Other reparse points (cloud
// placeholders, deduplicated files) are the folder itself.
constexpr std::uint32_t kReparseTagNameSurrogate = 0x20000000;

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
  std::uint32_t reparseTag = 0;  // with kAttrReparsePoint; else 0
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

// The entries of one folder, each named by its last component alone. The
// replacement of a copy is made entirely of these steps, so that it can act
// either by path or through a folder held open (HeldFolder).
class FolderEntries {
 public:
  virtual ~FolderEntries() = default;
  // The attributes of the entry; false when they cannot be read.
  virtual bool Attributes(const std::string& name, std::uint32_t& attributes) = 0;
  // Creates a new empty file named prefix + hex digits + ".TMP" that no
  // entry had, and gives its name, or the empty string with the system's
  // error code in `error`.
  virtual std::string NewTempFile(const std::string& prefix, std::uint32_t& error) = 0;
  // Creates the file `name`, which must not exist yet, for writing. Null with
  // the system's error code in `error` when it cannot.
  virtual std::unique_ptr<WritableFile> CreateNew(const std::string& name,
                                                  std::uint32_t& error) = 0;
  // Opens the file `name` made by NewTempFile for writing it anew. Null with
  // the system's error code in `error` when it cannot.
  virtual std::unique_ptr<WritableFile> Rewrite(const std::string& name,
                                                std::uint32_t& error) = 0;
  // As Platform::CopyFileTo, over an existing `to`.
  virtual std::uint32_t Copy(const std::string& from, const std::string& to,
                             const Progress& progress) = 0;
  // As Platform::MoveFileTo, within the folder.
  virtual std::uint32_t Rename(const std::string& from, const std::string& to, bool replace) = 0;
  // As Platform::FlushFileToDisk, FileHoldsExactly, FilesHoldSame,
  // StoredName and DeleteFileAt.
  virtual bool Flush(const std::string& name, const Progress& progress) = 0;
  virtual bool HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                            const Progress& progress) = 0;
  virtual bool Same(const std::string& a, const std::string& b, const Progress& progress) = 0;
  virtual std::string StoredName(const std::string& name) = 0;
  virtual bool Delete(const std::string& name) = 0;
};

// A folder held open from the moment it was looked at: opened without
// following a link at its path, and sharing no delete access, so that while
// it is held nobody can rename it, remove it or put a link in its place.
// Every entry is reached relative to the hold, never by path, and an entry
// that is a link (a junction, a symbolic link, a mount point) is neither
// followed nor changed: its steps fail with access denied.
class HeldFolder : public FolderEntries {
 public:
  // True when, by the system's own access check on the security descriptor
  // read through the hold, no one but SYSTEM, Administrators and the
  // system's installer may add, change or remove its entries or change its
  // access list or owner, and one of them owns it.
  virtual bool AdministratorsOnly() = 0;
};

// A folder that only Administrators and SYSTEM may change (others may read
// it), held from its creation so that no other program can rename it,
// remove it or put a link in its place while it is held. Destroyed, it lets
// go of the folder and leaves it where it is.
class PrivateFolder {
 public:
  virtual ~PrivateFolder() = default;
  // Its entries, reached through the hold.
  virtual FolderEntries& Entries() = 0;
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
  // The window's thread waits until WakeOwner or until a window message
  // arrives; true for a message, which the caller then answers.
  virtual bool WaitAnswering() = 0;
  // With the lock held.
  virtual void WakeWorkers() = 0;
  virtual void WakeOwner() = 0;
};

// Threads that run beside the window's thread for one task. Destroying the
// owner joins every one of them, on the window's thread, calling the
// `whileJoining` given at their start whenever a window message arrives
// meanwhile; before that, the task tells its threads to stop, and a system
// call that still blocks one of them then (a listing of a share that no
// longer answers) is cancelled where the system can, and else waited out.
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
  // True when the volume whose root is `root` (X:\) reports that reading
  // far apart costs no seek (a solid-state disk); false when it reports a
  // seek penalty or does not say (systems before Windows 7, volumes over
  // several disks).
  virtual bool NoSeekPenalty(const std::string& root) = 0;
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
  // `path` made absolute and plain by the system's own rules, as every file
  // call would read it: separators of either kind, "." and ".." resolved,
  // trailing dots and spaces dropped. The empty string when it cannot.
  virtual std::string FullPathName(const std::string& path) = 0;
  // prefix + 16 hex digits + ".tmp", drawn from the system's strong random
  // source, so that no one can tell a name ahead and prepare it; the empty
  // string when the source fails.
  virtual std::string RandomTempName(const std::string& prefix) = 0;
  // Holds the folder at `path`, which must be a folder and no link. Null with
  // the system's error code in `error` when it cannot.
  virtual std::unique_ptr<HeldFolder> HoldFolder(const std::string& path,
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
  // even one can be had. `whileJoining` must not throw.
  virtual std::unique_ptr<WorkerThreads> StartWorkerThreads(unsigned count,
                                                            const std::function<void()>& body,
                                                            const Progress& whileJoining) = 0;

  // --- version information -----------------------------------------------
  // Size of the version information of `path`; 0 when it has none or cannot
  // be read.
  virtual std::uint32_t VersionInfoSize(const std::string& path) = 0;
  // Reads the version information into `data`, which holds `size` bytes.
  virtual bool VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) = 0;
  // The file-version words of the version resource of the executable image
  // data[0..size), read from memory; false when it has none.
  virtual bool ImageFileVersion(const std::uint8_t* data, std::size_t size,
                                std::uint32_t& versionMS, std::uint32_t& versionLS) = 0;
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
  // True when the process already runs with an administrator's full rights:
  // started elevated, as SYSTEM, or (before Vista) by an administrator.
  virtual bool RunningElevated() = 0;
  // True when the process runs as no person but as the system itself
  // (SYSTEM, or a service's account), as deployment tools start it.
  virtual bool RunningAsSystemAccount() = 0;
  // Runs `work` on this thread with the rights of the person this process
  // runs for, without an administrator's: the process's own token with the
  // Administrators group for deny only, at medium integrity. False, without
  // running it, when that token cannot be made or used.
  virtual bool WithStandardRights(const std::function<void()>& work) = 0;
  // True when every DLL the system loads on the program's behalf comes from
  // the system folder alone, never from the program's own folder. Without
  // it nothing may be done with an administrator's rights.
  virtual bool DllSearchNarrowed() = 0;
  // Starts the program's own executable with `arguments` and an
  // administrator's rights (the system asks the user's consent), without a
  // window, and waits for it to end, calling `whileWaiting` whenever a
  // window message arrives meanwhile. The executable is the very file the
  // process was started from, held unchanged since. 0 with the instance's
  // exit code in `exitCode`; 1223 when the user declined; 50 without
  // DllSearchNarrowed; else the system's error code.
  virtual std::uint32_t RunElevated(const std::string& arguments, const Progress& whileWaiting,
                                    std::uint32_t& exitCode) = 0;

  // The name the process runs under (SYSTEM for a deployment tool's run), or
  // the empty string.
  virtual std::string UserName() = 0;
  // The whole command line as the process was given it.
  virtual std::string ProcessCommandLine() = 0;
  // Takes the lock named `name` for all the sessions of the machine; a lock
  // left by a process that ended is taken over. Without an administrator's
  // rights: null when another process holds it, or holds it under rights
  // this one cannot open. With them: null only when another process with
  // those rights holds it; a name a standard user made or holds first is
  // passed over, so that no standard user can hold such a run off. Either
  // way, a process without those rights that comes later sees it held.
  virtual std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) = 0;

  // --- the log -----------------------------------------------------------------
  // The folder that a run with an administrator's rights writes /log alone
  // to, %SystemRoot%\Logs\MwnUpdate, made private to Administrators and
  // SYSTEM when missing. `error` 0 when it can be used; else the system's
  // error code: it cannot be made, or what stands there already is a link
  // (4395), no folder (267), or not owned by Administrators or SYSTEM
  // (1307), and a standard user may have prepared it.
  virtual std::string AdministratorsLogFolder(std::uint32_t& error) = 0;
  // Opens `path` for adding lines at its end, creating it when missing,
  // shared with readers and other writers; never through a link at its
  // name. With an administrator's rights, through no link anywhere on its
  // path either, and a log that is there already must be owned by
  // administrators or by this account. Null with the system's error code
  // in `error` when it cannot.
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

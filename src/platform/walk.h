// What the walk asks of the system: the drives, the connected shares, the
// listings of folders and the threads that fetch them ahead. Part of the
// platform interface (platform/platform.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

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

enum class SeekPenalty { kNone, kIncurs, kNotSaid };

struct DirEntry {
  std::string name;
  std::uint32_t attributes = 0;
  std::uint32_t reparseTag = 0;  // with kAttrReparsePoint; else 0
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

class WalkServices {
 public:
  virtual ~WalkServices() = default;

  // Bit n set when drive letter A + n exists.
  virtual std::uint32_t LogicalDriveMask() = 0;
  // Type of the drive whose root is `root` (X:\), 0 to 6.
  virtual unsigned DriveTypeOf(const std::string& root) = 0;
  // What the volume whose root is `root` (X:\) reports of reading far apart:
  // no seek (a solid-state disk), a seek penalty, or nothing (systems before
  // Windows 7, volumes over several disks, many virtual disks).
  virtual SeekPenalty SeekPenaltyOf(const std::string& root) = 0;
  // Opens an enumeration of connected disk resources (scope connected, type
  // disk, no usage filter, no container). Null with the system's error code
  // in `error` (1222 when there is no network) when it cannot.
  virtual std::unique_ptr<ConnectedDisks> OpenConnectedDisks(std::uint32_t& error) = 0;


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

  // True when the two strings are equal ignoring letter case in the user's
  // locale.
  virtual bool EqualIgnoringCase(const std::string& a, const std::string& b) = 0;

  // A steady clock in microseconds from an arbitrary start, fine enough to
  // time one listing; any thread may read it.
  virtual std::uint64_t Microseconds() = 0;
  // Null when the system cannot make one.
  virtual std::unique_ptr<WorkLock> NewWorkLock() = 0;
  // Starts up to `count` threads, each running `body` once; null when not
  // even one can be had. `whileJoining` must not throw.
  virtual std::unique_ptr<WorkerThreads> StartWorkerThreads(unsigned count,
                                                            const std::function<void()>& body,
                                                            const Progress& whileJoining) = 0;
};

}  // namespace mwn

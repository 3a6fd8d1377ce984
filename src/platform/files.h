// What the updater asks of the system about files: by path, in folders held
// open, their version information, and the log. Paths are 8-bit strings in
// Windows form (C:\, \\server\share, backslash separators), and all text is
// UTF-8: WTF-8 (platform/wtf8.h) where a name the system gives is not valid
// UTF-16, so that it reaches the same file again. Part of the platform
// interface (platform/platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/process.h"

namespace mwn {

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

// Identity of a file or folder: equal identities mean the same object on
// disk, whatever path reached it.
struct FileIdentity {
  std::uint32_t volumeSerial = 0;
  std::uint64_t fileIndex = 0;
  bool operator==(const FileIdentity& other) const {
    return volumeSerial == other.volumeSerial && fileIndex == other.fileIndex;
  }
};

// The argument that names the file an elevated instance must be, as the
// instance that asked the consent for it holds it: "--image=", the volume
// serial in 8 hex digits, "-", the file index in 16. The parse takes that
// form alone.
std::string ImageIdentityArgument(const FileIdentity& identity);
bool ParseImageIdentityArgument(const std::string& argument, FileIdentity& identity);

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

// A step of FolderEntries that failed, for the log: its name, and the
// system's code for it (an NTSTATUS where `native`, else an error code; 0
// where the step gives none). No step when none has failed.
struct StepFailure {
  const char* step = nullptr;
  std::uint32_t code = 0;
  bool native = false;
};

// The entries of one folder, each named by its last component alone. The
// replacement of a copy is made entirely of these steps, so that it can act
// either by path or through a folder held open (HeldFolder).
class FolderEntries {
 public:
  virtual ~FolderEntries() = default;
  // The last step that failed, the way each kind notes it.
  StepFailure LastFailure() const { return lastFailure_; }
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
  // The file-version words of the entry's version resource, read from its
  // bytes through this folder, never by the system's loader; false when it
  // has none, cannot be read, or is larger than any executable this is
  // asked about (kLargestVersionedFile).
  virtual bool FileVersion(const std::string& name, std::uint32_t& versionMS,
                           std::uint32_t& versionLS) = 0;
  // The names of the plain files in the folder: no folder, no link. Empty
  // when it cannot be listed.
  virtual std::vector<std::string> FileNames() = 0;
  // Adds the hidden attribute to the entry. 0 or the system's error code.
  virtual std::uint32_t Hide(const std::string& name) = 0;
  // Has the system delete the entry at the next restart; only a folder held
  // with an administrator's rights, whose path no standard user can change
  // up to its drive's root, can. 0 or the system's error code.
  virtual std::uint32_t DeleteAtRestart(const std::string& name) = 0;
  // Gives the entry `to` the access list of the entry `from`, entries and
  // inheritance as they stand, for the file that takes `from`'s place: a
  // replacement keeps the list of what it replaces, as the system's own
  // replacement does, not what the folder gives a new file. 0 or the
  // system's error code.
  virtual std::uint32_t KeepAccessList(const std::string& from, const std::string& to) = 0;

 protected:
  // Notes `step` as the last that failed; gives `code` back.
  std::uint32_t Failed(const char* step, std::uint32_t code, bool native = false) {
    lastFailure_ = StepFailure{step, code, native};
    return code;
  }

 private:
  StepFailure lastFailure_;
};

// The resource may lie anywhere in the file, which is read whole.
constexpr std::uint64_t kLargestVersionedFile = 64u << 20;

// Who besides SYSTEM, Administrators and the system's installer may change a
// folder, weakest answer first: the first that applies is given.
enum class FolderTrust {
  // Some other standard user may rename, remove or rewrite entries that are
  // not theirs, or change the folder's access list or owner; or the check
  // could not say.
  kChangeable,
  // Other users may only add entries of their own: a step relative to the
  // hold on a fresh name created exclusively meets nothing of theirs.
  kUsersMayAdd,
  // Besides them, only the account the process runs as may change it.
  kRunAccountOnly,
  // Only they may change it, and one of them owns it.
  kAdministratorsOnly,
};

// A folder held open from the moment it was looked at: opened without
// following a link at its path, and sharing no delete access, so that while
// it is held nobody can rename it, remove it or put a link in its place.
// Every entry is reached relative to the hold, never by path, and an entry
// that is a link (a junction, a symbolic link, a mount point) is neither
// followed nor changed: its steps fail with access denied. Only reparse
// points that name another entry count as links; a file compressed by the
// system, deduplicated or a cloud placeholder is the entry itself. No step
// waits on another program: an entry whose open would wait for someone's
// oplock counts as in use (32), and a step that can still be held up (a
// rename over an entry others have open) gives up after a few seconds as
// in use too.
class HeldFolder : public FolderEntries {
 public:
  // Decided from the owner and access list read through the hold, by
  // TrustOfAccessList (platform/access_list.h).
  virtual FolderTrust Trust() = 0;
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

class FileServices {
 public:
  virtual ~FileServices() = default;

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
  // Adds the hidden attribute to the file at `path`. 0 or the system's
  // error code.
  virtual std::uint32_t HideFileAt(const std::string& path) = 0;
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

  // Opens `path` for adding lines at its end, creating it when missing,
  // shared with readers and other writers; never through a link at its
  // name. With an administrator's rights, through no link anywhere on its
  // path either, in a folder that no standard user can change (only
  // administrators, or besides them this account), and the log must have
  // that one name (no hard link) and be owned by administrators or by this
  // account. Null with the system's error code in `error` when it cannot.
  virtual std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::uint32_t& error) = 0;
  // As OpenLogFile, under the same rules, for a document written once: what
  // the file held before is dropped, and each WriteLine adds to what this
  // run wrote.
  virtual std::unique_ptr<LogFile> OpenReportFile(const std::string& path,
                                                  std::uint32_t& error) = 0;
};

}  // namespace mwn

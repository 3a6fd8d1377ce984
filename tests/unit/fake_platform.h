// An in-memory machine for the unit tests: drives, network shares, a file
// system that compares names as Windows does, version information carried in
// the file bytes, scripted dialogs, and a hook that makes any call fail.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

enum class Op {
  LogicalDriveMask,
  DriveTypeOf,
  OpenConnectedDisks,
  ReadConnectedDisks,
  CloseConnectedDisks,
  FolderExists,
  FileExists,
  ListFolder,
  ListNext,
  FolderIdentity,
  DeleteFile,
  CopyFile,
  MoveFile,
  StoredName,
  FileHoldsExactly,
  FilesHoldSame,
  FileAttributes,
  TempPath,
  UniqueTempFile,
  CreateFolder,
  RemoveFolder,
  CreateFileRW,
  WriteFileBytes,
  CloseFile,
  VersionInfoSize,
  VersionInfo,
  RootFileVersion,
  OwnResource,
  ExecutablePath,
  EqualIgnoringCase,
  ShowMessageBox,
  SetWaitCursor,
  FlushFile,
  ReadWholeFile,
  RunningElevated,
  RunElevated,
  Pause,
  CreatePrivateFolder,
  RemovePrivateFolder,
  HoldFolder,
  FullPathName,
  RandomTempName,
  EntryVersion,
  SeekPenaltyOf,
  HideFile,
  DeleteAtRestart,
  KeepAccessList,
};

const char* OpName(Op op);

// ASCII letters only, as the fake file system compares names.
bool SameIgnoringCase(const std::string& a, const std::string& b);
// A name the program makes for a while: prefix, hex digits, ".TMP".
bool IsTempName(const std::string& name);

std::vector<std::uint8_t> ToBytes(const std::string& text);
std::string FromBytes(const std::vector<std::uint8_t>& bytes);
// `bytes` as one zlib stream at the level the build uses, as the payload
// resource holds it.
std::vector<std::uint8_t> ZlibStream(const std::string& bytes);
// Executable-like bytes whose version information is `version` (a.b.c.d).
std::string VersionedImage(const std::string& version, const std::string& filler = "");

class FakePlatform : public mwn::Platform {
 public:
  // One platform call as the log records it. For copy and move, `path` is
  // the destination and `other` the source; for handle calls, `path` is the
  // file or folder the handle was opened on.
  struct Call {
    Op op;
    std::string path;
    std::string other;
  };
  struct MessageBox {
    std::string text;
    std::string caption;
    unsigned flags;
  };

  FakePlatform();
  ~FakePlatform() override;

  // --- building the machine ---------------------------------------------
  // Sets the drive's bit in the mask; types other than 1 and 4 get a root.
  void AddDrive(char letter, unsigned type = mwn::kDriveFixed);
  // A root for a share \\server\share (connect it through shareBatches).
  void AddShare(const std::string& remoteName);
  // Missing parents (and the root) are made as plain folders.
  void AddFolder(const std::string& path, std::uint32_t attributes = 0);
  void AddFile(const std::string& path, const std::string& contents, std::uint32_t attributes = 0);
  // A folder entry at `path` that is the folder `target` under another name
  // (a junction), placed at `position` among its folder's entries (by
  // default last).
  void AddLink(const std::string& path, const std::string& target,
               std::size_t position = SIZE_MAX);
  // Makes the entry at `path` a reparse point with this tag.
  void SetReparseTag(const std::string& path, std::uint32_t tag);
  void AddVolumeLabel(const std::string& root, const std::string& name,
                      std::uint32_t attributes = mwn::kAttrVolumeLabel);
  // In use by another program: readable, but cannot be deleted, replaced,
  // moved or opened for writing.
  void SetLocked(const std::string& path, bool locked = true);
  // A running program's image, as the system treats one: readable and
  // renamed within its volume, but neither written, replaced nor deleted;
  // ProgramsHolding names `program` wherever it moves.
  void SetRunningImage(const std::string& path, const mwn::RunningProgram& program);
  void EndRunningPrograms();
  // Exists, but cannot be opened for reading.
  void SetDenyRead(const std::string& path, bool denied = true);
  // A folder whose listing fails.
  void SetUnlistable(const std::string& path, bool unlistable = true);
  void SetAttributes(const std::string& path, std::uint32_t attributes);
  // Only administrators may change it, nor the files in it now: a process
  // without their rights, or working with a user's standard rights, is
  // refused every change in it and every write to those files.
  void SetAdministratorsOnly(const std::string& folder);
  // Who may change the folder, as its hold tells (the run account's own until
  // told otherwise); where users may only add, its files are administrators'.
  void SetTrust(const std::string& folder, mwn::FolderTrust trust);

  // --- what a standard user may do meanwhile ---------------------------------
  // Each is refused, answering false, where that user may not: in a folder
  // only administrators may change, on a folder that is held, and in one
  // where users may only add, anything but adding or replacing what they
  // own.
  // Puts a link to the folder `target` in the place of the folder at `path`.
  bool SwapFolderForLink(const std::string& path, const std::string& target);
  // Puts the file `target` in the place of the file at `path`, as a hard link.
  bool PlantHardLink(const std::string& path, const std::string& target);
  // Creates the file the next unique temp name in `folder` would name.
  bool TakeNextTempName(const std::string& folder);
  // Owned by a standard user, who made it: not by Administrators or SYSTEM.
  void SetOwnedByStandardUser(const std::string& path);

  // --- inspecting it -------------------------------------------------------
  bool IsFile(const std::string& path) const;
  bool IsFolder(const std::string& path) const;
  std::string Contents(const std::string& path) const;
  std::uint32_t AttributesOf(const std::string& path) const;
  // A file's access list, an opaque text; "" for what its folder gives it.
  void SetAccessList(const std::string& path, const std::string& list);
  std::string AccessListOf(const std::string& path) const;
  // Names as stored, in listing order, without "." and "..".
  std::vector<std::string> Names(const std::string& folder) const;
  int OpenHandles() const { return openHandles_; }
  // A power cut: data written since its file was last flushed is lost (the
  // file keeps its length, filled with zeros); names and moves survive, as
  // every move is written through.
  void Crash();
  int CountOf(Op op) const;
  std::vector<Call> CallsOf(Op op) const;

  // --- scripted behaviour ---------------------------------------------------
  // Called before every platform call is made, with the number of calls
  // made so far: a standard user's program acting in between.
  std::function<void(std::size_t callsSoFar)> adversary;
  // True makes this call fail: bool calls answer false, code calls answer
  // failCode, string calls the empty string, listings break off.
  std::function<bool(Op, const std::string& path)> fail;
  std::uint32_t failCode = mwn::kErrorAccessDenied;
  // True makes this copy or write store altered bytes (and still succeed).
  std::function<bool(Op, const std::string& path)> corrupt;
  // Renames keep the stored spelling of the name, even one that changes only
  // the letter case (Wine's file systems); otherwise such a rename takes the
  // new spelling, as NTFS does.
  bool keepsSpellingOnRename = false;
  // At most this many bytes per write call.
  std::size_t writeLimit = SIZE_MAX;

  std::uint32_t openAnswer = mwn::kErrorSuccess;
  std::vector<std::vector<std::string>> shareBatches;
  // Answer of the n-th read; reads past the list give the next batch, then 259.
  std::vector<std::uint32_t> readAnswers;

  std::vector<std::uint8_t> resource;
  // How far from its start the resource was let go of.
  std::size_t resourceForgotten = 0;
  bool hasResource = true;
  std::string executablePath = "C:\\Program Files\\Mwn\\MwnUpdate.exe";
  std::string tempPath = "C:\\Temp\\";
  unsigned tempCounter = 0x1A2B;

  bool elevated = false;
  // Runs as SYSTEM.
  bool systemAccount = false;
  // The DLL search is narrowed to the system folder.
  bool dllSearchNarrowed = true;
  std::string windowsFolder = "C:\\Windows";
  // What the elevated instance does while it runs, and its exit code; the
  // start answers elevationAnswer when that is not 0.
  std::function<std::uint32_t(const std::string& arguments)> elevatedInstance;
  std::uint32_t elevationAnswer = mwn::kErrorSuccess;

  std::string userName = "alice";
  std::string commandLine = "\"C:\\Program Files\\Mwn\\MwnUpdate.exe\"";
  // The machine's lock, in two namespaces. Another process holds its name in
  // the one every session shares, where any user may make it first (a run
  // without an administrator's rights, or a standard user squatting it):
  // only runs without those rights are held off by that.
  bool lockedByOther = false;
  // Another run with an administrator's rights holds it, in the namespace
  // only such runs can make: every run is held off.
  bool lockedByAdministratorsRun = false;
  int locksHeld = 0;
  // Every log opened, by path: its lines in order, as written; every report,
  // by path, as its last opening left it.
  std::map<std::string, std::vector<std::string>> logs;
  std::map<std::string, std::vector<std::string>> reports;
  // The status values written, by "HKLM\name" or "HKCU\name": the number
  // in decimal or the text; and how many times it was written.
  std::map<std::string, std::string> registry;
  int statusWrites = 0;
  // The names the system is to delete at the next restart, in their held
  // folders.
  std::vector<std::string> deletionsAtRestart;
  std::uint32_t statusAnswer = mwn::kErrorSuccess;
  // The programs the system names as holding a file open, by path.
  std::map<std::string, std::vector<mwn::RunningProgram>> holders;
  mwn::LocalTime utcNow{2026, 3, 1, 13, 5, 9, 0};
  bool logOpens = true;
  mwn::LocalTime now{2026, 3, 1, 14, 5, 9, 42};
  // The walk's calls: the time each listing takes, paid on the calling
  // thread outside the platform's lock, so that listings made at once overlap
  // as over a network; and how many threads the machine gives (none: every
  // walk lists for itself).
  std::function<std::chrono::microseconds(const std::string& pattern)> listingDelay;
  unsigned threadLimit = 0;
  // Threads started and not yet joined, and how many were started each time.
  std::atomic<int> liveThreads{0};
  std::vector<unsigned> threadCounts;
  // The first this many waits of each work lock's window side end at once,
  // as on a window message.
  int messagesWhileWaiting = 0;
  // Drive letters that report no seek, and that report a seek penalty; the
  // others say nothing.
  std::string noSeekPenaltyDrives;
  std::string seekPenaltyDrives;

  std::function<void()> onPump;
  int pumps = 0;
  std::uint32_t tick = 0;
  std::uint32_t tickStep = 1;

  std::deque<int> boxAnswers;  // empty: OK for OK/Cancel, Yes for Yes/No
  std::vector<MessageBox> boxes;
  std::vector<bool> cursorHistory;  // true: wait
  // When set, cursor changes and message boxes are also logged here, so
  // that their order against the window's events can be checked.
  std::vector<std::string>* events = nullptr;

  std::vector<Call> calls;

  // --- mwn::Platform ----------------------------------------------------------
  std::uint32_t LogicalDriveMask() override;
  unsigned DriveTypeOf(const std::string& root) override;
  mwn::SeekPenalty SeekPenaltyOf(const std::string& root) override;
  std::uint64_t Microseconds() override;
  std::unique_ptr<mwn::ConnectedDisks> OpenConnectedDisks(std::uint32_t& error) override;
  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<mwn::FolderListing> ListFolder(const std::string& pattern) override;
  bool FolderIdentity(const std::string& path, mwn::FileIdentity& identity) override;
  bool DeleteFileAt(const std::string& path) override;
  std::uint32_t CopyFileTo(const std::string& source, const std::string& destination,
                           bool overwrite, const mwn::Progress& progress) override;
  std::uint32_t MoveFileTo(const std::string& source, const std::string& destination,
                           bool replace) override;
  bool FlushFileToDisk(const std::string& path, const mwn::Progress& progress) override;
  std::string StoredName(const std::string& path) override;
  bool FileHoldsExactly(const std::string& path, const std::uint8_t* data, std::size_t size,
                        const mwn::Progress& progress) override;
  bool FilesHoldSame(const std::string& a, const std::string& b,
                     const mwn::Progress& progress) override;
  bool FileAttributesOf(const std::string& path, std::uint32_t& attributes) override;
  std::uint32_t HideFileAt(const std::string& path) override;
  std::string TempPath() override;
  std::string UniqueTempFile(const std::string& folder, const std::string& prefix,
                             std::uint32_t& error) override;
  std::uint32_t CreateFolder(const std::string& path) override;
  std::uint32_t RemoveFolder(const std::string& path) override;
  std::unique_ptr<mwn::PrivateFolder> CreatePrivateFolder(const std::string& path,
                                                          std::uint32_t& error) override;
  std::unique_ptr<mwn::WritableFile> CreateFileRW(const std::string& path,
                                                  std::uint32_t& error) override;
  bool ReadWholeFile(const std::string& path, std::string& content) override;
  std::uint32_t VersionInfoSize(const std::string& path) override;
  bool VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) override;
  bool RootFileVersion(const std::vector<std::uint8_t>& data, std::uint32_t& versionMS,
                       std::uint32_t& versionLS) override;
  void ForgetOwnResourceBytes(const std::uint8_t* data, std::size_t size) override;
  bool OwnResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                   std::size_t& size) override;
  std::string ExecutablePath() override;
  bool EqualIgnoringCase(const std::string& a, const std::string& b) override;
  bool RunningElevated() override;
  bool RunningAsSystemAccount() override { return systemAccount; }
  std::string FullPathName(const std::string& path) override;
  std::string RandomTempName(const std::string& prefix) override;
  std::unique_ptr<mwn::HeldFolder> HoldFolder(const std::string& path,
                                              std::uint32_t& error) override;
  bool ImageFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                        std::uint32_t& versionLS) override;
  bool DllSearchNarrowed() override { return dllSearchNarrowed; }
  std::uint32_t RunElevated(const std::string& arguments, const mwn::Progress& whileWaiting,
                            std::uint32_t& exitCode) override;
  std::string UserName() override { return userName; }
  std::string ProcessCommandLine() override { return commandLine; }
  std::unique_ptr<mwn::MachineLock> TakeMachineLock(const std::string& name) override;
  std::string AdministratorsLogFolder(std::uint32_t& error) override;
  std::unique_ptr<mwn::LogFile> OpenLogFile(const std::string& path, std::uint32_t& error) override;
  mwn::LocalTime Now() override { return now; }
  mwn::LocalTime UniversalNow() override { return utcNow; }
  std::vector<mwn::RunningProgram> ProgramsHolding(const std::string& path) override;
  std::uint32_t WriteStatus(bool machine, const std::vector<mwn::StatusValue>& values) override;
  std::unique_ptr<mwn::LogFile> OpenReportFile(const std::string& path,
                                               std::uint32_t& error) override;
  // "message <code>": enough to tell which code a line names.
  std::string SystemMessage(std::uint32_t code) override;
  std::unique_ptr<mwn::WorkLock> NewWorkLock() override;
  std::unique_ptr<mwn::WorkerThreads> StartWorkerThreads(
      unsigned count, const std::function<void()>& body,
      const mwn::Progress& whileJoining) override;
  void ProcessMessages() override;
  std::uint32_t TickCount() override;
  void Pause(std::uint32_t milliseconds) override;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void SetWaitCursor(bool wait) override;

 private:
  struct Node;
  struct Entry {
    std::string name;  // as stored
    Node* node;
    bool link = false;  // a link to a folder elsewhere, listed as a reparse point
  };
  struct Node {
    bool folder = false;
    std::uint32_t attributes = 0;
    std::uint32_t reparseTag = 0;
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<Entry> entries;  // folders: in listing order
    bool locked = false;
    std::vector<mwn::RunningProgram> runningAs;  // a running image, of these
    bool Running() const { return !runningAs.empty(); }
    bool denyRead = false;
    bool unflushed = false;  // data still in the write cache
    bool unlistable = false;
    bool administratorsOnly = false;
    mwn::FolderTrust trust = mwn::FolderTrust::kRunAccountOnly;
    int holds = 0;  // held folders: cannot be renamed, removed or replaced
    bool ownedByStandardUser = false;
    std::string accessList;  // files: "" for what the folder gives a new one
  };
  struct Resolved {
    Node* parent = nullptr;    // folder holding the last component
    std::size_t position = 0;  // index of the entry in parent, when found
    Node* node = nullptr;      // the object itself, when found
    std::string lastName;      // last component as written
  };
  class Listing;
  class Enumeration;
  class File;
  class PrivateHold;
  class HeldEntries;

  bool Failing(Op op, const std::string& path, const std::string& other = "");
  void PayListingDelay(const std::string& pattern);
  Node* NewNode(bool folder, std::uint32_t volume, std::uint32_t attributes);
  Node* RootOf(const std::string& path, std::string& rest) const;
  Node* EnsureRoot(const std::string& path);
  Resolved Resolve(const std::string& path) const;
  Node* Find(const std::string& path) const;
  Node* FindOrDie(const std::string& path) const;
  const Node* Readable(const std::string& path) const;
  Node* EnsureFolder(const std::string& path);
  // One level, as CreateFolder makes it: 0 or the system's code.
  std::uint32_t MakeFolder(const std::string& path);
  void RemoveEntry(Node* parent, std::size_t position);
  // True when a change in `folder`, or of the file itself, is refused to
  // this process as it runs now; the system answers access denied.
  bool ChangeRefused(const Node* node) const;
  // True when a standard user may rename or remove entries of `folder`.
  static bool OthersMayChange(const Node* folder);
  // The folder entry at `path` itself, not following it should it be a link.
  const Entry* EntryAt(const std::string& path) const;
  // True when a folder on the way to `path`, or `path` itself, is a link.
  bool CrossesLink(const std::string& path) const;
  std::vector<std::uint8_t> Corrupted(std::vector<std::uint8_t> bytes) const;
  void Event(const std::string& text);

  std::vector<std::unique_ptr<Node>> nodes_;
  std::map<std::string, Node*> roots_;  // key: root in upper case ("C:", "\\SRV\APPS")
  std::uint32_t driveMask_ = 0;
  std::map<char, unsigned> driveTypes_;
  std::uint32_t nextVolume_ = 0x1000;
  std::uint64_t nextIndex_ = 1;
  int openHandles_ = 0;
  // Around the state the walk's calls touch, which may come from several
  // threads at once.
  mutable std::recursive_mutex mutex_;
  std::mutex delayMutex_;
  std::condition_variable delayEnds_;
  bool cancelBlocked_ = false;
  bool inAdversary_ = false;
  std::uint64_t randomCounter_ = 0x5EED;
  std::vector<std::uint8_t> ownVersion_;
};

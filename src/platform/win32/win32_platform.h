// The platform interface on Win32, through the wide API: the program's UTF-8
// text crosses to the system's UTF-16 in wide_path.h and nowhere else.
#pragma once

#include "platform/platform.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace mwn {

class Win32Platform : public Platform {
 public:
  // The hidden application window that owns the system message boxes and
  // the consent prompt for administrator's rights.
  void SetOwnerWindow(HWND owner) { owner_ = owner; }

  std::uint32_t LogicalDriveMask() override;
  unsigned DriveTypeOf(const std::string& root) override;
  SeekPenalty SeekPenaltyOf(const std::string& root) override;
  std::unique_ptr<ConnectedDisks> OpenConnectedDisks(std::uint32_t& error) override;

  bool FolderExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::unique_ptr<FolderListing> ListFolder(const std::string& pattern) override;
  bool FolderIdentity(const std::string& path, FileIdentity& identity) override;
  bool DeleteFileAt(const std::string& path) override;
  std::uint32_t CopyFileTo(const std::string& source, const std::string& destination,
                           bool overwrite, const Progress& progress) override;
  std::uint32_t MoveFileTo(const std::string& source, const std::string& destination,
                           bool replace) override;
  bool FlushFileToDisk(const std::string& path, const Progress& progress) override;
  std::string StoredName(const std::string& path) override;
  bool FileHoldsExactly(const std::string& path, const std::uint8_t* data, std::size_t size,
                        const Progress& progress) override;
  bool FilesHoldSame(const std::string& a, const std::string& b,
                     const Progress& progress) override;
  bool FileAttributesOf(const std::string& path, std::uint32_t& attributes) override;
  std::uint32_t HideFileAt(const std::string& path) override;
  std::string TempPath() override;
  std::string UniqueTempFile(const std::string& folder, const std::string& prefix,
                             std::uint32_t& error) override;
  std::uint32_t CreateFolder(const std::string& path) override;
  std::uint32_t RemoveFolder(const std::string& path) override;
  std::unique_ptr<PrivateFolder> CreatePrivateFolder(const std::string& path,
                                                     std::uint32_t& error) override;
  std::unique_ptr<HeldFolder> HoldFolder(const std::string& path, std::uint32_t& error) override;
  std::string RandomTempName(const std::string& prefix) override;
  std::unique_ptr<WritableFile> CreateFileRW(const std::string& path,
                                             std::uint32_t& error) override;
  bool ReadWholeFile(const std::string& path, std::string& content) override;

  std::uint64_t Microseconds() override;
  std::unique_ptr<WorkLock> NewWorkLock() override;
  std::unique_ptr<WorkerThreads> StartWorkerThreads(unsigned count,
                                                    const std::function<void()>& body,
                                                    const Progress& whileJoining) override;

  std::uint32_t VersionInfoSize(const std::string& path) override;
  bool VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) override;
  bool RootFileVersion(const std::vector<std::uint8_t>& data, std::uint32_t& versionMS,
                       std::uint32_t& versionLS) override;

  void ForgetOwnResourceBytes(const std::uint8_t* data, std::size_t size) override;
  bool OwnResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                   std::size_t& size) override;
  std::string ExecutablePath() override;
  // The running executable's file name, which the application title is made
  // from: for a name the ANSI code page can spell, that spelling read as OEM
  // text and converted to ANSI, as the title has always been made; any other
  // name as it is.
  std::string TitleName();
  bool EqualIgnoringCase(const std::string& a, const std::string& b) override;
  bool ImageFileVersion(const std::uint8_t* data, std::size_t size, std::uint32_t& versionMS,
                        std::uint32_t& versionLS) override;
  std::string FullPathName(const std::string& path) override;
  bool RunningElevated() override;
  bool RunningAsSystemAccount() override;
  bool DllSearchNarrowed() override;
  std::uint32_t RunElevated(const std::string& arguments, const Progress& whileWaiting,
                            std::uint32_t& exitCode) override;
  std::string UserName() override;
  std::string ProcessCommandLine() override;
  std::unique_ptr<MachineLock> TakeMachineLock(const std::string& name) override;

  std::string AdministratorsLogFolder(std::uint32_t& error) override;
  std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::uint32_t& error) override;
  std::unique_ptr<LogFile> OpenReportFile(const std::string& path, std::uint32_t& error) override;
  std::uint32_t WriteStatus(bool machine, const std::vector<StatusValue>& values) override;
  LocalTime Now() override;
  LocalTime UniversalNow() override;
  std::vector<RunningProgram> ProgramsHolding(const std::string& path) override;
  std::string SystemMessage(std::uint32_t code) override;

  void ProcessMessages() override;
  std::uint32_t TickCount() override;
  void Pause(std::uint32_t milliseconds) override;
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     unsigned flags) override;
  void SetWaitCursor(bool wait) override;

 private:
  HWND owner_ = nullptr;
};

// Win32Platform::RunningElevated, for the realisation's own use.
bool ProcessElevated();

// Files are opened so that they never stand in the way of another program
// that has them open too, nor of their own replacement.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A wildcard in a path would make a lookup report some other file.
bool HasWildcard(const std::string& path);

// For waits that also end on window messages: without it, a message that
// arrived before the queue was last looked at no longer counts as new, and
// the wait would sleep on while it waits unprocessed.
constexpr DWORD kWakeOnAnyInput = MWMO_INPUTAVAILABLE;

// True when a WM_QUIT waits in this thread's queue: the program is ending,
// and waiting for window messages would only find it again and again.
bool QuitPending();

// Waits until `object` is signalled, calling `whileWaiting` whenever a window
// message arrives meanwhile (not once the program is ending). False when the
// wait itself fails.
bool WaitAnswering(HANDLE object, const Progress& whileWaiting);

// Makes one system call that may hold its thread for long and cannot be
// split (writing a large file out, writing it in one call) on a thread of
// its own, calling `whileWaiting` as WaitAnswering does; on this thread when
// there is nothing to call meanwhile, no window of this thread to answer, or
// no other thread to be had. Gives `call`'s answer.
DWORD CallAnswering(LPTHREAD_START_ROUTINE call, void* context, const Progress& whileWaiting);

// Makes one system call that another program can hold up without end (a
// rename or a delete that waits for a user's oplock to be given up) on a
// thread of its own, and cancels it after `limitMs`. Gives `call`'s answer
// when it ends, else `whenHeldUp`. `call` must own what it uses: a step
// the cancel cannot end is left to run on.
DWORD CallBounded(const std::function<DWORD()>& call, DWORD limitMs, DWORD whenHeldUp);

// True when the file open for reading at its start holds exactly
// data[0..size), or the same bytes as the other; read 1 MiB at a time, with
// `progress` called between the chunks.
bool HoldsExactly(HANDLE file, const std::uint8_t* data, std::size_t size,
                  const Progress& progress);
bool HoldSame(HANDLE first, HANDLE second, const Progress& progress);

// Who may change the folder open as `folder` (with READ_CONTROL), by the
// rule of platform/access_list.h over its owner and access list.
FolderTrust TrustOfFolder(HANDLE folder);

// prefix + 16 hex digits + ".tmp" from the system's strong random source, or
// the empty string.
std::string StrongRandomTempName(const std::string& prefix);

// The folder at `path` opened one folder at a time, each relative to the one
// before and none followed should it be a link; the last one shares no
// delete access. Null with the system's error code in `error`.
UniqueKernelHandle HoldPath(const std::string& path, DWORD& error);

// The log `name` in the folder at `folderPath`, as a run with an
// administrator's rights opens it (see held_folder.cpp). Null with the
// system's error code in `error`.
UniqueFileHandle OpenHeldLog(const std::string& folderPath, const std::string& name,
                             DWORD& error);

// The entries of the folder open as `folder`, which must stay open as long as
// they are used, reached relative to it.
std::unique_ptr<HeldFolder> HeldFolderOn(HANDLE folder);

// Adds the hidden attribute to the file open as `file`, which must have been
// opened for reading and writing its attributes. 0 or the system's code.
DWORD HideOpenFile(HANDLE file);

// Gives the file open as `target` the access list of the one open as
// `source`, its entries and their inheritance as they stand: read and set
// through the handles, never by path. 0 or the system's error code.
DWORD CopyAccessList(HANDLE source, HANDLE target);

// Has the system delete the entry `name` of the folder held as `folder` at
// the next restart, which it does by path: only where the folder is one only
// administrators may change and every folder above it, up to its drive's
// root, one whose entries no standard user may rename. 0 or the system's
// code.
DWORD DeleteEntryAtRestart(HANDLE folder, const std::wstring& name);

// The WritableFile of a file open for writing; it takes the handle over.
std::unique_ptr<WritableFile> WritableFileOf(UniqueFileHandle file);

}  // namespace mwn

// A folder a run with an administrator's rights acts in: held open, and
// every entry reached relative to the hold with the native calls, so that no
// step names the folder by path again. A path is looked up once, when the
// folder is opened; from then on a junction put in its place, or anywhere
// above it, changes nothing the run does.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/pe_version.h"
#include "platform/win32/rights/administrators.h"
#include "platform/win32/files/nt_file.h"
#include "platform/win32/process/own_executable.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

constexpr std::size_t kCopyChunk = 1u << 20;
constexpr int kTempNameTries = 16;
// NtQueryDirectoryFile's class of entries that carry a name only.
constexpr int kFileNamesInformation = 12;
// And of entries with their attributes.
constexpr int kFileDirectoryInformation = 1;
constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006);

DWORD ErrorOf(NTSTATUS status) { return RtlNtStatusToDosError(status); }

// One component: no separator, no "." or "..", no wildcard, no stream.
bool PlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos;
}

DWORD AttributesOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(handle, &information) ? information.dwFileAttributes
                                                          : INVALID_FILE_ATTRIBUTES;
}

// A junction, a symbolic link or a mount point: a reparse point that names
// another entry. Others (compressed by the system, deduplicated, cloud
// placeholders) are the entry itself, read through their filter. A tag that
// cannot be read counts as a link.
bool IsLink(HANDLE handle) {
  if ((AttributesOfHandle(handle) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  struct {
    ULONG attributes;
    ULONG reparseTag;
  } tag{};
  IO_STATUS_BLOCK status{};
  return NtQueryInformationFile(handle, &status, &tag, sizeof tag,
                                static_cast<FILE_INFORMATION_CLASS>(kFileAttributeTagInformation)) <
             0 ||
         (tag.reparseTag & kReparseTagNameSurrogate) != 0;
}

DWORD AttributesOfEntry(HANDLE handle) {
  const DWORD attributes = AttributesOfHandle(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES || IsLink(handle)) return attributes;
  return attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
}

UniqueKernelHandle NativeOpen(HANDLE root, const std::wstring& name, ACCESS_MASK access,
                              ULONG share, ULONG disposition, ULONG options, NTSTATUS& opened,
                              ULONG_PTR& outcome) {
  UNICODE_STRING counted = CountedString(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  opened = NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &status, nullptr,
                        FILE_ATTRIBUTE_NORMAL, share, disposition,
                        options | FILE_SYNCHRONOUS_IO_NONALERT | kCompleteIfOplocked, nullptr, 0);
  if (opened < 0) return UniqueKernelHandle();
  outcome = status.Information;
  // Someone's oplock stood in the way: the file counts as in use, as it
  // would be had they opened it sharing nothing.
  UniqueKernelHandle owned(handle);
  if (opened == kStatusOplockBreakInProgress) owned.take(nullptr);
  return owned;
}

// `name` opened relative to `root` (or, without one, `name` as a full kernel
// path), synchronously, without waiting for anyone's oplock and without
// following a link at it. A link is refused unless `linksToo`, so that
// nothing but its attributes is ever read through one and nothing at all
// written. Null with the last error set when it cannot, and the native
// status in `opened`; `outcome`, where given, says whether the file was
// opened or made.
UniqueKernelHandle OpenNoLink(HANDLE root, const std::wstring& name, ACCESS_MASK access,
                              ULONG share, ULONG disposition, ULONG options, bool linksToo,
                              NTSTATUS& opened, ULONG_PTR* outcome = nullptr) {
  ULONG_PTR made = 0;
  UniqueKernelHandle owned = NativeOpen(root, name, access, share, disposition,
                                        options | kOpenReparsePoint, opened, made);
  if (owned && (AttributesOfHandle(owned.get()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    if (IsLink(owned.get())) {
      if (!linksToo) {
        opened = kStatusReparsePointEncountered;
        SetLastError(ERROR_ACCESS_DENIED);
        return UniqueKernelHandle();
      }
    } else if (!linksToo) {
      // Opened once more through its filter, relative to the handle itself:
      // the same file, whatever its name now leads to.
      FileIdentity first;
      FileIdentity again;
      UniqueKernelHandle reopened = NativeOpen(owned.get(), L"", access, share, kNtFileOpen,
                                               options, opened, made);
      if (reopened && (!IdentityOf(owned.get(), first) ||
                       !IdentityOf(reopened.get(), again) || !(first == again))) {
        opened = kStatusReparsePointEncountered;
        SetLastError(ERROR_ACCESS_DENIED);
        return UniqueKernelHandle();
      }
      owned = std::move(reopened);
    }
  }
  if (!owned) {
    SetLastError(opened == kStatusOplockBreakInProgress ? ERROR_SHARING_VIOLATION
                                                         : ErrorOf(opened));
    return owned;
  }
  if (outcome != nullptr) *outcome = made;
  return owned;
}

struct Flush {
  static DWORD WINAPI Call(LPVOID file) { return FlushFileBuffers(static_cast<HANDLE>(file)); }
};

// What a rename or a delete may wait for a user's oplock before it counts
// as in use.
constexpr DWORD kHeldUpLimitMs = 5000;

// A handle of this process's own to the object `handle` is open on.
std::shared_ptr<UniqueKernelHandle> Duplicate(HANDLE handle) {
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &own, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return std::make_shared<UniqueKernelHandle>(own);
}

// A change of the entry open as `file` (a rename, a delete): made aside and
// bounded, since another program's oplock on it can hold it up for ever.
// The thread owns handles of its own to the file and, for a rename, to the
// folder its new name is relative to, and the information it sets: should
// it outlive the caller, nothing it uses has gone or stands for another.
NTSTATUS SetBounded(HANDLE file, std::vector<std::uint8_t> information,
                    FILE_INFORMATION_CLASS kind, HANDLE renameRoot = nullptr) {
  const std::shared_ptr<UniqueKernelHandle> ownFile = Duplicate(file);
  const std::shared_ptr<UniqueKernelHandle> ownRoot =
      renameRoot != nullptr ? Duplicate(renameRoot) : nullptr;
  if (!ownFile || (renameRoot != nullptr && !ownRoot)) {
    return static_cast<NTSTATUS>(0xC0000008);  // STATUS_INVALID_HANDLE
  }
  if (ownRoot) {
    reinterpret_cast<FILE_RENAME_INFORMATION*>(information.data())->RootDirectory = ownRoot->get();
  }
  return static_cast<NTSTATUS>(CallBounded(
      [ownFile, ownRoot, information, kind]() mutable {
        IO_STATUS_BLOCK status{};
        return static_cast<DWORD>(NtSetInformationFile(ownFile->get(), &status,
                                                       information.data(),
                                                       static_cast<ULONG>(information.size()),
                                                       kind));
      },
      kHeldUpLimitMs, static_cast<DWORD>(kStatusSharingViolation)));
}

class Win32HeldFolder : public HeldFolder {
 public:
  explicit Win32HeldFolder(UniqueKernelHandle folder)
      : folder_(folder.get()), owned_(std::move(folder)) {}
  explicit Win32HeldFolder(HANDLE folder) : folder_(folder) {}

  FolderTrust Trust() override { return TrustOfFolder(folder_); }

  bool Attributes(const std::string& name, std::uint32_t& attributes) override {
    // None is an answer (no such entry), not a failed step.
    const UniqueKernelHandle entry =
        Open(nullptr, name, FILE_READ_ATTRIBUTES, kNtFileOpen, 0, true);
    const DWORD found = entry ? AttributesOfEntry(entry.get()) : INVALID_FILE_ATTRIBUTES;
    if (found == INVALID_FILE_ATTRIBUTES) return false;
    attributes = found;
    return true;
  }

  // Named from the system's random source: no one can tell the next name
  // ahead, and a name that is taken all the same is simply passed over.
  std::string NewTempFile(const std::string& prefix, std::uint32_t& error) override {
    error = ERROR_FILE_EXISTS;
    for (int tries = 0; tries < kTempNameTries; ++tries) {
      const std::string name = StrongRandomTempName(prefix);
      if (name.empty()) {
        error = Failed("random name", ERROR_GEN_FAILURE);
        break;
      }
      const UniqueKernelHandle file = Create(name, GENERIC_WRITE, kNtFileCreate, error);
      if (file) return name;
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return "";
  }

  std::unique_ptr<WritableFile> CreateNew(const std::string& name, std::uint32_t& error) override {
    UniqueKernelHandle file = Create(name, GENERIC_READ | GENERIC_WRITE, kNtFileCreate, error);
    if (!file) return nullptr;
    return WritableFileOf(UniqueFileHandle(file.release()));
  }

  std::unique_ptr<WritableFile> Rewrite(const std::string& name, std::uint32_t& error) override {
    UniqueKernelHandle file = Create(name, GENERIC_READ | GENERIC_WRITE, kNtFileOverwrite, error);
    if (!file) return nullptr;
    return WritableFileOf(UniqueFileHandle(file.release()));
  }

  // The bytes, then the attributes and times, as a copy by the system
  // would give them; `to` must exist.
  std::uint32_t Copy(const std::string& from, const std::string& to,
                     const Progress& progress) override {
    const UniqueKernelHandle source =
        Open("open to copy", from, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    if (!source) return GetLastError();
    std::uint32_t error = kErrorSuccess;
    const UniqueKernelHandle destination =
        Create(to, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, kNtFileOverwrite, error);
    if (!destination) return error;
    std::vector<std::uint8_t> chunk(kCopyChunk);
    for (bool first = true;; first = false) {
      if (!first && progress) progress();
      DWORD read = 0;
      if (!ReadFile(source.get(), chunk.data(), kCopyChunk, &read, nullptr)) {
        return Failed("read", GetLastError());
      }
      if (read == 0) break;
      DWORD written = 0;
      if (!WriteFile(destination.get(), chunk.data(), read, &written, nullptr)) {
        return Failed("write", GetLastError());
      }
      if (written != read) return Failed("write", ERROR_DISK_FULL);
    }
    FILE_BASIC_INFORMATION basic;
    IO_STATUS_BLOCK status{};
    NTSTATUS result = NtQueryInformationFile(source.get(), &status, &basic, sizeof basic,
                                             FileBasicInformation);
    if (result >= 0) {
      result = NtSetInformationFile(destination.get(), &status, &basic, sizeof basic,
                                    FileBasicInformation);
    }
    return result >= 0 ? kErrorSuccess : Native("copy times", result);
  }

  // A rename inside the hold: the new name is relative to the held folder
  // too, so the file cannot be moved anywhere else. Written through, as the
  // path-based move is, where the file can be opened for writing (a running
  // program's cannot, and is renamed all the same).
  std::uint32_t Rename(const std::string& from, const std::string& to, bool replace) override {
    std::wstring target;
    if (!WideText(to, target) || !PlainName(target)) return Failed("rename", ERROR_INVALID_NAME);
    if (replace) {
      std::uint32_t attributes = 0;
      if (Attributes(to, attributes) &&
          (attributes & (kAttrReadOnly | kAttrDirectory | kAttrReparsePoint)) != 0) {
        return Failed("rename", ERROR_ACCESS_DENIED);
      }
    }
    UniqueKernelHandle file = Open("open to rename", from, DELETE | GENERIC_WRITE, kNtFileOpen,
                                   FILE_NON_DIRECTORY_FILE, false);
    if (!file && GetLastError() == ERROR_SHARING_VIOLATION) {
      file = Open("open to rename", from, DELETE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    }
    if (!file) return GetLastError();
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFORMATION) +
                                     target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;  // set to the thread's own handle on the hold
    rename->FileNameLength = static_cast<ULONG>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    // Held up by a user's oplock on either name, at most kHeldUpLimitMs.
    const NTSTATUS renamed =
        SetBounded(file.get(), std::move(buffer), FileRenameInformation, folder_);
    if (renamed < 0) return Native("rename", renamed);
    FlushFileBuffers(file.get());
    return kErrorSuccess;
  }

  bool Flush(const std::string& name, const Progress& progress) override {
    const UniqueKernelHandle file =
        Open("open to flush", name, GENERIC_WRITE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    // What ends the flush: the disk; no oplock holds it.
    if (file && CallAnswering(&Flush::Call, file.get(), progress) == FALSE) {
      Failed("flush", GetLastError());
      return false;
    }
    return static_cast<bool>(file);
  }

  bool HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                    const Progress& progress) override {
    const UniqueKernelHandle file =
        Open("open to compare", name, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return file && mwn::HoldsExactly(file.get(), data, size, progress);
  }

  bool Same(const std::string& a, const std::string& b, const Progress& progress) override {
    const UniqueKernelHandle first =
        Open("open to compare", a, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    const UniqueKernelHandle second =
        Open("open to compare", b, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return first && second && HoldSame(first.get(), second.get(), progress);
  }

  // The folder's own listing of that one name, through a handle of its own
  // on the held folder: a listing's handle keeps the first name it was asked
  // for.
  std::string StoredName(const std::string& name) override {
    std::wstring wide;
    if (!WideText(name, wide) || !PlainName(wide)) return "";
    const UniqueKernelHandle listing = Open("open to list", "", FILE_LIST_DIRECTORY, kNtFileOpen,
                                            FILE_DIRECTORY_FILE, true);
    if (!listing) return "";
    std::vector<std::uint8_t> buffer(sizeof(ULONG) * 3 + 512 * sizeof(wchar_t));
    UNICODE_STRING pattern = CountedString(wide);
    IO_STATUS_BLOCK status{};
    const NTSTATUS listed = NtQueryDirectoryFile(
        listing.get(), nullptr, nullptr, nullptr, &status, buffer.data(),
        static_cast<ULONG>(buffer.size()),
        static_cast<FILE_INFORMATION_CLASS>(kFileNamesInformation), TRUE, &pattern, TRUE);
    if (listed < 0) {
      Native("list", listed);
      return "";
    }
    // FILE_NAMES_INFORMATION: next offset, file index, name length, name.
    const auto* words = reinterpret_cast<const ULONG*>(buffer.data());
    const auto* stored = reinterpret_cast<const wchar_t*>(words + 3);
    return NarrowText(std::wstring(stored, words[2] / sizeof(wchar_t)));
  }

  // Through the file's own handle, opened without following a link: what
  // goes is the entry of that name in the held folder, never a link's target.
  bool Delete(const std::string& name) override {
    const UniqueKernelHandle file =
        Open("open to delete", name, DELETE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, true);
    if (!file) return false;
    std::vector<std::uint8_t> disposition(sizeof(FileDisposition));
    reinterpret_cast<FileDisposition*>(disposition.data())->deleteFile = TRUE;
    // Held up by a user's oplock on the file, at most kHeldUpLimitMs.
    const NTSTATUS deleted =
        SetBounded(file.get(), std::move(disposition), FileDispositionInformation);
    if (deleted < 0) Native("delete", deleted);
    return deleted >= 0;
  }

  // The bytes of this very entry, through the hold: the system's version
  // calls would open the file by path, and load it as they please.
  bool FileVersion(const std::string& name, std::uint32_t& versionMS,
                   std::uint32_t& versionLS) override {
    const UniqueKernelHandle file =
        Open("open to read its version", name, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE,
             false);
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestVersionedFile) {
      return false;
    }
    std::vector<std::uint8_t> bytes;
    try {
      bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
      return false;
    }
    // Short of what the size promised, the file changed under the read.
    for (std::size_t filled = 0; filled < bytes.size();) {
      DWORD read = 0;
      if (!ReadFile(file.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                    &read, nullptr) ||
          read == 0) {
        return false;
      }
      filled += read;
    }
    return PeFileVersion(bytes.data(), bytes.size(), versionMS, versionLS);
  }

  // FILE_DIRECTORY_INFORMATION, read by its offsets: the next entry's, the
  // attributes', the name's length and the name.
  std::vector<std::string> FileNames() override {
    std::vector<std::string> names;
    const UniqueKernelHandle listing = Open("open to list", "", FILE_LIST_DIRECTORY, kNtFileOpen,
                                            FILE_DIRECTORY_FILE, true);
    if (!listing) return names;
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
      IO_STATUS_BLOCK status{};
      const NTSTATUS listed = NtQueryDirectoryFile(
          listing.get(), nullptr, nullptr, nullptr, &status, buffer.data(),
          static_cast<ULONG>(buffer.size()),
          static_cast<FILE_INFORMATION_CLASS>(kFileDirectoryInformation), FALSE, nullptr,
          restart);
      if (listed < 0 || listed == kStatusNoMoreFiles) return names;
      for (std::size_t at = 0;;) {
        const std::uint8_t* const item = buffer.data() + at;
        ULONG next = 0, attributes = 0, length = 0;
        std::memcpy(&next, item, sizeof next);
        std::memcpy(&attributes, item + 56, sizeof attributes);
        std::memcpy(&length, item + 60, sizeof length);
        std::wstring name(length / sizeof(wchar_t), L'\0');
        std::memcpy(&name[0], item + 64, length);
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
          names.push_back(NarrowText(name));
        }
        if (next == 0) break;
        at += next;
      }
    }
  }

  std::uint32_t Hide(const std::string& name) override {
    const UniqueKernelHandle file = Open("open to hide", name,
                                         FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kNtFileOpen,
                                         FILE_NON_DIRECTORY_FILE, false);
    return file ? HideOpenFile(file.get()) : GetLastError();
  }

  std::uint32_t KeepAccessList(const std::string& from, const std::string& to) override {
    const UniqueKernelHandle source = Open("open to read its access list", from, READ_CONTROL,
                                           kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    if (!source) return GetLastError();
    const UniqueKernelHandle target = Open("open to give it an access list", to, WRITE_DAC,
                                           kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    if (!target) return GetLastError();
    const DWORD error = CopyAccessList(source.get(), target.get());
    return error == kErrorSuccess ? error : Failed("keep the access list", error);
  }

  std::uint32_t DeleteAtRestart(const std::string& name) override {
    std::wstring wide;
    if (!WideText(name, wide) || !PlainName(wide)) return ERROR_INVALID_NAME;
    return DeleteEntryAtRestart(folder_, wide);
  }

 private:
  DWORD Native(const char* step, NTSTATUS status) {
    Failed(step, static_cast<std::uint32_t>(status), true);
    return ErrorOf(status);
  }

  // The entry `name` ("" for the held folder itself), opened relative to the
  // hold as OpenNoLink opens it; a failure is noted as `step`, if any.
  UniqueKernelHandle Open(const char* step, const std::string& name, ACCESS_MASK access,
                          ULONG disposition, ULONG options, bool linksToo) {
    std::wstring wide;
    if (!WideText(name, wide) || (!name.empty() && !PlainName(wide))) {
      if (step != nullptr) Failed(step, ERROR_INVALID_NAME);
      SetLastError(ERROR_INVALID_NAME);
      return UniqueKernelHandle();
    }
    NTSTATUS status = 0;
    UniqueKernelHandle entry =
        OpenNoLink(folder_, wide, access, kShareAll, disposition, options, linksToo, status);
    if (!entry && step != nullptr) {
      const DWORD error = GetLastError();
      Failed(step, static_cast<std::uint32_t>(status), true);
      SetLastError(error);
    }
    return entry;
  }

  UniqueKernelHandle Create(const std::string& name, ACCESS_MASK access, ULONG disposition,
                            std::uint32_t& error) {
    UniqueKernelHandle file = Open(disposition == kNtFileCreate ? "create" : "open to rewrite",
                                   name, access, disposition, FILE_NON_DIRECTORY_FILE, false);
    error = file ? kErrorSuccess : GetLastError();
    return file;
  }

  HANDLE folder_;
  UniqueKernelHandle owned_;
};

}  // namespace

std::unique_ptr<HeldFolder> HeldFolderOn(HANDLE folder) {
  return std::make_unique<Win32HeldFolder>(folder);
}

namespace {

// The access every folder on the way is opened with, and the held one.
constexpr ACCESS_MASK kPassThrough = FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kHold =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;

// "\??\C:\" or "\??\UNC\server\share\" and the components after it.
bool SplitKernelPath(const std::wstring& path, std::wstring& root,
                     std::vector<std::wstring>& components) {
  const std::wstring prefix = L"\\??\\";
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  std::size_t rootEnd = 0;
  if (path.compare(prefix.size(), 4, L"UNC\\") == 0) {
    const std::size_t server = path.find(L'\\', prefix.size() + 4);
    rootEnd = server == std::wstring::npos ? std::wstring::npos : path.find(L'\\', server + 1);
  } else if (path.size() >= prefix.size() + 2 && path[prefix.size() + 1] == L':') {
    rootEnd = prefix.size() + 2;
  } else {
    return false;
  }
  if (rootEnd == std::wstring::npos) rootEnd = path.size();
  root = path.substr(0, rootEnd) + L"\\";
  for (std::size_t start = rootEnd + 1; start < path.size();) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

}  // namespace

// The path is looked up one folder at a time, each relative to the one
// before and none followed should it be a link: no junction anywhere on the
// way, put there before or during the lookup, leads the hold elsewhere. The
// copies a run acts on were found by a walk that follows no link either.
// The held folder shares no delete access: while held, it cannot be
// renamed, removed or replaced by a junction.
UniqueKernelHandle HoldPath(const std::string& path, DWORD& error) {
  std::wstring wide;
  std::wstring root;
  std::vector<std::wstring> components;
  if (!WidePath(path, wide)) {
    error = ERROR_INVALID_NAME;
    return UniqueKernelHandle();
  }
  NtPath ntPath(wide);
  if (!ntPath || !SplitKernelPath(std::wstring(ntPath.get()->Buffer,
                                               ntPath.get()->Length / sizeof(wchar_t)),
                                  root, components)) {
    error = ERROR_INVALID_NAME;
    return UniqueKernelHandle();
  }
  NTSTATUS status = 0;
  UniqueKernelHandle folder =
      OpenNoLink(nullptr, root, components.empty() ? kHold : kPassThrough, kShareAll, kNtFileOpen,
                 FILE_DIRECTORY_FILE, false, status);
  for (std::size_t i = 0; folder && i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    // The last open shares no delete: one that would wait for a user's
    // oplock on the folder to be given up counts as in use instead.
    folder = OpenNoLink(folder.get(), components[i], last ? kHold : kPassThrough,
                        last ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll, kNtFileOpen,
                        FILE_DIRECTORY_FILE, false, status);
  }
  if (!folder) error = GetLastError();
  return folder;
}

std::unique_ptr<HeldFolder> Win32Platform::HoldFolder(const std::string& path,
                                                      std::uint32_t& error) {
  DWORD failure = kErrorSuccess;
  UniqueKernelHandle folder = HoldPath(path, failure);
  if (!folder) {
    error = failure;
    return nullptr;
  }
  return std::make_unique<Win32HeldFolder>(std::move(folder));
}

// The log of a run with an administrator's rights, in a folder reached
// without following a link and that no standard user can change, opened for
// adding at its end without following a link at its name. The log must be
// the run's own kind: one name only (a second link, which any user may make
// to a file they can read on some systems, would pass on another file's
// owner), owned by administrators or by this very account; one that a
// standard user made beforehand (to read the run's lines, or to forge some)
// is refused.
UniqueFileHandle OpenHeldLog(const std::string& folderPath, const std::string& name,
                             DWORD& error) {
  std::wstring wide;
  if (!WideText(name, wide) || !PlainName(wide)) {
    error = ERROR_INVALID_NAME;
    return UniqueFileHandle();
  }
  const UniqueKernelHandle folder = HoldPath(folderPath, error);
  if (!folder) return UniqueFileHandle();
  const FolderTrust trust = TrustOfFolder(folder.get());
  if (trust != FolderTrust::kAdministratorsOnly && trust != FolderTrust::kRunAccountOnly) {
    error = ERROR_ACCESS_DENIED;
    return UniqueFileHandle();
  }
  NTSTATUS status = 0;
  UniqueKernelHandle opened =
      OpenNoLink(folder.get(), wide, FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES,
                 FILE_SHARE_READ | FILE_SHARE_WRITE, kNtFileOpenIf, FILE_NON_DIRECTORY_FILE, false,
                 status);
  if (!opened) {
    error = GetLastError();
    return UniqueFileHandle();
  }
  UniqueFileHandle file(opened.release());
  FILE_STANDARD_INFORMATION standard{};
  IO_STATUS_BLOCK block{};
  if (NtQueryInformationFile(file.get(), &block, &standard, sizeof standard,
                             FileStandardInformation) < 0 ||
      standard.NumberOfLinks != 1) {
    error = ERROR_TOO_MANY_LINKS;
    return UniqueFileHandle();
  }
  if (!OwnedByAdministratorsOrThisAccount(file.get())) {
    error = ERROR_INVALID_OWNER;
    return UniqueFileHandle();
  }
  return file;
}

}  // namespace mwn

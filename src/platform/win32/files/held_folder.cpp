// A folder a run with an administrator's rights acts in: held open, and
// every entry reached relative to the hold with the native calls, so that no
// step names the folder by path again. A path is looked up once, when the
// folder is opened; from then on a junction put in its place, or anywhere
// above it, changes nothing the run does.
#include <algorithm>
#include <vector>

#include "platform/win32/rights/administrators.h"
#include "platform/win32/files/nt_file.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

constexpr std::size_t kCopyChunk = 1u << 20;
constexpr int kTempNameTries = 16;
// NtQueryDirectoryFile's class of entries that carry a name only.
constexpr int kFileNamesInformation = 12;

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

// `name` opened relative to `root` (or, without one, `name` as a full kernel
// path), synchronously and without following a link at it. A link is
// refused unless `linksToo`, so that nothing but its attributes is ever read
// through one and nothing at all written. Null with the last error set when
// it cannot; `outcome`, where given, says whether the file was opened or made.
UniqueKernelHandle OpenNoLink(HANDLE root, const std::wstring& name, ACCESS_MASK access,
                              ULONG share, ULONG disposition, ULONG options, bool linksToo,
                              ULONG_PTR* outcome = nullptr) {
  UNICODE_STRING counted = CountedString(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  const NTSTATUS opened = NtCreateFile(
      &handle, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
      disposition, options | FILE_SYNCHRONOUS_IO_NONALERT | kOpenReparsePoint, nullptr, 0);
  if (opened < 0) {
    SetLastError(ErrorOf(opened));
    return UniqueKernelHandle();
  }
  UniqueKernelHandle owned(handle);
  if (!linksToo && (AttributesOfHandle(owned.get()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return UniqueKernelHandle();
  }
  if (outcome != nullptr) *outcome = status.Information;
  return owned;
}

struct Flush {
  static DWORD WINAPI Call(LPVOID file) { return FlushFileBuffers(static_cast<HANDLE>(file)); }
};

class Win32HeldFolder : public HeldFolder {
 public:
  explicit Win32HeldFolder(UniqueKernelHandle folder)
      : folder_(folder.get()), owned_(std::move(folder)) {}
  explicit Win32HeldFolder(HANDLE folder) : folder_(folder) {}

  FolderTrust Trust() override { return TrustOfFolder(folder_); }

  bool Attributes(const std::string& name, std::uint32_t& attributes) override {
    const UniqueKernelHandle entry = Open(name, FILE_READ_ATTRIBUTES, kNtFileOpen, 0, true);
    const DWORD found = entry ? AttributesOfHandle(entry.get()) : INVALID_FILE_ATTRIBUTES;
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
        error = ERROR_GEN_FAILURE;
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
        Open(from, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    if (!source) return GetLastError();
    std::uint32_t error = kErrorSuccess;
    const UniqueKernelHandle destination =
        Create(to, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, kNtFileOverwrite, error);
    if (!destination) return error;
    std::vector<std::uint8_t> chunk(kCopyChunk);
    for (bool first = true;; first = false) {
      if (!first && progress) progress();
      DWORD read = 0;
      if (!ReadFile(source.get(), chunk.data(), kCopyChunk, &read, nullptr)) return GetLastError();
      if (read == 0) break;
      DWORD written = 0;
      if (!WriteFile(destination.get(), chunk.data(), read, &written, nullptr)) {
        return GetLastError();
      }
      if (written != read) return ERROR_DISK_FULL;
    }
    FILE_BASIC_INFORMATION basic;
    IO_STATUS_BLOCK status{};
    NTSTATUS result = NtQueryInformationFile(source.get(), &status, &basic, sizeof basic,
                                             FileBasicInformation);
    if (result >= 0) {
      result = NtSetInformationFile(destination.get(), &status, &basic, sizeof basic,
                                    FileBasicInformation);
    }
    return result >= 0 ? kErrorSuccess : ErrorOf(result);
  }

  // A rename inside the hold: the new name is relative to the held folder
  // too, so the file cannot be moved anywhere else. Written through, as the
  // path-based move is, where the file can be opened for writing (a running
  // program's cannot, and is renamed all the same).
  std::uint32_t Rename(const std::string& from, const std::string& to, bool replace) override {
    std::wstring target;
    if (!WideText(to, target) || !PlainName(target)) return ERROR_INVALID_NAME;
    if (replace) {
      std::uint32_t attributes = 0;
      if (Attributes(to, attributes) &&
          (attributes & (kAttrReadOnly | kAttrDirectory | kAttrReparsePoint)) != 0) {
        return ERROR_ACCESS_DENIED;
      }
    }
    UniqueKernelHandle file =
        Open(from, DELETE | GENERIC_WRITE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    if (!file && GetLastError() == ERROR_SHARING_VIOLATION) {
      file = Open(from, DELETE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    }
    if (!file) return GetLastError();
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFORMATION) +
                                     target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = folder_;
    rename->FileNameLength = static_cast<ULONG>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    IO_STATUS_BLOCK status{};
    const NTSTATUS renamed = NtSetInformationFile(file.get(), &status, rename,
                                                  static_cast<ULONG>(buffer.size()),
                                                  FileRenameInformation);
    if (renamed < 0) return ErrorOf(renamed);
    FlushFileBuffers(file.get());
    return kErrorSuccess;
  }

  bool Flush(const std::string& name, const Progress& progress) override {
    const UniqueKernelHandle file =
        Open(name, GENERIC_WRITE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return file && CallAnswering(&Flush::Call, file.get(), progress) != FALSE;
  }

  bool HoldsExactly(const std::string& name, const std::uint8_t* data, std::size_t size,
                    const Progress& progress) override {
    const UniqueKernelHandle file =
        Open(name, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return file && mwn::HoldsExactly(file.get(), data, size, progress);
  }

  bool Same(const std::string& a, const std::string& b, const Progress& progress) override {
    const UniqueKernelHandle first =
        Open(a, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    const UniqueKernelHandle second =
        Open(b, GENERIC_READ, kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return first && second && HoldSame(first.get(), second.get(), progress);
  }

  // The folder's own listing of that one name, through a handle of its own
  // on the held folder: a listing's handle keeps the first name it was asked
  // for.
  std::string StoredName(const std::string& name) override {
    std::wstring wide;
    if (!WideText(name, wide) || !PlainName(wide)) return "";
    const UniqueKernelHandle listing = Open("", FILE_LIST_DIRECTORY, kNtFileOpen,
                                            FILE_DIRECTORY_FILE, true);
    if (!listing) return "";
    std::vector<std::uint8_t> buffer(sizeof(ULONG) * 3 + 512 * sizeof(wchar_t));
    UNICODE_STRING pattern = CountedString(wide);
    IO_STATUS_BLOCK status{};
    const NTSTATUS listed = NtQueryDirectoryFile(
        listing.get(), nullptr, nullptr, nullptr, &status, buffer.data(),
        static_cast<ULONG>(buffer.size()),
        static_cast<FILE_INFORMATION_CLASS>(kFileNamesInformation), TRUE, &pattern, TRUE);
    if (listed < 0) return "";
    // FILE_NAMES_INFORMATION: next offset, file index, name length, name.
    const auto* words = reinterpret_cast<const ULONG*>(buffer.data());
    const auto* stored = reinterpret_cast<const wchar_t*>(words + 3);
    return NarrowText(std::wstring(stored, words[2] / sizeof(wchar_t)));
  }

  // Through the file's own handle, opened without following a link: what
  // goes is the entry of that name in the held folder, never a link's target.
  bool Delete(const std::string& name) override {
    const UniqueKernelHandle file = Open(name, DELETE, kNtFileOpen, FILE_NON_DIRECTORY_FILE, true);
    if (!file) return false;
    FileDisposition disposition{TRUE};
    IO_STATUS_BLOCK status{};
    return NtSetInformationFile(file.get(), &status, &disposition, sizeof disposition,
                                FileDispositionInformation) >= 0;
  }

  std::uint32_t Hide(const std::string& name) override {
    const UniqueKernelHandle file = Open(name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                         kNtFileOpen, FILE_NON_DIRECTORY_FILE, false);
    return file ? HideOpenFile(file.get()) : GetLastError();
  }

  std::uint32_t DeleteAtRestart(const std::string& name) override {
    std::wstring wide;
    if (!WideText(name, wide) || !PlainName(wide)) return ERROR_INVALID_NAME;
    return DeleteEntryAtRestart(folder_, wide);
  }

 private:
  // The entry `name` ("" for the held folder itself), opened relative to the
  // hold as OpenNoLink opens it.
  UniqueKernelHandle Open(const std::string& name, ACCESS_MASK access, ULONG disposition,
                          ULONG options, bool linksToo) {
    std::wstring wide;
    if (!WideText(name, wide) || (!name.empty() && !PlainName(wide))) {
      SetLastError(ERROR_INVALID_NAME);
      return UniqueKernelHandle();
    }
    return OpenNoLink(folder_, wide, access, kShareAll, disposition, options, linksToo);
  }

  UniqueKernelHandle Create(const std::string& name, ACCESS_MASK access, ULONG disposition,
                            std::uint32_t& error) {
    UniqueKernelHandle file = Open(name, access, disposition, FILE_NON_DIRECTORY_FILE, false);
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
  UniqueKernelHandle folder =
      OpenNoLink(nullptr, root, components.empty() ? kHold : kPassThrough, kShareAll, kNtFileOpen,
                 FILE_DIRECTORY_FILE, false);
  for (std::size_t i = 0; folder && i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    folder = OpenNoLink(folder.get(), components[i], last ? kHold : kPassThrough,
                        last ? FILE_SHARE_READ | FILE_SHARE_WRITE : kShareAll, kNtFileOpen,
                        FILE_DIRECTORY_FILE, false);
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
// without following a link, opened for adding at its end without following
// a link at its name. A log that is there already must be the run's own
// kind: owned by administrators, or by this very account; one that a
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
  ULONG_PTR outcome = 0;
  UniqueKernelHandle opened =
      OpenNoLink(folder.get(), wide, FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES,
                 FILE_SHARE_READ | FILE_SHARE_WRITE, kNtFileOpenIf, FILE_NON_DIRECTORY_FILE, false,
                 &outcome);
  if (!opened) {
    error = GetLastError();
    return UniqueFileHandle();
  }
  UniqueFileHandle file(opened.release());
  if (outcome == kNtFileOpened && !OwnedByAdministratorsOrThisAccount(file.get())) {
    error = ERROR_INVALID_OWNER;
    return UniqueFileHandle();
  }
  return file;
}

}  // namespace mwn

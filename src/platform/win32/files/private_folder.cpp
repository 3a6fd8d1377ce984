// The scratch folder of a run with an administrator's rights. Made in a temp
// folder that standard users may write to (the user's own for an approved
// consent, C:\Windows\Temp for SYSTEM where the system has no other), it
// must stay out of their reach from the moment it exists until it is gone.
#include "platform/win32/rights/administrators.h"
#include "platform/win32/files/nt_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// Owned by Administrators (O:BA), whatever the creator's default owner;
// protected from what the temp folder would pass on (P); SYSTEM (SY) and
// Administrators (BA) have full control (FA); Users (BU) may read and list
// (FR, FX); each entry is inherited by files (OI) and folders (CI) inside.
constexpr wchar_t kAdministratorsOnly[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

class Win32PrivateFolder : public PrivateFolder {
 public:
  explicit Win32PrivateFolder(UniqueFileHandle folder)
      : folder_(std::move(folder)), entries_(HeldFolderOn(folder_.get())) {}

  FolderEntries& Entries() override { return *entries_; }

  // Marked for deletion through the handle the folder was made with, then
  // let go of: what goes is this very folder, whatever its path leads to by
  // now.
  std::uint32_t Remove() override {
    FileDisposition disposition{TRUE};
    IO_STATUS_BLOCK status{};
    const NTSTATUS marked = NtSetInformationFile(folder_.get(), &status, &disposition,
                                                 sizeof disposition, FileDispositionInformation);
    if (marked < 0) return RtlNtStatusToDosError(marked);
    entries_.reset();
    CloseHandle(folder_.release());
    return kErrorSuccess;
  }

 private:
  UniqueFileHandle folder_;
  std::unique_ptr<HeldFolder> entries_;
};

}  // namespace

// Made and opened in one step, with its access list from the start: there
// is no moment in which another program could put its own folder or a link
// at the name and have it taken for this one. The handle shares no delete
// access, so while it is held the folder cannot be renamed or removed.
std::unique_ptr<PrivateFolder> Win32Platform::CreatePrivateFolder(const std::string& path,
                                                                  std::uint32_t& error) {
  std::wstring wide;
  if (!WidePath(path, wide)) {
    error = GetLastError();
    return nullptr;
  }
  const SddlDescriptor access(kAdministratorsOnly);
  NtPath ntPath(wide);
  if (access.get() == nullptr || !ntPath) {
    error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, ntPath.get(), OBJ_CASE_INSENSITIVE, nullptr,
                             access.get());
  IO_STATUS_BLOCK status{};
  HANDLE folder = nullptr;
  const NTSTATUS created =
      NtCreateFile(&folder,
                   DELETE | FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE |
                       FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                   &attributes, &status,
                   nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                   FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | kOpenReparsePoint,
                   nullptr, 0);
  if (created < 0) {
    error = RtlNtStatusToDosError(created);
    return nullptr;
  }
  return std::make_unique<Win32PrivateFolder>(UniqueFileHandle(folder));
}

}  // namespace mwn

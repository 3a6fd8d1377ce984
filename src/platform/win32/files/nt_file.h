// What the native file calls need around them: paths in the kernel's form
// and the options and declarations the lean headers leave out.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

// After <windows.h>, which it needs.
#include <winternl.h>

namespace mwn {

// NtCreateFile's options and dispositions, as the kernel defines them.
constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
// Answers at once where another handle's oplock must first be broken,
// instead of waiting for its holder to acknowledge the break, which a
// program of any user can put off for ever.
constexpr ULONG kCompleteIfOplocked = 0x00000100;  // FILE_COMPLETE_IF_OPLOCKED
// What an open with it gives then: a handle, while the holder is told.
constexpr NTSTATUS kStatusOplockBreakInProgress = 0x00000108;
constexpr ULONG kNtFileOpen = 1;                 // FILE_OPEN
constexpr ULONG kNtFileCreate = 2;               // FILE_CREATE
constexpr ULONG kNtFileOpenIf = 3;               // FILE_OPEN_IF
constexpr ULONG kNtFileOverwrite = 4;            // FILE_OVERWRITE
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043);
// The status of an open refused because the entry is a link.
constexpr NTSTATUS kStatusReparsePointEncountered = static_cast<NTSTATUS>(0xC000050B);
// NtQueryInformationFile's class of an entry's attributes and reparse tag.
constexpr int kFileAttributeTagInformation = 35;
// What NtCreateFile's status block says it did.
constexpr ULONG_PTR kNtFileOpened = 1;           // FILE_OPENED

// FILE_DISPOSITION_INFORMATION, which <winternl.h> leaves out.
struct FileDisposition {
  BOOLEAN deleteFile;
};

// A path of the Win32 API (C:\x, \\server\share\x, \\?\C:\x) in the kernel's
// form (\??\C:\x).
class NtPath {
 public:
  explicit NtPath(const std::wstring& dosPath);
  ~NtPath();
  NtPath(const NtPath&) = delete;
  NtPath& operator=(const NtPath&) = delete;
  explicit operator bool() const { return converted_ != FALSE; }
  UNICODE_STRING* get() { return &path_; }

 private:
  UNICODE_STRING path_{};
  BOOL converted_;
};

// `text` as a counted string that borrows its characters.
UNICODE_STRING CountedString(const std::wstring& text);

}  // namespace mwn

// Exported by ntdll since NT 4, declared by the driver kit only.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PVOID apcRoutine,
                                               PVOID apcContext, PIO_STATUS_BLOCK status,
                                               PVOID information, ULONG length,
                                               FILE_INFORMATION_CLASS informationClass,
                                               BOOLEAN returnSingleEntry, PUNICODE_STRING fileName,
                                               BOOLEAN restartScan);

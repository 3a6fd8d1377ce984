// One run at a time on the machine, and no user's name in the way of
// another's run. A run with an administrator's rights takes its mutex in a
// private namespace that only administrators can make, and takes the name
// every session shares too, made so that only administrators can hold it,
// so that runs without those rights see it held; one that a standard user
// made first is passed over. A run without those rights gives way to that
// name only when administrators own it and it is held, and takes a mutex of
// its user's own: in a private namespace only processes of that user can
// make, or where the system has none, under a name with the user's SID in
// it, passed over should another account have made it.
#include "platform/win32/rights/administrators.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

// Not part of the lean <windows.h>.
#include <sddl.h>

namespace mwn {
namespace {

// Owned by Administrators (O:BA), so that another run with those rights can
// tell it from a name a standard user made; protected (P), full control (GA)
// for SYSTEM (SY) and Administrators (BA) only.
constexpr wchar_t kAdministratorsObject[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
// The same, and everyone (WD) may read its owner (READ_CONTROL, 0x20000)
// and ask whether it is held (MUTANT_QUERY_STATE, 1), but not take it.
constexpr wchar_t kSharedMutex[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x20001;;;WD)";
constexpr DWORD kMutantQueryState = 0x0001;
constexpr wchar_t kNamespacePrefix[] = L"MwnUpdate";

// From Vista on (the integrity label from 7 on), so found at run time: the
// program still starts on XP.
struct NamespaceCalls {
  using CreateBoundary = HANDLE(WINAPI*)(LPCWSTR, ULONG);
  using AddToBoundary = BOOL(WINAPI*)(HANDLE*, PSID);
  using DeleteBoundary = VOID(WINAPI*)(HANDLE);
  using Create = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
  using Open = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
  using Close = BOOLEAN(WINAPI*)(HANDLE, ULONG);

  template <typename Call>
  static Call Find(const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(Kernel32Function(name)));
  }

  CreateBoundary createBoundary = Find<CreateBoundary>("CreateBoundaryDescriptorW");
  AddToBoundary addSid = Find<AddToBoundary>("AddSIDToBoundaryDescriptor");
  AddToBoundary addIntegrityLabel = Find<AddToBoundary>("AddIntegrityLabelToBoundaryDescriptor");
  DeleteBoundary deleteBoundary = Find<DeleteBoundary>("DeleteBoundaryDescriptor");
  Create create = Find<Create>("CreatePrivateNamespaceW");
  Open open = Find<Open>("OpenPrivateNamespaceW");
  Close close = Find<Close>("ClosePrivateNamespace");

  bool Available() const {
    return createBoundary && addSid && deleteBoundary && create && open && close;
  }
};

const NamespaceCalls& Namespaces() {
  static const NamespaceCalls calls;
  return calls;
}

struct PrivateNamespaceTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle handle) noexcept { Namespaces().close(handle, 0); }
};
using UniquePrivateNamespace = UniqueHandle<PrivateNamespaceTraits>;

// A private namespace whose boundary holds `member` and, where given and the
// system knows integrity labels, `label`: only processes with both in their
// token can make or open it, so no other account can have made it first.
// Null where the system has no private namespaces (XP, Wine).
UniquePrivateNamespace PrivateNamespace(PSID member, PSID label, SECURITY_ATTRIBUTES* access) {
  const NamespaceCalls& calls = Namespaces();
  if (!calls.Available()) return UniquePrivateNamespace();
  HANDLE boundary = calls.createBoundary(kNamespacePrefix, 0);
  if (boundary == nullptr) return UniquePrivateNamespace();
  UniquePrivateNamespace found;
  if (calls.addSid(&boundary, member) &&
      (label == nullptr || calls.addIntegrityLabel == nullptr ||
       calls.addIntegrityLabel(&boundary, label))) {
    // Made by another run: opened. It may go with that run between the two
    // calls, so once more.
    for (int attempt = 0; attempt < 2 && !found; ++attempt) {
      found.take(calls.create(access, boundary, kNamespacePrefix));
      if (!found && GetLastError() == ERROR_ALREADY_EXISTS) {
        found.take(calls.open(boundary, kNamespacePrefix));
      }
    }
  }
  calls.deleteBoundary(boundary);
  return found;
}

// Only processes in the Administrators group, at high integrity or above,
// can make this one: a process of a standard user, or of an administrator
// without the elevation, is outside its boundary.
UniquePrivateNamespace AdministratorsNamespace() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  BYTE highIntegrity[SECURITY_MAX_SID_SIZE];
  DWORD administratorsSize = sizeof administrators;
  DWORD highIntegritySize = sizeof highIntegrity;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                          &administratorsSize) ||
      !CreateWellKnownSid(WinHighLabelSid, nullptr, highIntegrity, &highIntegritySize)) {
    return UniquePrivateNamespace();
  }
  const SddlDescriptor access(kAdministratorsObject);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
  return PrivateNamespace(administrators, highIntegrity, &attributes);
}

// Abandoned counts: the run that held it ended without letting it go.
bool Hold(const UniqueKernelHandle& mutex) {
  const DWORD taken = WaitForSingleObject(mutex.get(), 0);
  return taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
}

class Win32MachineLock : public MachineLock {
 public:
  Win32MachineLock(UniquePrivateNamespace space, UniqueKernelHandle own, UniqueKernelHandle shared)
      : space_(std::move(space)), own_(std::move(own)), shared_(std::move(shared)) {}
  ~Win32MachineLock() override {
    if (shared_) ReleaseMutex(shared_.get());
    if (own_) ReleaseMutex(own_.get());
  }

 private:
  // Kept open while the mutex in it is held: the namespace goes with its
  // maker's handle.
  UniquePrivateNamespace space_;
  UniqueKernelHandle own_;
  UniqueKernelHandle shared_;
};

extern "C" LONG NTAPI NtQueryMutant(HANDLE mutant, int informationClass, PVOID information,
                                    ULONG length, PULONG returned);

// True when a run with an administrator's rights holds the shared name: it
// is theirs, and held. A name a standard user made, or keeps open after
// the run let it go, holds no one off.
bool AdministratorsRunHolds(const std::wstring& shared) {
  const UniqueKernelHandle mutex(
      OpenMutexW(kMutantQueryState | READ_CONTROL, FALSE, shared.c_str()));
  if (!mutex || !OwnedByAdministrators(mutex.get(), SE_KERNEL_OBJECT)) return false;
  // MUTANT_BASIC_INFORMATION: 1 while free, 0 or less while held.
  struct {
    LONG currentCount;
    BOOLEAN ownedByCaller;
    BOOLEAN abandoned;
  } state{};
  return NtQueryMutant(mutex.get(), 0, &state, sizeof state, nullptr) >= 0 &&
         state.currentCount <= 0;
}

// The user's own mutex, under a name with their SID in it, where the system
// has no private namespaces. Made by another account first, it is not this
// user's, and passed over: the run goes on without it.
std::unique_ptr<MachineLock> TakeUserName(const std::wstring& name, PSID user) {
  wchar_t* sid = nullptr;
  if (!ConvertSidToStringSidW(user, &sid)) return nullptr;
  const std::wstring named = L"Global\\" + name + L"." + sid;
  // Owned by the user, full control for them and SYSTEM alone: stated, so
  // that the owner reads back wherever the system keeps no descriptor of
  // its own for a new object (Wine), and the next run of the same user
  // knows the name for its own.
  const std::wstring userObject =
      std::wstring(L"O:") + sid + L"D:P(A;;GA;;;SY)(A;;GA;;;" + sid + L")";
  LocalFree(sid);
  const SddlDescriptor access(userObject.c_str());
  SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
  UniqueKernelHandle mutex(CreateMutexW(&attributes, FALSE, named.c_str()));
  const bool madeHere = mutex && GetLastError() != ERROR_ALREADY_EXISTS;
  if (mutex && !madeHere && !OwnedByAdministratorsOr(mutex.get(), SE_KERNEL_OBJECT, user)) {
    mutex.take(nullptr);
  }
  if (mutex && !Hold(mutex)) return nullptr;
  return std::make_unique<Win32MachineLock>(UniquePrivateNamespace(), std::move(mutex),
                                            UniqueKernelHandle());
}

std::unique_ptr<MachineLock> TakeStandardLock(const std::wstring& name) {
  if (AdministratorsRunHolds(L"Global\\" + name)) return nullptr;
  ProcessAccount account;
  if (!account) return nullptr;
  UniquePrivateNamespace space = PrivateNamespace(account.Sid(), nullptr, nullptr);
  if (!space) return TakeUserName(name, account.Sid());
  const std::wstring inNamespace = std::wstring(kNamespacePrefix) + L"\\" + name;
  UniqueKernelHandle own(CreateMutexW(nullptr, FALSE, inNamespace.c_str()));
  if (!own || !Hold(own)) return nullptr;
  return std::make_unique<Win32MachineLock>(std::move(space), std::move(own),
                                            UniqueKernelHandle());
}

}  // namespace

std::unique_ptr<MachineLock> Win32Platform::TakeMachineLock(const std::string& name) {
  std::wstring wide;
  if (!WideText(name, wide)) return nullptr;
  if (!RunningElevated()) return TakeStandardLock(wide);
  const std::wstring shared = L"Global\\" + wide;

  UniquePrivateNamespace space = AdministratorsNamespace();
  const SddlDescriptor access(kAdministratorsObject);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
  UniqueKernelHandle own;
  if (space) {
    const std::wstring inNamespace = std::wstring(kNamespacePrefix) + L"\\" + wide;
    own.take(CreateMutexW(&attributes, FALSE, inNamespace.c_str()));
    if (!own || !Hold(own)) return nullptr;
  }
  // Held by a run with these rights (one of an older updater, or one on a
  // system without private namespaces): this run waits its turn. Made or
  // held by anyone else (a standard user who made the name first, whatever
  // the object, or a run without these rights): passed over.
  const SddlDescriptor sharedAccess(kSharedMutex);
  SECURITY_ATTRIBUTES sharedAttributes{sizeof sharedAttributes, sharedAccess.get(), FALSE};
  UniqueKernelHandle sharedMutex(CreateMutexW(&sharedAttributes, FALSE, shared.c_str()));
  if (sharedMutex && !Hold(sharedMutex)) {
    if (OwnedByAdministrators(sharedMutex.get(), SE_KERNEL_OBJECT)) return nullptr;
    sharedMutex.take(nullptr);
  }
  return std::make_unique<Win32MachineLock>(std::move(space), std::move(own),
                                            std::move(sharedMutex));
}

}  // namespace mwn

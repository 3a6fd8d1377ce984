// One run at a time on the machine. A run without an administrator's rights
// takes a mutex in the namespace every session shares, where any user may
// have made the name first. A run with those rights must not be held off by
// such a name: it takes its mutex in a private namespace that only
// administrators can make, and takes the shared name too, made so that only
// administrators can open it, so that runs without those rights see it.
#include "platform/win32/rights/administrators.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// Owned by Administrators (O:BA), so that another run with those rights can
// tell it from a name a standard user made; protected (P), full control (GA)
// for SYSTEM (SY) and Administrators (BA) only.
constexpr wchar_t kAdministratorsObject[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
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

// Only processes in the Administrators group, at high integrity or above
// (where the system knows integrity labels for this), can make this
// namespace: a process of a standard user, or of an administrator without
// the elevation, is outside its boundary. Null where the system has no
// private namespaces (XP, Wine).
UniquePrivateNamespace AdministratorsNamespace() {
  const NamespaceCalls& calls = Namespaces();
  if (!calls.Available()) return UniquePrivateNamespace();
  HANDLE boundary = calls.createBoundary(kNamespacePrefix, 0);
  if (boundary == nullptr) return UniquePrivateNamespace();
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  BYTE highIntegrity[SECURITY_MAX_SID_SIZE];
  DWORD administratorsSize = sizeof administrators;
  DWORD highIntegritySize = sizeof highIntegrity;
  UniquePrivateNamespace found;
  if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                         &administratorsSize) &&
      calls.addSid(&boundary, administrators) &&
      (calls.addIntegrityLabel == nullptr ||
       (CreateWellKnownSid(WinHighLabelSid, nullptr, highIntegrity, &highIntegritySize) &&
        calls.addIntegrityLabel(&boundary, highIntegrity)))) {
    const SddlDescriptor access(kAdministratorsObject);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
    // Made by another run with these rights: opened. It may go with that run
    // between the two calls, so once more.
    for (int attempt = 0; attempt < 2 && !found; ++attempt) {
      found.take(calls.create(&attributes, boundary, kNamespacePrefix));
      if (!found && GetLastError() == ERROR_ALREADY_EXISTS) {
        found.take(calls.open(boundary, kNamespacePrefix));
      }
    }
  }
  calls.deleteBoundary(boundary);
  return found;
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

std::unique_ptr<MachineLock> TakeSharedName(const std::wstring& shared) {
  // A mutex made by a run under other rights (SYSTEM's, say) may refuse this
  // process access: it is held all the same.
  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, shared.c_str()));
  if (!mutex || !Hold(mutex)) return nullptr;
  return std::make_unique<Win32MachineLock>(UniquePrivateNamespace(), std::move(mutex),
                                            UniqueKernelHandle());
}

}  // namespace

std::unique_ptr<MachineLock> Win32Platform::TakeMachineLock(const std::string& name) {
  std::wstring wide;
  if (!WideText(name, wide)) return nullptr;
  const std::wstring shared = L"Global\\" + wide;
  if (!RunningElevated()) return TakeSharedName(shared);

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
  UniqueKernelHandle sharedMutex(CreateMutexW(&attributes, FALSE, shared.c_str()));
  if (sharedMutex && !Hold(sharedMutex)) {
    if (OwnedByAdministrators(sharedMutex.get(), SE_KERNEL_OBJECT)) return nullptr;
    sharedMutex.take(nullptr);
  }
  return std::make_unique<Win32MachineLock>(std::move(space), std::move(own),
                                            std::move(sharedMutex));
}

}  // namespace mwn

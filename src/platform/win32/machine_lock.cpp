// One run at a time on the machine: a mutex in the namespace that every
// session shares, so that a deployment tool's run as SYSTEM and a user's run
// see each other.
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

class Win32MachineLock : public MachineLock {
 public:
  explicit Win32MachineLock(UniqueKernelHandle mutex) : mutex_(std::move(mutex)) {}
  ~Win32MachineLock() override { ReleaseMutex(mutex_.get()); }

 private:
  UniqueKernelHandle mutex_;
};

}  // namespace

std::unique_ptr<MachineLock> Win32Platform::TakeMachineLock(const std::string& name) {
  std::wstring wide;
  if (!WideText("Global\\" + name, wide)) return nullptr;
  // A mutex made by a run under other rights (SYSTEM's, say) may refuse this
  // process access: it is held all the same.
  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, wide.c_str()));
  if (!mutex) return nullptr;
  const DWORD taken = WaitForSingleObject(mutex.get(), 0);
  // Abandoned: the run that held it ended without letting it go.
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) return nullptr;
  return std::make_unique<Win32MachineLock>(std::move(mutex));
}

}  // namespace mwn

// One step that another program can hold up without end, made aside and
// given up on after a limit.
#include <memory>

#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// Once cancelled, what the step still gets to end on its own.
constexpr DWORD kAfterCancelMs = 1000;

// Shared by the caller and the thread; the last to let go frees it, so that
// a thread that outlives its caller still has what it uses.
struct BoundedStep {
  std::function<DWORD()> call;
  DWORD answer = 0;
  LONG holders = 2;
};

void LetGo(BoundedStep* step) {
  if (InterlockedDecrement(&step->holders) == 0) delete step;
}

DWORD WINAPI RunStep(LPVOID context) {
  auto* step = static_cast<BoundedStep*>(context);
  step->answer = step->call();
  LetGo(step);
  return 0;
}

}  // namespace

DWORD CallBounded(const std::function<DWORD()>& call, DWORD limitMs, DWORD whenHeldUp) {
  auto* step = new BoundedStep{call};
  const UniqueKernelHandle thread(CreateThread(nullptr, 0, &RunStep, step, 0, nullptr));
  if (!thread) {
    delete step;
    return whenHeldUp;
  }
  // What ends this wait: the step, or the limit.
  DWORD waited = WaitForSingleObject(thread.get(), limitMs);
  if (waited == WAIT_TIMEOUT) {
    // What ends the step then: the cancel, which ends a wait for an oplock
    // break and any other wait a driver lets be cancelled (from Vista on).
    using Cancel = BOOL(WINAPI*)(HANDLE);
    const auto cancel = reinterpret_cast<Cancel>(
        reinterpret_cast<void*>(Kernel32Function("CancelSynchronousIo")));
    if (cancel != nullptr) cancel(thread.get());
    waited = WaitForSingleObject(thread.get(), kAfterCancelMs);
  }
  // A step that ends all the same gives its own answer, success included.
  // One that does not is left to end by itself, or with the process; it
  // frees what it uses.
  const DWORD answer = waited == WAIT_OBJECT_0 ? step->answer : whenHeldUp;
  LetGo(step);
  return answer;
}

}  // namespace mwn

// The work lock and worker threads on Win32, down to Windows XP: a critical
// section, a semaphore that wakes the workers waiting at the time, and an
// event for the window's thread, whose waits, for the event and for the
// threads to end, also end on window messages.
#include <climits>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// A listing thread's own needs are small: one find structure and a few
// strings. Reserving less than the default leaves the 32-bit address space
// to the payload.
constexpr SIZE_T kWorkerStackBytes = 256 * 1024;
// How often a thread that does not end is cancelled again: the cancel
// reaches only a call already under way.
constexpr DWORD kCancelAgainMs = 50;

class Win32WorkLock : public WorkLock {
 public:
  Win32WorkLock(UniqueKernelHandle workers, UniqueKernelHandle owner)
      : workers_(std::move(workers)), owner_(std::move(owner)) {
    InitializeCriticalSection(&section_);
  }
  ~Win32WorkLock() override { DeleteCriticalSection(&section_); }
  Win32WorkLock(const Win32WorkLock&) = delete;
  Win32WorkLock& operator=(const Win32WorkLock&) = delete;

  void Acquire() override { EnterCriticalSection(&section_); }
  void Release() override { LeaveCriticalSection(&section_); }

  void WaitAsWorker() override {
    ++waiting_;
    Release();
    WaitForSingleObject(workers_.get(), INFINITE);
    Acquire();
  }

  bool WaitAnswering() override {
    ownerWaiting_ = true;
    Release();
    HANDLE owner = owner_.get();
    // Once the program is ending, a wait for messages would wake at once
    // again and again on the WM_QUIT put back for the main loop.
    const DWORD woke = QuitPending() ? WaitForSingleObject(owner, INFINITE)
                                     : MsgWaitForMultipleObjectsEx(1, &owner, INFINITE,
                                                                   QS_ALLINPUT, kWakeOnAnyInput);
    Acquire();
    ownerWaiting_ = false;
    return woke == WAIT_OBJECT_0 + 1;
  }

  // Exactly the workers waiting now: a later waiter looks at the work
  // under the lock before it waits.
  void WakeWorkers() override {
    if (waiting_ == 0) return;
    ReleaseSemaphore(workers_.get(), waiting_, nullptr);
    waiting_ = 0;
  }

  // Only when it waits: each SetEvent is a call into the kernel (under Wine,
  // a round trip to its server), and listings come in by the thousand.
  void WakeOwner() override {
    if (ownerWaiting_) SetEvent(owner_.get());
  }

 private:
  CRITICAL_SECTION section_;
  UniqueKernelHandle workers_;
  UniqueKernelHandle owner_;
  LONG waiting_ = 0;
  bool ownerWaiting_ = false;
};

DWORD WINAPI RunBody(LPVOID body) {
  (*static_cast<const std::function<void()>*>(body))();
  return 0;
}

using CancelSynchronousIoCall = BOOL(WINAPI*)(HANDLE);

// Windows Vista and later; kernel32 is in every process already.
CancelSynchronousIoCall FindCancelSynchronousIo() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<CancelSynchronousIoCall>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "CancelSynchronousIo")));
}

class Win32WorkerThreads : public WorkerThreads {
 public:
  Win32WorkerThreads(const std::function<void()>& body, const Progress& whileJoining)
      : body_(body), whileJoining_(whileJoining) {}
  Win32WorkerThreads(const Win32WorkerThreads&) = delete;
  Win32WorkerThreads& operator=(const Win32WorkerThreads&) = delete;

  void Start(unsigned count) {
    // Room first: a thread whose handle could not be kept would run on
    // unjoined.
    threads_.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
      UniqueKernelHandle thread(CreateThread(nullptr, kWorkerStackBytes, &RunBody, &body_,
                                             STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
      if (!thread) return;
      threads_.push_back(std::move(thread));
    }
  }
  bool Started() const { return !threads_.empty(); }

  // The task has told its threads to stop; each ends at its next look at
  // that, or, blocked in a listing of a share that no longer answers, when
  // the call is cancelled (Vista and later: the network redirector honours
  // it) or else when the redirector gives up on the server itself, which
  // may take minutes: the window answers meanwhile.
  ~Win32WorkerThreads() override {
    const CancelSynchronousIoCall cancel = FindCancelSynchronousIo();
    for (const UniqueKernelHandle& thread : threads_) Join(thread.get(), cancel);
  }

 private:
  void Join(HANDLE thread, CancelSynchronousIoCall cancel) {
    DWORD cancelled = GetTickCount();
    for (;;) {
      const DWORD woke = QuitPending() || !whileJoining_
                             ? WaitForSingleObject(thread, kCancelAgainMs)
                             : MsgWaitForMultipleObjectsEx(1, &thread, kCancelAgainMs,
                                                           QS_ALLINPUT, kWakeOnAnyInput);
      if (woke == WAIT_OBJECT_0) return;
      if (woke == WAIT_OBJECT_0 + 1) {
        whileJoining_();
      } else if (woke != WAIT_TIMEOUT) {
        WaitForSingleObject(thread, INFINITE);
        return;
      }
      if (GetTickCount() - cancelled >= kCancelAgainMs) {
        if (cancel != nullptr) cancel(thread);
        cancelled = GetTickCount();
      }
    }
  }

  std::function<void()> body_;
  Progress whileJoining_;
  std::vector<UniqueKernelHandle> threads_;
};

}  // namespace

std::unique_ptr<WorkLock> Win32Platform::NewWorkLock() {
  UniqueKernelHandle workers(CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr));
  UniqueKernelHandle owner(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!workers || !owner) return nullptr;
  return std::make_unique<Win32WorkLock>(std::move(workers), std::move(owner));
}

std::unique_ptr<WorkerThreads> Win32Platform::StartWorkerThreads(
    unsigned count, const std::function<void()>& body, const Progress& whileJoining) {
  auto threads = std::make_unique<Win32WorkerThreads>(body, whileJoining);
  threads->Start(count);
  if (!threads->Started()) return nullptr;
  return threads;
}

}  // namespace mwn

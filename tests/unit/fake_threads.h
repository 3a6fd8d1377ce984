// Real threads and a real lock for the fake platform, so that listings ahead
// of the walk run concurrently in the tests as they do on the system.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform.h"

// The waits are true condition waits, without a time limit: a wake-up that
// is lost hangs the test. Releasing the lock without holding it aborts.
class FakeWorkLock : public mwn::WorkLock {
 public:
  // The first `messages` waits answering end at once, as on a window message.
  explicit FakeWorkLock(int messages) : messages_(messages) {}
  void Acquire() override;
  void Release() override;
  void WaitAsWorker() override;
  bool WaitAnswering() override;
  void WakeWorkers() override { workers_.notify_all(); }
  void WakeOwner() override { owner_.notify_all(); }

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> holder_{};
  std::condition_variable_any workers_;
  std::condition_variable_any owner_;
  int messages_;
};

class FakeWorkerThreads : public mwn::WorkerThreads {
 public:
  // `cancelBlocked(true)` is called once the threads are to end, as the
  // system would cancel their blocked calls, and `cancelBlocked(false)` once
  // they have; `whileJoining` once before that, as for a window message.
  // `joined` is called for each thread joined.
  FakeWorkerThreads(unsigned count, const std::function<void()>& body,
                    const mwn::Progress& whileJoining, std::function<void(bool)> cancelBlocked,
                    std::function<void()> joined);
  ~FakeWorkerThreads() override;

 private:
  std::vector<std::thread> threads_;
  mwn::Progress whileJoining_;
  std::function<void(bool)> cancelBlocked_;
  std::function<void()> joined_;
};

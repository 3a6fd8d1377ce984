// Real threads and a real lock for the fake platform, so that listings ahead
// of the walk run concurrently in the tests as they do on the system.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform.h"

class FakeWorkLock : public mwn::WorkLock {
 public:
  void Acquire() override { mutex_.lock(); }
  void Release() override { mutex_.unlock(); }
  void WaitAsWorker() override { workers_.wait(mutex_); }
  // Every wait counts as one window message arriving.
  void WaitAnswering(const mwn::Progress& whileWaiting) override;
  void WakeWorkers() override { workers_.notify_all(); }
  void WakeOwner() override { owner_.notify_all(); }

 private:
  std::mutex mutex_;
  std::condition_variable_any workers_;
  std::condition_variable_any owner_;
};

class FakeWorkerThreads : public mwn::WorkerThreads {
 public:
  // `cancelBlocked(true)` is called once the threads are to end, as the
  // system would cancel their blocked calls, and `cancelBlocked(false)` once
  // they have.
  FakeWorkerThreads(unsigned count, const std::function<void()>& body,
                    std::function<void(bool)> cancelBlocked);
  ~FakeWorkerThreads() override;

 private:
  std::vector<std::thread> threads_;
  std::function<void(bool)> cancelBlocked_;
};

#include "fake_threads.h"

#include <cstdio>
#include <cstdlib>

void FakeWorkLock::Acquire() {
  mutex_.lock();
  holder_ = std::this_thread::get_id();
}

void FakeWorkLock::Release() {
  if (holder_ != std::this_thread::get_id()) {
    std::fputs("work lock released by a thread that does not hold it\n", stderr);
    std::abort();
  }
  holder_ = std::thread::id();
  mutex_.unlock();
}

void FakeWorkLock::WaitAsWorker() {
  holder_ = std::thread::id();
  workers_.wait(mutex_);
  holder_ = std::this_thread::get_id();
}

bool FakeWorkLock::WaitAnswering() {
  if (messages_ > 0) {
    --messages_;
    return true;
  }
  holder_ = std::thread::id();
  owner_.wait(mutex_);
  holder_ = std::this_thread::get_id();
  return false;
}

FakeWorkerThreads::FakeWorkerThreads(unsigned count, const std::function<void()>& body,
                                     const mwn::Progress& whileJoining,
                                     std::function<void(bool)> cancelBlocked,
                                     std::function<void()> joined)
    : whileJoining_(whileJoining),
      cancelBlocked_(std::move(cancelBlocked)),
      joined_(std::move(joined)) {
  threads_.reserve(count);
  for (unsigned i = 0; i < count; ++i) threads_.emplace_back(body);
}

FakeWorkerThreads::~FakeWorkerThreads() {
  if (whileJoining_) whileJoining_();
  cancelBlocked_(true);
  for (std::thread& thread : threads_) {
    thread.join();
    joined_();
  }
  cancelBlocked_(false);
}

#include "fake_threads.h"

#include <chrono>

void FakeWorkLock::WaitAnswering(const mwn::Progress& whileWaiting) {
  owner_.wait_for(mutex_, std::chrono::milliseconds(1));
  mutex_.unlock();
  if (whileWaiting) whileWaiting();
  mutex_.lock();
}

FakeWorkerThreads::FakeWorkerThreads(unsigned count, const std::function<void()>& body,
                                     std::function<void(bool)> cancelBlocked)
    : cancelBlocked_(std::move(cancelBlocked)) {
  for (unsigned i = 0; i < count; ++i) threads_.emplace_back(body);
}

FakeWorkerThreads::~FakeWorkerThreads() {
  cancelBlocked_(true);
  for (std::thread& thread : threads_) thread.join();
  cancelBlocked_(false);
}

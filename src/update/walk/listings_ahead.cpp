#include "update/walk/listings_ahead.h"

#include <algorithm>
#include <utility>

#include "update/base/path.h"

namespace mwn {

namespace {

class Locked {
 public:
  explicit Locked(WorkLock& lock) : lock_(lock) { lock_.Acquire(); }
  ~Locked() { lock_.Release(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  WorkLock& lock_;
};

class Unlocked {
 public:
  explicit Unlocked(WorkLock& lock) : lock_(lock) { lock_.Release(); }
  ~Unlocked() { lock_.Acquire(); }
  Unlocked(const Unlocked&) = delete;
  Unlocked& operator=(const Unlocked&) = delete;

 private:
  WorkLock& lock_;
};

bool IsBelow(const WalkPosition& position, const WalkPosition& ancestor) {
  return position.size() > ancestor.size() &&
         std::equal(ancestor.begin(), ancestor.end(), position.begin());
}

}  // namespace

ListingsAhead::ListingsAhead(Platform& platform, const std::string& root, const std::string& name,
                             LookAhead limits, const Progress& whileWaiting)
    : platform_(platform),
      name_(name),
      limits_(limits),
      whileWaiting_(whileWaiting),
      lock_(platform.NewWorkLock()),
      inWalkOrder_(limits.inWalkOrder) {
  AddWaiting({}, root);
  if (lock_) {
    threads_ = platform_.StartWorkerThreads(limits_.inWalkOrder ? 1 : limits_.threads,
                                            [this] { Work(); },
                                            [this] { AnswerWhileJoining(); });
  }
}

ListingsAhead::~ListingsAhead() {
  if (threads_) {
    Locked locked(*lock_);
    stopping_ = true;
    lock_->WakeWorkers();
  }
  addedThreads_.reset();
  threads_.reset();
}

FolderContents ListingsAhead::Take(const WalkPosition& position) {
  Locked locked(*lock_);
  // The walk has been below every link before this place.
  const auto passed = linksAhead_.lower_bound(position);
  if (passed != linksAhead_.begin()) {
    linksAhead_.erase(linksAhead_.begin(), passed);
    lock_->WakeWorkers();
  }
  for (;;) {
    AddThreads();
    const Jobs::iterator job = jobs_.find(position);
    if (job != jobs_.end() && job->second.state == State::kListed) {
      FolderContents contents = std::move(job->second.contents);
      const std::exception_ptr error = job->second.error;
      listed_.erase(position);
      jobs_.erase(job);
      if (!inWalkOrder_ || listing_ + listed_.size() + Batch() <= limits_.listings) {
        lock_->WakeWorkers();
      }
      if (error) std::rethrow_exception(error);
      return contents;
    }
    if (lock_->WaitAnswering() && whileWaiting_) {
      Unlocked unlocked(*lock_);
      whileWaiting_();
    }
  }
}

// The threads are joined in the destructor, where nothing may be thrown:
// once the walk's own answering has failed there, the plain pump answers.
void ListingsAhead::AnswerWhileJoining() noexcept {
  try {
    if (answeringFailed_ || !whileWaiting_) {
      platform_.ProcessMessages();
    } else {
      whileWaiting_();
    }
  } catch (...) {
    answeringFailed_ = true;
  }
}

void ListingsAhead::Work() {
  Locked locked(*lock_);
  while (!stopping_) {
    const Jobs::iterator job = NextToList();
    if (job == jobs_.end()) {
      lock_->WakeOwner();
      lock_->WaitAsWorker();
    } else {
      List(job);
    }
  }
}

// With the lock held, which it lets go of while it lists. Nothing it throws
// leaves the thread: the walk is told instead.
void ListingsAhead::List(Jobs::iterator job) {
  job->second.state = State::kListing;
  ++listing_;
  CountHeld();
  const std::uint64_t ticket = job->second.ticket;
  try {
    // Copies: the job may be evicted while it is listed.
    const WalkPosition position = job->first;
    const std::string folder = job->second.folder;
    FolderContents contents;
    std::exception_ptr error;
    std::uint64_t took = 0;
    {
      Unlocked unlocked(*lock_);
      try {
        const std::uint64_t started = platform_.Microseconds();
        contents = ReadFolder(platform_, folder, name_, [this] { return !stopping_; });
        took = platform_.Microseconds() - started;
      } catch (...) {
        error = std::current_exception();
      }
    }
    if (stopping_) return;
    Pace(took);
    Store(position, ticket, std::move(contents), error);
  } catch (...) {
    Fail(ticket, std::current_exception());
  }
}

// Where the volume does not say whether its disk seeks: in walk order while
// its listings wait for the disk, with every thread while they come from
// memory, where no disk head is sent anywhere.
void ListingsAhead::Pace(std::uint64_t took) {
  if (!limits_.widenFromMemory || !pace_.Record(took)) return;
  inWalkOrder_ = !pace_.FromMemory();
  if (inWalkOrder_) return;
  lock_->WakeWorkers();
  lock_->WakeOwner();  // to start the other threads
}

// With the lock held, on the walk's thread: the threads that listings from
// memory can use, started the first time they can.
void ListingsAhead::AddThreads() {
  if (!limits_.widenFromMemory || inWalkOrder_ || threadsAdded_ || !threads_) return;
  threadsAdded_ = true;
  Unlocked unlocked(*lock_);
  addedThreads_ = platform_.StartWorkerThreads(limits_.threads - 1, [this] { Work(); },
                                               [this] { AnswerWhileJoining(); });
}

// In walk order the walk must have been below a link before anything after
// it is listed.
bool ListingsAhead::LinkAheadOf(const WalkPosition& position) const {
  return !linksAhead_.empty() && *linksAhead_.begin() < position;
}

// The first waiting folder in walk order, if the limit lets it be listed now.
// When the limit is reached with listings taken later than it, the one the
// walk will take last makes room: holding it would hold up the walk.
ListingsAhead::Jobs::iterator ListingsAhead::NextToList() {
  const Jobs::iterator first = std::find_if(jobs_.begin(), jobs_.end(), [](const auto& job) {
    return job.second.state == State::kWaiting;
  });
  if (first == jobs_.end()) return first;
  if (inWalkOrder_ && (listing_ > 0 || LinkAheadOf(first->first))) return jobs_.end();
  if (listing_ + listed_.size() < limits_.listings) return first;
  if (listed_.empty() || !(first->first < *listed_.rbegin())) return jobs_.end();
  const WalkPosition last = *listed_.rbegin();  // a copy: Evict erases it from listed_
  Evict(last);
  return first;
}

void ListingsAhead::Store(const WalkPosition& position, std::uint64_t ticket,
                          FolderContents contents, std::exception_ptr error) {
  const Jobs::iterator job = Current(position, ticket);
  if (job == jobs_.end()) return;
  Job& listed = job->second;
  if (!error) {
    WalkPosition child = position;
    child.push_back(0);
    for (const Subfolder& subfolder : contents.subfolders) {
      const std::string path = JoinPath(listed.folder, subfolder.name);
      if (!subfolder.link && WithinPathLimit(path)) AddWaiting(child, path);
      if (subfolder.link && limits_.inWalkOrder) linksAhead_.insert(child);
      ++child.back();
    }
  }
  listed_.insert(position);
  listed.contents = std::move(contents);
  Listed(listed, error);
}

// What the walk is told in place of a listing that could not be stored,
// found by its ticket alone: copying its position may be what failed.
void ListingsAhead::Fail(std::uint64_t ticket, std::exception_ptr error) {
  const Jobs::iterator job = std::find_if(jobs_.begin(), jobs_.end(), [ticket](const auto& job) {
    return job.second.ticket == ticket && job.second.state == State::kListing;
  });
  if (job == jobs_.end()) {
    --orphans_;
    return;
  }
  Listed(job->second, error);
}

// The job that `ticket` still lists, or none when it was orphaned meanwhile.
ListingsAhead::Jobs::iterator ListingsAhead::Current(const WalkPosition& position,
                                                     std::uint64_t ticket) {
  const Jobs::iterator job = jobs_.find(position);
  if (job != jobs_.end() && job->second.ticket == ticket && job->second.state == State::kListing) {
    return job;
  }
  --orphans_;
  return jobs_.end();
}

void ListingsAhead::Listed(Job& job, std::exception_ptr error) {
  job.state = State::kListed;
  job.error = error;
  --listing_;
  if (!inWalkOrder_ || listed_.size() >= Batch()) lock_->WakeOwner();
  // In walk order the thread that listed lists on.
  if (!inWalkOrder_) lock_->WakeWorkers();
}

// In walk order one thread lists faster than the walk takes, or slower:
// either side that waits is woken once for a batch of listings, not for each,
// and the thread wakes the walk whenever it stops itself.
std::size_t ListingsAhead::Batch() const { return std::max(1u, limits_.listings / 4); }

void ListingsAhead::AddWaiting(const WalkPosition& position, const std::string& folder) {
  Job& job = jobs_[position];
  job.folder = folder;
  job.ticket = nextTicket_++;
}

// Back to waiting, and with it everything its listing made known: folders
// not listed yet are forgotten, and a listing still in flight is orphaned
// (its thread throws its result away). It is listed again in its turn.
void ListingsAhead::Evict(const WalkPosition& position) {
  const Jobs::iterator job = jobs_.find(position);
  job->second.state = State::kWaiting;
  job->second.contents = FolderContents();
  job->second.error = nullptr;
  job->second.ticket = nextTicket_++;
  listed_.erase(position);
  Jobs::iterator below = std::next(job);
  while (below != jobs_.end() && IsBelow(below->first, position)) {
    if (below->second.state == State::kListing) {
      --listing_;
      ++orphans_;
    }
    listed_.erase(below->first);
    below = jobs_.erase(below);
  }
}

std::size_t ListingsAhead::MostHeld() const {
  Locked locked(*lock_);
  return mostHeld_;
}

void ListingsAhead::CountHeld() {
  mostHeld_ = std::max(mostHeld_, listing_ + orphans_ + listed_.size());
}

}  // namespace mwn

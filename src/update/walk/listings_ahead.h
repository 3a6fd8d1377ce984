// Listings fetched ahead of a depth-first walk, for trees whose every
// listing costs round trips (network shares) or processor time: threads list
// the folders the walk will enter next, in the order it will enter them,
// while the walk takes each listing strictly in its own order on the window's
// thread, so that the window's own work never holds up the listings.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "update/walk/folder_contents.h"
#include "update/walk/listing_pace.h"

namespace mwn {

// How far to look ahead: `threads` listings in flight at once, and at most
// `listings` of them in flight or listed and not yet taken. No threads: the
// walk lists each folder itself. `inWalkOrder`: one listing at a time, which
// makes the serial walk's calls in the serial walk's order (a disk that seeks
// sees the same reads), pausing at each link until the walk has been below
// it. `widenFromMemory`: in walk order only while the listings wait for the
// disk, and `threads` at once while they come from memory (ListingPace).
struct LookAhead {
  unsigned threads = 0;
  unsigned listings = 0;
  bool inWalkOrder = false;
  bool widenFromMemory = false;
};

// A folder's place in the walk: the index of each subfolder on the way down
// from the root, in its parent's listing. Places compare in walk order.
using WalkPosition = std::vector<std::uint32_t>;

class ListingsAhead {
 public:
  // Lists `root` and then, as their parents' listings come in, the folders
  // below it that the walk enters without passing a link (below a link the
  // walk must first know where it is) and whose paths are within the limit.
  // `whileWaiting` is called whenever a window message arrives while the
  // walk waits for a listing or for the threads to end.
  ListingsAhead(Platform& platform, const std::string& root, const std::string& name,
                LookAhead limits, const Progress& whileWaiting);
  // Stops the threads and joins them.
  ~ListingsAhead();
  ListingsAhead(const ListingsAhead&) = delete;
  ListingsAhead& operator=(const ListingsAhead&) = delete;

  // False when not one thread could be had: the walk then lists for itself.
  bool Running() const { return threads_ != nullptr; }
  // The contents of the folder at `position`, once listed; waits for them.
  // Each position is taken once, in walk order. What a listing thread or
  // `whileWaiting` threw is thrown here.
  FolderContents Take(const WalkPosition& position);
  // The most listings ever in flight or waiting to be taken (orphaned ones
  // included, see Evict).
  std::size_t MostHeld() const;

 private:
  enum class State { kWaiting, kListing, kListed };
  struct Job {
    std::string folder;
    State state = State::kWaiting;
    std::uint64_t ticket = 0;
    FolderContents contents;
    std::exception_ptr error;
  };
  using Jobs = std::map<WalkPosition, Job>;

  void Work();
  void List(Jobs::iterator job);
  bool LinkAheadOf(const WalkPosition& position) const;
  Jobs::iterator NextToList();
  void Pace(std::uint64_t took);
  void AddThreads();
  void Store(const WalkPosition& position, std::uint64_t ticket, FolderContents contents,
             std::exception_ptr error);
  void Fail(std::uint64_t ticket, std::exception_ptr error);
  Jobs::iterator Current(const WalkPosition& position, std::uint64_t ticket);
  void Listed(Job& job, std::exception_ptr error);
  void AddWaiting(const WalkPosition& position, const std::string& folder);
  void Evict(const WalkPosition& position);
  void CountHeld();
  std::size_t Batch() const;
  void AnswerWhileJoining() noexcept;

  Platform& platform_;
  const std::string name_;
  const LookAhead limits_;
  const Progress whileWaiting_;
  bool answeringFailed_ = false;
  const std::unique_ptr<WorkLock> lock_;
  std::atomic<bool> stopping_{false};
  // Under the lock.
  bool inWalkOrder_;
  ListingPace pace_;
  Jobs jobs_;
  std::set<WalkPosition> listed_;
  // In walk order, the links listed and not yet passed by the walk.
  std::set<WalkPosition> linksAhead_;
  std::size_t listing_ = 0;
  std::size_t orphans_ = 0;
  std::size_t mostHeld_ = 0;
  std::uint64_t nextTicket_ = 0;
  // The walk's thread alone starts and joins threads. Last: they go first.
  bool threadsAdded_ = false;
  std::unique_ptr<WorkerThreads> threads_;
  std::unique_ptr<WorkerThreads> addedThreads_;
};

}  // namespace mwn

#include "image/ReadAheadThread.h"

#include <system_error>

namespace drivecopy {

ReadAheadThread::ReadAheadThread(std::size_t bufferBytes, std::size_t alignment, std::size_t depth,
                                 std::int64_t firstBlock, std::int64_t endBlock, RunReader read,
                                 RunEnd runEnd)
    : read_(std::move(read)), runEnd_(std::move(runEnd)), endBlock_(endBlock), next_(firstBlock) {
  // One buffer more than the runs kept ready: the one the caller holds.
  for (std::size_t i = 0; i < depth + 1; ++i) {
    buffers_.emplace_back(bufferBytes, alignment);
    free_.push_back(i);
  }
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (const std::system_error&) {
    // Without a thread the caller reads each run when it needs it.
  }
}

ReadAheadThread::~ReadAheadThread() {
  {
    std::lock_guard lock(state_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ReadAheadThread::Loop() {
  std::unique_lock lock(state_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || (!free_.empty() && next_ < endBlock_); });
    if (stopping_) return;
    const std::size_t slot = free_.back();
    free_.pop_back();
    const std::int64_t first = next_;
    next_ = runEnd_(first);
    lock.unlock();
    std::int64_t good = 0;
    {
      std::lock_guard device(device_);
      good = read_(first, buffers_[slot]);
    }
    lock.lock();
    ready_.push_back({first, good, slot});
    changed_.notify_all();
  }
}

ReadAheadThread::Run ReadAheadThread::Take(std::int64_t first) {
  std::unique_lock lock(state_);
  if (held_) {
    free_.push_back(heldSlot_);
    held_ = false;
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return !ready_.empty(); });
  const Ready run = ready_.front();
  ready_.pop_front();
  held_ = true;
  heldSlot_ = run.Slot;
  // Runs come in the order they were asked for; a caller that skipped ahead
  // broke the contract, and gets no blocks rather than wrong ones.
  const std::int64_t good = run.First == first ? run.Good : 0;
  return Run{first, good, &buffers_[run.Slot]};
}

}  // namespace drivecopy

#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/AlignedBuffer.h"

namespace drivecopy {

// Reads consecutive runs of blocks ahead of their use on a thread of its
// own, keeping up to `depth` runs ready, so that the device stays busy while
// the caller stores, compresses or writes. The caller takes the runs in
// order; a run's buffer stays the caller's until it takes the next one.
// Whoever else wants the device while the thread runs holds DeviceLock().
class ReadAheadThread {
 public:
  // Reads the run that begins at block `first` into the buffer and returns
  // how many of its leading blocks arrived whole.
  using RunReader = std::function<std::int64_t(std::int64_t first, AlignedBuffer& into)>;
  // The block after the run that begins at `first`.
  using RunEnd = std::function<std::int64_t(std::int64_t first)>;

  struct Run {
    std::int64_t First = 0;
    std::int64_t Good = 0;
    const AlignedBuffer* Buffer = nullptr;
  };

  ReadAheadThread(std::size_t bufferBytes, std::size_t alignment, std::size_t depth, std::int64_t firstBlock,
                  std::int64_t endBlock, RunReader read, RunEnd runEnd);
  ~ReadAheadThread();
  ReadAheadThread(const ReadAheadThread&) = delete;
  ReadAheadThread& operator=(const ReadAheadThread&) = delete;

  // False when no thread could be started; the caller then reads by itself.
  bool Running() const { return thread_.joinable(); }

  // The run that begins at `first`, which must be the one after the run
  // taken last (or `firstBlock` at the start). Waits until it is read.
  Run Take(std::int64_t first);

  // Keeps the thread off the device while held.
  std::unique_lock<std::mutex> DeviceLock() { return std::unique_lock<std::mutex>(device_); }

 private:
  struct Ready {
    std::int64_t First = 0;
    std::int64_t Good = 0;
    std::size_t Slot = 0;
  };
  void Loop();

  RunReader read_;
  RunEnd runEnd_;
  std::int64_t endBlock_;
  std::vector<AlignedBuffer> buffers_;

  std::mutex device_;
  std::mutex state_;
  std::condition_variable changed_;
  std::vector<std::size_t> free_;  // slots the thread may fill
  std::deque<Ready> ready_;        // runs read, in order
  std::int64_t next_;              // first block of the next run to read
  bool held_ = false;              // the caller holds heldSlot_
  std::size_t heldSlot_ = 0;
  bool stopping_ = false;
  std::thread thread_;  // last: started when everything above is ready
};

}  // namespace drivecopy

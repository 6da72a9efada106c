#include "jobs/BackgroundBatchWriter.h"

#include <system_error>
#include <utility>

namespace drivecopy {

BackgroundBatchWriter::BackgroundBatchWriter(ImageWriter& writer, BlockBatch spare)
    : writer_(writer), inFlight_(std::move(spare)) {
  try {
    thread_ = std::thread([this] { WriteLoop(); });
  } catch (const std::system_error&) {
    // Without a thread of its own every batch is written when handed over.
  }
}

BackgroundBatchWriter::~BackgroundBatchWriter() {
  {
    std::unique_lock lock(state_);
    changed_.wait(lock, [this] { return !busy_; });
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundBatchWriter::WriteLoop() {
  std::unique_lock lock(state_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || busy_; });
    if (stopping_) return;
    lock.unlock();
    auto written = WriteInFlight();
    lock.lock();
    if (!written) failure_ = written.error();
    busy_ = false;
    changed_.notify_all();
  }
}

Outcome<void> BackgroundBatchWriter::WriteInFlight() {
  auto written = writer_.WriteBatch(inFlight_);
  inFlight_.Clear();
  return written;
}

Outcome<void> BackgroundBatchWriter::Hand(BlockBatch& batch) {
  std::unique_lock lock(state_);
  changed_.wait(lock, [this] { return !busy_; });
  if (failure_) return *failure_;
  std::swap(inFlight_, batch);
  if (!thread_.joinable()) {
    auto written = WriteInFlight();
    if (!written) failure_ = written.error();
    return written;
  }
  busy_ = true;
  lock.unlock();
  changed_.notify_all();
  return {};
}

Outcome<void> BackgroundBatchWriter::Wait() {
  std::unique_lock lock(state_);
  changed_.wait(lock, [this] { return !busy_; });
  if (failure_) return *failure_;
  return {};
}

}  // namespace drivecopy

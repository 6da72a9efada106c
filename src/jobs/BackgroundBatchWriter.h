#pragma once
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "image/BlockBatch.h"
#include "image/ImageWriter.h"
#include "platform/Failure.h"

namespace drivecopy {

// Writes the create job's batches to the image file on a thread of its own,
// so that reading and compressing the next batch go on while the last one is
// written. One batch is written at a time: handing over the next waits until
// the one before is in the file, so the memory taken is two batches at most.
// Where no thread can be had, Hand writes at once on the caller's thread.
class BackgroundBatchWriter {
 public:
  // `spare` is an empty batch of the writer's format: the one Hand gives back
  // first. The writer must outlive this object.
  BackgroundBatchWriter(ImageWriter& writer, BlockBatch spare);
  ~BackgroundBatchWriter();  // waits for the write in flight
  BackgroundBatchWriter(const BackgroundBatchWriter&) = delete;
  BackgroundBatchWriter& operator=(const BackgroundBatchWriter&) = delete;

  // Waits for the write before, then starts writing `batch` and gives back an
  // empty batch in its place. A failure of the write before comes back
  // instead, and then nothing more is written.
  Outcome<void> Hand(BlockBatch& batch);

  // Waits until everything handed over is written; the first failure.
  Outcome<void> Wait();

 private:
  void WriteLoop();
  // Writes inFlight_ and empties it for its next use.
  Outcome<void> WriteInFlight();

  ImageWriter& writer_;
  BlockBatch inFlight_;
  std::mutex state_;
  std::condition_variable changed_;
  bool busy_ = false;      // inFlight_ is being written
  bool stopping_ = false;  // the thread is to end
  std::optional<Failure> failure_;
  std::thread thread_;
};

}  // namespace drivecopy

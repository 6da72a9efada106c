#include "image/ParallelBlockChecker.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "image/SharedWork.h"
#include "platform/Units.h"

namespace drivecopy {

Outcome<ParallelBlockChecker> ParallelBlockChecker::Open(unsigned workers) {
  if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<Worker> made;
  made.reserve(workers);
  for (unsigned i = 0; i < workers; ++i) {
    auto decompressor = BlockDecompressor::Open();
    if (!decompressor) return decompressor.error();
    made.push_back(
        Worker{std::move(*decompressor), std::vector<std::byte>(static_cast<std::size_t>(BlockBytes))});
  }
  return ParallelBlockChecker(std::move(made));
}

std::optional<ParallelBlockChecker::Unsound> ParallelBlockChecker::Check(
    std::span<const std::vector<std::byte>> streams, std::span<const std::size_t> rawSizes) {
  std::vector<std::optional<Failure>> faults(streams.size());
  std::atomic<std::size_t> next{0};

  // Each worker takes the next stream not yet taken until none is left; a
  // stream's fault lands in its own slot, so the first in order is found.
  auto work = [&](Worker& worker) {
    for (std::size_t i = next.fetch_add(1); i < streams.size(); i = next.fetch_add(1)) {
      if (rawSizes[i] > worker.Scratch.size()) worker.Scratch.resize(rawSizes[i]);
      auto inflated =
          worker.Decompressor.Inflate(streams[i], std::span<std::byte>(worker.Scratch.data(), rawSizes[i]));
      if (!inflated) faults[i] = inflated.error();
    }
  };

  RunOnWorkers(std::span(workers_), streams.size(), work);

  for (std::size_t i = 0; i < faults.size(); ++i) {
    if (faults[i]) return Unsound{i, *faults[i]};
  }
  return std::nullopt;
}

}  // namespace drivecopy

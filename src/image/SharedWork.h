#pragma once
#include <algorithm>
#include <cstddef>
#include <functional>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

namespace drivecopy {

// Runs work(worker) for the first `items` workers at most (one is enough for
// one item): the first on the calling thread, the others on threads started
// for this call; returns when all have ended. `work` must take its items
// from a counter it shares with the other workers, so that when fewer threads
// can be had than asked for, those that run still do all the work.
template <typename Worker, typename Work>
void RunOnWorkers(std::span<Worker> workers, std::size_t items, Work&& work) {
  if (workers.empty()) return;
  const std::size_t helpers = std::min(workers.size(), items);
  std::vector<std::jthread> threads;
  if (helpers > 1) {
    threads.reserve(helpers - 1);
    try {
      for (std::size_t w = 1; w < helpers; ++w) threads.emplace_back(std::ref(work), std::ref(workers[w]));
    } catch (const std::system_error&) {
      // No more threads to be had: the threads started and this one do it all.
    }
  }
  work(workers[0]);
}  // the threads are joined here

}  // namespace drivecopy

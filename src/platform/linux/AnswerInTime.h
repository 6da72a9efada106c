#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace drivecopy::linux_backend {

// Some questions to the system can wait without end: LOOP_GET_STATUS64 asks
// the backing file's file system for its attributes, and a FUSE file system
// whose program hangs never answers. Such a question is asked on a thread of
// its own and waited for until a deadline, so that many can be asked at once
// and one that hangs costs one wait. One that has not answered by then is
// left running (its thread ends when the system call returns) and, while it
// runs, the same question (the same key) is not asked again: later callers get
// no answer at once instead of waiting once more.

using Deadline = std::chrono::steady_clock::time_point;

namespace answer_in_time {
// False when a question under `key` is still running; otherwise marks it running.
bool BeginAsking(const std::string& key);
void EndAsking(const std::string& key);
}  // namespace answer_in_time

// The answer to a question asked with Ask, once it is there.
template <class Answer>
class PendingAnswer {
 public:
  struct Shared {
    std::mutex Lock;
    std::condition_variable Answered;
    std::optional<Answer> Value;
  };
  PendingAnswer() = default;  // a question not asked: no answer
  explicit PendingAnswer(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

  // The answer, or nullopt when there is none by `deadline`.
  std::optional<Answer> WaitUntil(Deadline deadline) const {
    if (!shared_) return std::nullopt;
    std::unique_lock lock(shared_->Lock);
    shared_->Answered.wait_until(lock, deadline, [&] { return shared_->Value.has_value(); });
    return shared_->Value;
  }

 private:
  std::shared_ptr<Shared> shared_;
};

// Starts `question()` (no arguments, returning Answer) on a thread of its own;
// asks nothing while an earlier question under `key` still runs.
template <class Answer, class Question>
PendingAnswer<Answer> Ask(const std::string& key, Question question) {
  using Shared = typename PendingAnswer<Answer>::Shared;
  auto shared = std::make_shared<Shared>();
  if (!answer_in_time::BeginAsking(key)) return PendingAnswer<Answer>();
  auto ask = [shared, key, question]() mutable {
    Answer value = question();
    // Free to be asked again before anyone can see this answer, so that a
    // caller asking right after it never finds the question still running.
    answer_in_time::EndAsking(key);
    {
      std::lock_guard lock(shared->Lock);
      shared->Value = std::move(value);
    }
    shared->Answered.notify_all();
  };
  try {
    std::thread(std::move(ask)).detach();
  } catch (const std::system_error&) {
    // No thread to be had: asking here is better than knowing nothing.
    answer_in_time::EndAsking(key);
    shared->Value = question();
  }
  return PendingAnswer<Answer>(std::move(shared));
}

}  // namespace drivecopy::linux_backend

#include "platform/linux/AnswerInTime.h"

#include <set>

namespace drivecopy::linux_backend::answer_in_time {

namespace {

struct Running {
  std::mutex Lock;
  std::set<std::string> Keys;
};

// Never destroyed: a thread still waiting on the system at exit may end
// after the program's static objects are gone.
Running& Questions() {
  static auto* running = new Running;
  return *running;
}

}  // namespace

bool BeginAsking(const std::string& key) {
  Running& running = Questions();
  std::lock_guard lock(running.Lock);
  return running.Keys.insert(key).second;
}

void EndAsking(const std::string& key) {
  Running& running = Questions();
  std::lock_guard lock(running.Lock);
  running.Keys.erase(key);
}

}  // namespace drivecopy::linux_backend::answer_in_time

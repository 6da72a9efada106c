#include "platform/linux/TimeLimitedLook.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {
namespace {

using std::chrono::steady_clock;

// A child that has not been reaped yet, with the device it was looking at
// ("" for one that answered and is only ending).
struct UnreapedChild {
  std::string Device;
  pid_t Process;
};

std::mutex unreapedMutex;
std::vector<UnreapedChild> unreaped;

void KeepUnreaped(const std::string& device, pid_t process) {
  const std::lock_guard lock(unreapedMutex);
  unreaped.push_back({device, process});
}

// Reaps the children that have ended since; true while one that overran on
// `device` is still running.
bool StillWaitingOn(const std::string& device) {
  const std::lock_guard lock(unreapedMutex);
  bool waiting = false;
  std::erase_if(unreaped, [&](const UnreapedChild& child) {
    if (::waitpid(child.Process, nullptr, WNOHANG) != 0) return true;  // ended (or not ours any more)
    waiting |= !child.Device.empty() && child.Device == device;
    return false;
  });
  return waiting;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// Every descriptor but `keep` is let go of, so that a child stuck on a
// device holds no claim, lock or pipe of the program; the standard ones
// lead to /dev/null, so that a reader of the program's output (a pipe into
// `less`) sees its end when the program ends, not when the device answers.
void LetGoOfInheritedDescriptors(int keep) {
  const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  for (int standard = 0; standard < 3; ++standard) {
    if (standard == keep) continue;
    if (nothing >= 0) {
      ::dup2(nothing, standard);
    } else {
      ::close(standard);
    }
  }
  if (keep > 3) ::close_range(3, static_cast<unsigned>(keep - 1), 0);
  ::close_range(static_cast<unsigned>(std::max(keep + 1, 3)), ~0U, 0);
}

// The child's whole life: the answer goes out with its length in front, so
// that one cut short by the child's death is never taken for a whole one.
[[noreturn]] void AnswerAndExit(int answerFd, pid_t parent, const std::function<std::string()>& look) {
  // It must not outlive the program that waits for it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(1);
  LetGoOfInheritedDescriptors(answerFd);
  std::string answer;
  try {
    answer = look();
  } catch (...) {
    ::_exit(1);
  }
  const std::uint64_t length = answer.size();
  const bool sent = WriteAll(answerFd, reinterpret_cast<const char*>(&length), sizeof length) &&
                    WriteAll(answerFd, answer.data(), answer.size());
  ::_exit(sent ? 0 : 1);
}

// Collects what the child writes until it closes its end or the deadline
// passes; true when it closed its end in time.
bool ReceiveUntil(int fd, steady_clock::time_point deadline, std::string& received) {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60'000)));
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    char chunk[4096];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    if (got == 0) return true;
    received.append(chunk, static_cast<std::size_t>(got));
  }
}

}  // namespace

std::string NotAnsweringText(std::chrono::milliseconds limit) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(limit).count();
  return "it gave no answer within " + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds") +
         "; the device may be hung or failing";
}

Outcome<std::string> LookWithinTimeLimit(const std::string& device, const std::function<std::string()>& look,
                                         std::chrono::milliseconds limit) {
  const Failure notAnswering =
      Failure::OfSystemCall(ETIMEDOUT, NotAnsweringText(limit), FailureKind::NotAnswering);
  if (StillWaitingOn(device)) return notAnswering;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return look();
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) return look();
  if (child == 0) AnswerAndExit(writeEnd.Get(), parent, look);
  writeEnd.Reset();

  std::string received;
  if (!ReceiveUntil(readEnd.Get(), steady_clock::now() + limit, received)) {
    ::kill(child, SIGKILL);
    if (::waitpid(child, nullptr, WNOHANG) == 0) KeepUnreaped(device, child);
    return notAnswering;
  }
  // It closed its end on its way out; it is reaped now or at a later look.
  if (::waitpid(child, nullptr, WNOHANG) == 0) KeepUnreaped("", child);
  std::uint64_t length = 0;
  if (received.size() < sizeof length) {
    return Failure::Because("the look at " + device + " ended without an answer");
  }
  std::memcpy(&length, received.data(), sizeof length);
  if (received.size() - sizeof length != length) {
    return Failure::Because("the look at " + device + " ended without an answer");
  }
  return received.substr(sizeof length);
}

}  // namespace drivecopy::linux_backend

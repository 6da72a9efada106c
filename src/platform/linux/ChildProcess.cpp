#include "platform/linux/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/linux/ErrnoError.h"
#include "platform/linux/UniqueFd.h"

extern char** environ;

namespace drivecopy::linux_backend {
namespace {

class SpawnFileActions {
 public:
  SpawnFileActions() { valid_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (valid_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;
  bool Valid() const { return valid_; }
  posix_spawn_file_actions_t* Get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool valid_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { valid_ = ::posix_spawnattr_init(&attributes_) == 0; }
  ~SpawnAttributes() {
    if (valid_) ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  bool Valid() const { return valid_; }
  posix_spawnattr_t* Get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
  bool valid_ = false;
};

// Waits for a started child when it goes out of scope, so that no path
// leaves a zombie behind.
class ChildGuard {
 public:
  explicit ChildGuard(pid_t pid) : pid_(pid) {}
  ~ChildGuard() {
    if (pid_ > 0) Wait();
  }
  ChildGuard(const ChildGuard&) = delete;
  ChildGuard& operator=(const ChildGuard&) = delete;
  int Wait() {
    const int status = WaitStatus();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The status as waitpid gives it.
  int WaitStatus() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_;
};

std::vector<char*> ArgumentVector(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

Outcome<ProcessResult> RunAndCapture(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return ErrnoError(EINVAL);
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return ErrnoError(errno);
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);

  SpawnFileActions actions;
  if (!actions.Valid()) return ErrnoError(ENOMEM);
  ::posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(actions.Get(), writeEnd.Get(), STDOUT_FILENO);
  ::posix_spawn_file_actions_addopen(actions.Get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  auto argv = ArgumentVector(arguments);
  pid_t pid = -1;
  if (int error = ::posix_spawnp(&pid, argv[0], actions.Get(), nullptr, argv.data(), environ))
    return ErrnoError(error);
  ChildGuard child(pid);
  writeEnd.Reset();  // only the child writes now, so reading ends at its exit

  ProcessResult result;
  char chunk[4096];
  while (true) {
    ssize_t got = ::read(readEnd.Get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    result.Output.append(chunk, static_cast<std::size_t>(got));
  }
  result.ExitCode = child.Wait();
  return result;
}

Outcome<int> RunAndWait(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment) {
  if (arguments.empty()) return ErrnoError(EINVAL);
  auto argv = ArgumentVector(arguments);
  auto envp = ArgumentVector(environment);
  pid_t pid = -1;
  if (int error = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()))
    return ErrnoError(error);
  const int status = ChildGuard(pid).WaitStatus();
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

bool StartDetached(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return false;
  SpawnFileActions actions;
  SpawnAttributes attributes;
  if (!actions.Valid() || !attributes.Valid()) return false;
  ::posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawnattr_setflags(attributes.Get(), POSIX_SPAWN_SETSID);
  auto argv = ArgumentVector(arguments);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(), environ) != 0) return false;
  // The browser launcher may run for a while; a background waiter reaps it
  // so that it does not stay a zombie.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace drivecopy::linux_backend

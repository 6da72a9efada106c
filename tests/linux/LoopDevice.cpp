#include "LoopDevice.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace drivecopy::test_support {
namespace fs = std::filesystem;

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

[[noreturn]] void RefuseForeignDevice(const std::string& path, const std::string& why) {
  std::cerr << "LoopDevice refuses to touch " << path << ": " << why << std::endl;
  std::abort();
}

void RunOrThrow(const std::string& commandLine) {
  auto result = RunCommand(commandLine + " 2>&1");
  if (result.ExitCode != 0)
    throw std::runtime_error("`" + commandLine + "` failed (" + std::to_string(result.ExitCode) +
                             "): " + result.Output);
}

}  // namespace

std::string LoopDevicesUnavailableReason() {
  if (::geteuid() != 0) return "real-device tests need root";
  if (!fs::exists("/dev/loop-control")) return "no /dev/loop-control on this machine";
  if (RunCommand("command -v losetup sfdisk mkfs.ext4 >/dev/null 2>&1").ExitCode != 0)
    return "losetup, sfdisk or mkfs.ext4 missing";
  return {};
}

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted.push_back(c);
  }
  return quoted + "'";
}

pid_t StartProgram(const std::vector<std::string>& words, const std::string& outputPath,
                   const std::string& errorPath) {
  std::vector<std::string> copies = words;
  std::vector<char*> arguments;
  for (auto& word : copies) arguments.push_back(word.data());
  arguments.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  if (errorPath.empty()) {
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  pid_t process = -1;
  const int failed =
      ::posix_spawn(&process, copies.front().c_str(), &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? process : -1;
}

CommandResult RunCommand(const std::string& commandLine) {
  CommandResult result;
  FILE* pipe = ::popen(commandLine.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.Output.append(chunk, got);
  int status = ::pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

LoopDevice::LoopDevice(std::int64_t bytes, const std::vector<std::byte>& content)
    : LoopDevice(bytes, content, "", true) {}

LoopDevice::LoopDevice(std::int64_t bytes, const std::vector<std::byte>& content,
                       const std::string& losetupOptions, bool scanPartitions) {
  directory_ = PrivateDirectory();
  backingFile_ = (directory_ / "disk.img").string();
  {
    std::ofstream file(backingFile_, std::ios::binary);
    file.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  }
  fs::resize_file(backingFile_, static_cast<std::uintmax_t>(bytes));
  Attach(losetupOptions, AttachFrom::ThisMountNamespace, scanPartitions);
}

LoopDevice::LoopDevice(const std::string& existingFile, const std::string& losetupOptions, AttachFrom from) {
  // Our own directory still holds the mount points; the file stays the caller's.
  directory_ = PrivateDirectory();
  backingFile_ = fs::absolute(existingFile).lexically_normal().string();
  Attach(losetupOptions, from);
}

fs::path LoopDevice::PrivateDirectory() {
  std::string pattern = (fs::temp_directory_path() / "drivecopy-loop-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  return pattern;
}

void LoopDevice::Attach(const std::string& losetupOptions, AttachFrom from, bool scanPartitions) {
  struct stat backing {};
  if (::stat(backingFile_.c_str(), &backing) != 0) {
    fs::remove_all(directory_);
    throw std::runtime_error("no file " + backingFile_ + " to attach");
  }
  backingDevice_ = backing.st_dev;
  backingInode_ = backing.st_ino;
  const std::string losetup =
      std::string("losetup --find --show ") + (scanPartitions ? "--partscan " : "") + losetupOptions + " ";
  std::string command = losetup + ShellQuoted(backingFile_);
  if (from == AttachFrom::AnotherMountNamespace) {
    // The bind mount lives only in the new namespace, which ends with the shell.
    const fs::path file(backingFile_);
    const std::string elsewhere = (directory_ / "elsewhere").string();
    const std::string inside = "mkdir -p " + ShellQuoted(elsewhere) + " && mount --bind " +
                               ShellQuoted(file.parent_path().string()) + " " + ShellQuoted(elsewhere) +
                               " && " + losetup + ShellQuoted(elsewhere + "/" + file.filename().string());
    command = "unshare --mount --propagation private sh -c " + ShellQuoted(inside);
  }
  auto attached = RunCommand(command + " 2>/dev/null");
  device_ = Trimmed(attached.Output);
  if (attached.ExitCode != 0 || !device_.starts_with("/dev/loop")) {
    device_.clear();
    fs::remove_all(directory_);
    throw std::runtime_error("losetup could not attach " + backingFile_);
  }
}

LoopDevice::~LoopDevice() {
  for (const std::string& area : swapAreas_) RunCommand("swapoff " + ShellQuoted(area) + " 2>/dev/null");
  for (auto it = mountPoints_.rbegin(); it != mountPoints_.rend(); ++it) {
    if (RunCommand("umount " + ShellQuoted(*it) + " 2>/dev/null").ExitCode != 0)
      RunCommand("umount -l " + ShellQuoted(*it) + " 2>/dev/null");
  }
  if (!device_.empty()) RunCommand("losetup -d " + ShellQuoted(device_) + " 2>/dev/null");
  std::error_code ignored;
  fs::remove_all(directory_, ignored);
}

std::string LoopDevice::PartitionPath(int number) const {
  return number == 0 ? device_ : device_ + "p" + std::to_string(number);
}

void LoopDevice::RequireOwnDevice(const std::string& path) const {
  if (device_.empty()) RefuseForeignDevice(path, "no device attached");
  if (path != device_) {
    const std::string prefix = device_ + "p";
    bool ownPartition = path.size() > prefix.size() && path.starts_with(prefix) &&
                        path.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
    if (!ownPartition) RefuseForeignDevice(path, "not the loop device this test attached");
  }
  // The device must still be ours: showing our own backing file, known by
  // identity (its sysfs name may be another path, or none at all).
  const int fd = ::open(device_.c_str(), O_RDONLY | O_CLOEXEC);
  loop_info64 status{};
  const bool asked = fd >= 0 && ::ioctl(fd, LOOP_GET_STATUS64, &status) == 0;
  if (fd >= 0) ::close(fd);
  if (!asked) RefuseForeignDevice(path, "its loop status cannot be read");
  // The kernel's device number encoding: major in bits 8 to 19, minor in 0 to 7 and 20 to 31.
  const dev_t device =
      makedev(static_cast<unsigned>((status.lo_device & 0xfff00) >> 8),
              static_cast<unsigned>((status.lo_device & 0xff) | ((status.lo_device >> 12) & 0xfff00)));
  if (device != backingDevice_ || status.lo_inode != backingInode_)
    RefuseForeignDevice(path, "it shows another file than " + backingFile_);
}

void LoopDevice::WaitForPartitionNodes(const std::vector<int>& numbers) {
  auto allThere = [&] {
    for (int number : numbers) {
      struct stat status {};
      if (::stat(PartitionPath(number).c_str(), &status) != 0 || !S_ISBLK(status.st_mode)) return false;
    }
    return true;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool askedPartx = false;
  while (!allThere()) {
    if (std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("partition nodes of " + device_ + " did not appear");
    if (!askedPartx) {
      // Without udev or after a busy re-read, the kernel is told directly.
      RunCommand("partx -u " + ShellQuoted(device_) + " >/dev/null 2>&1");
      RunCommand("partx -a " + ShellQuoted(device_) + " >/dev/null 2>&1");
      askedPartx = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void LoopDevice::WritePartitionTable(const std::string& sfdiskScript,
                                     const std::vector<int>& expectedPartitions) {
  RequireOwnDevice(device_);
  std::string command = "sfdisk --wipe always --quiet " + ShellQuoted(device_) + " >/dev/null 2>&1";
  FILE* pipe = ::popen(command.c_str(), "w");
  if (pipe == nullptr) throw std::runtime_error("cannot run sfdisk");
  std::fwrite(sfdiskScript.data(), 1, sfdiskScript.size(), pipe);
  int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("sfdisk failed for script:\n" + sfdiskScript);
  RunCommand("partx -u " + ShellQuoted(device_) + " >/dev/null 2>&1");
  RunCommand("partx -a " + ShellQuoted(device_) + " >/dev/null 2>&1");
  WaitForPartitionNodes(expectedPartitions);
}

void LoopDevice::MakeExt4(int partition) { MakeFileSystem(partition, "mkfs.ext4 -q -F"); }

void LoopDevice::MakeFileSystem(int partition, const std::string& mkfsCommand) {
  const std::string path = PartitionPath(partition);
  RequireOwnDevice(path);
  RunOrThrow(mkfsCommand + " " + ShellQuoted(path));
}

std::string LoopDevice::Mount(int partition, const std::string& fileSystemType) {
  const std::string path = PartitionPath(partition);
  RequireOwnDevice(path);
  fs::path mountPoint = directory_ / ("mnt" + std::to_string(partition));
  fs::create_directories(mountPoint);
  RunOrThrow("mount -t " + ShellQuoted(fileSystemType) + " " + ShellQuoted(path) + " " +
             ShellQuoted(mountPoint.string()));
  mountPoints_.push_back(mountPoint.string());
  return mountPoint.string();
}

void LoopDevice::StartSwap(int partition) {
  const std::string path = PartitionPath(partition);
  RequireOwnDevice(path);
  RunOrThrow("mkswap -q " + ShellQuoted(path));
  RunOrThrow("swapon " + ShellQuoted(path));
  swapAreas_.push_back(path);
}

void LoopDevice::Unmount(const std::string& mountPoint) {
  auto ours = std::find(mountPoints_.begin(), mountPoints_.end(), mountPoint);
  if (ours == mountPoints_.end())
    throw std::runtime_error(mountPoint + " was not mounted by this loop device");
  RunCommand("sync");
  RunOrThrow("umount " + ShellQuoted(mountPoint));
  mountPoints_.erase(ours);
}

std::string LoopDevice::WritablePath(const std::string& path) const {
  RequireOwnDevice(path);
  return path;
}

}  // namespace drivecopy::test_support

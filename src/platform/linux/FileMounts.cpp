#include "platform/linux/FileMounts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>

#include "platform/linux/AnswerInTime.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

constexpr auto kTimeToAnswer = std::chrono::seconds(1);

bool IsFuse(const MountEntry& mount) {
  return mount.Major == 0 && (mount.FileSystemType == "fuse" || mount.FileSystemType.starts_with("fuse."));
}

std::optional<StoragePlace> RegularFileAt(const std::string& path) {
  struct statx status {};
  // Without a sync a FUSE file system is not asked: its device and inode are
  // known without it.
  if (::statx(AT_FDCWD, path.c_str(), AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO, &status) != 0 ||
      !S_ISREG(status.stx_mode))
    return std::nullopt;
  return StoragePlace{StoragePlace::Kind::FileRange, makedev(status.stx_dev_major, status.stx_dev_minor),
                      static_cast<ino_t>(status.stx_ino), SectorRange{0, INT64_MAX}};
}

std::string LinkText(const fs::path& link) {
  std::error_code error;
  fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : target.string();
}

// The FUSE connection a /dev/fuse descriptor serves, from its fdinfo.
std::optional<unsigned> FuseConnection(const fs::path& fdinfo) {
  std::ifstream in(fdinfo);
  std::string line;
  constexpr std::string_view kKey = "fuse_connection:";
  while (std::getline(in, line)) {
    if (!line.starts_with(kKey)) continue;
    try {
      return static_cast<unsigned>(std::stoul(line.substr(kKey.size())));
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// A FUSE program: the connections it serves and the regular files it holds.
struct FuseProgram {
  std::vector<unsigned> Connections;
  std::vector<StoragePlace> Files;
};

std::vector<FuseProgram> FusePrograms() {
  std::vector<FuseProgram> programs;
  std::error_code error;
  for (const auto& process : fs::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename().string();
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](unsigned char c) { return std::isdigit(c); }))
      continue;
    FuseProgram program;
    std::vector<fs::path> openFiles;
    std::error_code inner;
    for (const auto& descriptor : fs::directory_iterator(process.path() / "fd", inner)) {
      const std::string target = LinkText(descriptor.path());
      if (target == "/dev/fuse") {
        if (auto connection = FuseConnection(process.path() / "fdinfo" / descriptor.path().filename()))
          program.Connections.push_back(*connection);
      } else if (target.starts_with('/')) {
        openFiles.push_back(descriptor.path());
      }
    }
    if (program.Connections.empty()) continue;
    for (const fs::path& open : openFiles) {
      // The descriptor's link leads to the open file itself, whatever its name now.
      if (auto file = RegularFileAt(open.string())) program.Files.push_back(*file);
    }
    programs.push_back(std::move(program));
  }
  return programs;
}

}  // namespace

std::vector<FileMount> FileSystemsOnFiles(const std::vector<MountEntry>& mounts) {
  std::vector<FileMount> found;
  std::multimap<unsigned, std::string> fuseMounts;  // connection to mount points
  std::vector<std::pair<std::string, PendingAnswer<std::optional<StoragePlace>>>> sources;
  for (const MountEntry& mount : mounts) {
    if (IsFuse(mount)) {
      fuseMounts.emplace(mount.Minor, mount.MountPoint);
    } else if (mount.Major == 0 && mount.Source.starts_with('/') && !mount.Source.starts_with("/dev/")) {
      const std::string source = mount.Source;
      sources.emplace_back(mount.MountPoint,
                           Ask<std::optional<StoragePlace>>("mount source " + source,
                                                            [source] { return RegularFileAt(source); }));
    }
  }
  if (!fuseMounts.empty()) {
    for (const FuseProgram& program : FusePrograms()) {
      for (unsigned connection : program.Connections) {
        const auto [first, end] = fuseMounts.equal_range(connection);
        for (auto mount = first; mount != end; ++mount)
          for (const StoragePlace& file : program.Files) found.push_back(FileMount{file, mount->second});
      }
    }
  }
  const Deadline deadline = std::chrono::steady_clock::now() + kTimeToAnswer;
  for (const auto& [mountPoint, pending] : sources) {
    if (auto answer = pending.WaitUntil(deadline); answer && *answer)
      found.push_back(FileMount{**answer, mountPoint});
  }
  return found;
}

}  // namespace drivecopy::linux_backend

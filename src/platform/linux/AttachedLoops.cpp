#include "platform/linux/AttachedLoops.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/linux/AnswerInTime.h"
#include "platform/linux/DiskNodes.h"
#include "platform/linux/SysfsBlock.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;

namespace {

constexpr auto kTimeToAnswer = std::chrono::seconds(1);

// Device numbers in loop_info64 are in the kernel's "huge" encoding: major in
// bits 8 to 19, minor in bits 0 to 7 and 20 to 31.
dev_t KernelDeviceNumber(std::uint64_t encoded) {
  return makedev(static_cast<unsigned>((encoded & 0xfff00) >> 8),
                 static_cast<unsigned>((encoded & 0xff) | ((encoded >> 12) & 0xfff00)));
}

struct LoopStatus {
  int Error = 0;
  loop_info64 Info{};
};

// LOOP_GET_STATUS64 of the loop node, which must be the device `expected`
// (a /dev that does not match sysfs is not asked).
LoopStatus AskStatus(const std::string& path, dev_t expected) {
  LoopStatus status;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.Valid()) {
    status.Error = errno;
    return status;
  }
  struct stat node {};
  if (::fstat(fd.Get(), &node) != 0 || !S_ISBLK(node.st_mode) || node.st_rdev != expected) {
    status.Error = ENODEV;
  } else if (::ioctl(fd.Get(), LOOP_GET_STATUS64, &status.Info) != 0) {
    status.Error = errno;
  }
  return status;
}

// What the loop shows, from its status: a part of a whole disk (the backing
// device may be a partition) or of a file. Ranges are rounded outwards, since
// an offset need not be a multiple of 512.
StoragePlace BackingPlace(const loop_info64& info) {
  constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(INT64_MAX) / 2;
  const auto offset = static_cast<std::int64_t>(std::min<std::uint64_t>(info.lo_offset, kLargest));
  const auto limit = static_cast<std::int64_t>(std::min<std::uint64_t>(info.lo_sizelimit, kLargest));
  const SectorRange shown{offset / 512, limit > 0 ? (offset + limit + 511) / 512 : INT64_MAX};
  if (info.lo_rdevice != 0) {
    const dev_t device = KernelDeviceNumber(info.lo_rdevice);
    if (const auto disk = NodesOfDisk(device)) {
      if (const auto onDisk = RangeOnDisk(*disk, device, shown))
        return StoragePlace{StoragePlace::Kind::DiskRange, disk->WholeDisk().Device, 0, *onDisk};
    }
    return StoragePlace{StoragePlace::Kind::DiskRange, device, 0, shown};
  }
  return StoragePlace{StoragePlace::Kind::FileRange, KernelDeviceNumber(info.lo_device),
                      static_cast<ino_t>(info.lo_inode), shown};
}

std::string WithoutDeletedMark(std::string name) {
  constexpr std::string_view kDeleted = " (deleted)";
  if (name.ends_with(kDeleted)) name.resize(name.size() - kDeleted.size());
  return name;
}

}  // namespace

std::vector<AttachedLoop> ReadAttachedLoops() {
  std::vector<AttachedLoop> loops;
  std::vector<PendingAnswer<LoopStatus>> statuses;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/block", error)) {
    std::string name = entry.path().filename().string();
    if (!name.starts_with("loop")) continue;
    // Only an attached loop has a backing file to name.
    auto backingName = ReadSysfsLine(entry.path() / "loop" / "backing_file");
    const auto device = ReadSysfsDeviceNumber(entry.path());
    if (!backingName || backingName->empty() || !device) continue;
    AttachedLoop loop{name, *device, std::nullopt, WithoutDeletedMark(std::move(*backingName))};
    const std::string path = loop.Path();
    const dev_t number = *device;
    statuses.push_back(
        Ask<LoopStatus>("loop status " + path, [path, number] { return AskStatus(path, number); }));
    loops.push_back(std::move(loop));
  }
  const Deadline deadline = std::chrono::steady_clock::now() + kTimeToAnswer;
  std::vector<AttachedLoop> attached;
  for (std::size_t i = 0; i < loops.size(); ++i) {
    const auto status = statuses[i].WaitUntil(deadline);
    if (!status) {
      loops[i].NotAnswering = true;
    } else if (status->Error == ENXIO) {
      continue;  // detached in the meantime
    } else if (status->Error == 0) {
      loops[i].Shows = BackingPlace(status->Info);
    }
    // Any other error (EACCES: no right to the node) leaves only the name.
    attached.push_back(std::move(loops[i]));
  }
  return attached;
}

const AttachedLoop* FindLoop(const std::vector<AttachedLoop>& loops, dev_t device) {
  for (const AttachedLoop& loop : loops)
    if (loop.Device == device) return &loop;
  return nullptr;
}

SectorRange RangeOnLoop(const AttachedLoop& loop, const StoragePlace& place) {
  if (!loop.Shows) return {};
  const SectorRange& shown = loop.Shows->Range;
  const std::int64_t first = std::max(shown.FirstSector, place.Range.FirstSector);
  const std::int64_t end = std::min(shown.EndSector, place.Range.EndSector);
  const std::int64_t base = shown.FirstSector;
  return SectorRange{first - base, end == INT64_MAX ? INT64_MAX : end - base};
}

}  // namespace drivecopy::linux_backend

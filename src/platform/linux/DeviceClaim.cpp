#include "platform/linux/DeviceClaim.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/linux/DiskNodes.h"
#include "platform/linux/ErrnoError.h"
#include "platform/linux/KernelPartitions.h"
#include "platform/linux/Occupants.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {

namespace {

ClaimRefusal Refusal(ClaimRefusalReason reason, Failure error = {}) {
  return ClaimRefusal{reason, {}, std::move(error)};
}

// Holds a regular file (or nothing yet, for a log that does not exist).
class FileClaim final : public WriteClaim {
 public:
  explicit FileClaim(UniqueFd fd) : fd_(std::move(fd)) {}
  AfterWritingReport AfterWriting() override { return {}; }

 private:
  UniqueFd fd_;  // carries the flock; closing it lets go
};

// Holds the nodes of one disk that a job writes.
class BlockDeviceClaim final : public WriteClaim {
 public:
  struct HeldNode {
    DiskNode Node;
    UniqueFd Fd;  // opened exclusively; invalid for a node only looked at after writing
  };
  BlockDeviceClaim(std::vector<HeldNode> nodes, bool wholeDiskWritten)
      : nodes_(std::move(nodes)), wholeDiskWritten_(wholeDiskWritten) {}

  AfterWritingReport AfterWriting() override {
    AfterWritingReport report;
    // Every node has a page cache of its own; the job wrote through one of
    // them, so the others may still serve the old bytes until dropped.
    for (HeldNode& held : nodes_) {
      UniqueFd looked;
      int fd = held.Fd.Get();
      if (fd < 0) {
        looked.Reset(::open(held.Node.Path().c_str(), O_RDONLY | O_CLOEXEC));
        fd = looked.Get();
      }
      if (fd >= 0) (void)::ioctl(fd, BLKFLSBUF, 0);  // without the right the cache stays; nothing else to do
    }
    if (wholeDiskWritten_) {
      // The kernel reads the new partition table only when asked, and only
      // through the exclusive open, which is the whole disk's here.
      const HeldNode& whole = nodes_.front();
      if (whole.Fd.Valid()) {
        report.PartitionTableNotReread =
            ShowNewPartitionTable(whole.Fd.Get(), whole.Node.Path(), whole.Node.Device);
      }
    }
    return report;
  }

 private:
  std::vector<HeldNode> nodes_;  // the whole disk first, then the written nodes, then other views
  bool wholeDiskWritten_;
};

// Opens `node` exclusively, making sure the name still means that device.
std::variant<UniqueFd, ClaimRefusal> OpenExclusively(const DiskNode& node, const std::string& givenPath,
                                                     dev_t givenDevice) {
  const std::string path = node.Device == givenDevice ? givenPath : node.Path();
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno == EBUSY) return Refusal(ClaimRefusalReason::InUse, ErrnoError(EBUSY));
    return Refusal(ClaimRefusalReason::Failed, BlockDeviceOpenError(errno));
  }
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0 || !S_ISBLK(status.st_mode) || status.st_rdev != node.Device) {
    return Refusal(ClaimRefusalReason::Failed,
                   Failure::OfSystemCall(ENODEV, path + " is not the device node of " + node.Name));
  }
  return fd;
}

ClaimResult ClaimBlockDevice(const std::string& path, SectorRange range, dev_t device) {
  const auto disk = NodesOfDisk(device);
  if (!disk) return Refusal(ClaimRefusalReason::Failed, ErrnoError(ENODEV));
  const auto onDisk = RangeOnDisk(*disk, device, range);
  if (!onDisk) return Refusal(ClaimRefusalReason::Failed, ErrnoError(ENODEV));

  {
    UniqueFd probe(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!probe.Valid()) return Refusal(ClaimRefusalReason::Failed, BlockDeviceOpenError(errno));
    int readOnly = 0;
    if (::ioctl(probe.Get(), BLKROGET, &readOnly) == 0 && readOnly != 0) {
      return Refusal(ClaimRefusalReason::ReadOnly, ErrnoError(EROFS));
    }
  }

  const std::vector<DiskNode> touched = disk->Overlapping(*onDisk);
  const bool wholeDisk = *onDisk == disk->WholeDisk().Range;
  // Where the kernel knows no partition in the range, only the whole disk
  // can be held, which it allows only while no partition of it is in use.
  const bool holdWholeDisk = wholeDisk || touched.size() == 1;
  std::vector<BlockDeviceClaim::HeldNode> held;
  for (const DiskNode& node : touched) {
    BlockDeviceClaim::HeldNode entry{node, UniqueFd()};
    if (node.IsWholeDisk == holdWholeDisk) {
      auto opened = OpenExclusively(node, path, device);
      if (auto* refusal = std::get_if<ClaimRefusal>(&opened)) return std::move(*refusal);
      entry.Fd = std::move(std::get<UniqueFd>(opened));
    }
    held.push_back(std::move(entry));
  }
  // A loop device over the range, or what lives on another loop device
  // showing the same bytes, is no claim the kernel knows of.
  DestinationSurvey survey = SurveyDestination(path, range);
  if (!survey.Occupants.empty()) {
    return ClaimRefusal{ClaimRefusalReason::Occupied, std::move(survey.Occupants), {}};
  }
  // Those other views keep page caches of their own, dropped after writing.
  for (const StoragePlace& view : survey.OtherViews) {
    if (const auto viewDisk = NodesOfDisk(view.Device)) {
      for (const DiskNode& node : viewDisk->Overlapping(view.Range))
        held.push_back(BlockDeviceClaim::HeldNode{node, UniqueFd()});
    }
  }
  return std::unique_ptr<WriteClaim>(std::make_unique<BlockDeviceClaim>(std::move(held), wholeDisk));
}

ClaimResult ClaimRegularFile(const std::string& path, ClaimTarget target, const struct stat* seen) {
  int flags = O_RDWR | O_CLOEXEC;
  if (target != ClaimTarget::Destination) flags |= O_NOFOLLOW;
  if (!seen) flags |= O_CREAT | O_EXCL;  // an image file that does not exist yet
  UniqueFd fd(::open(path.c_str(), flags, 0644));
  if (!fd.Valid()) {
    if (errno == EROFS) return Refusal(ClaimRefusalReason::ReadOnly, ErrnoError(EROFS));
    if (errno == ELOOP) return Refusal(ClaimRefusalReason::NotRegularFile);
    return Refusal(ClaimRefusalReason::Failed, ErrnoError(errno));
  }
  struct stat status {};
  if (::fstat(fd.Get(), &status) != 0) return Refusal(ClaimRefusalReason::Failed, ErrnoError(errno));
  // The name must still mean the file that was looked at.
  if (!S_ISREG(status.st_mode) ||
      (seen && (status.st_dev != seen->st_dev || status.st_ino != seen->st_ino))) {
    return Refusal(ClaimRefusalReason::NotRegularFile);
  }
  // A file system that keeps no locks (ENOLCK, EOPNOTSUPP, EINVAL) cannot
  // tell another job either; the file is written without one.
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return Refusal(ClaimRefusalReason::InUse, ErrnoError(EWOULDBLOCK));
  }
  // The job that held an image file until a moment ago may have renamed or
  // deleted it before letting go: the lock then holds a file that no longer
  // has this name, and the name is not held at all.
  struct stat named {};
  if (target == ClaimTarget::ImageFile && (::lstat(path.c_str(), &named) != 0 ||
                                           named.st_dev != status.st_dev || named.st_ino != status.st_ino)) {
    return Refusal(ClaimRefusalReason::InUse, ErrnoError(EWOULDBLOCK));
  }
  if (auto occupants = FindOccupants(path, SectorRange{0, INT64_MAX}); !occupants.empty()) {
    return ClaimRefusal{ClaimRefusalReason::Occupied, std::move(occupants), {}};
  }
  return std::unique_ptr<WriteClaim>(std::make_unique<FileClaim>(std::move(fd)));
}

}  // namespace

ClaimResult ClaimPath(const std::string& path, SectorRange range, ClaimTarget target) {
  if (path.empty()) return Refusal(ClaimRefusalReason::Failed, ErrnoError(ENOENT));
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    if (errno != ENOENT) return Refusal(ClaimRefusalReason::Failed, ErrnoError(errno));
    switch (target) {
      case ClaimTarget::Destination:
        return Refusal(ClaimRefusalReason::Failed, ErrnoError(ENOENT));
      case ClaimTarget::LogFile:
      case ClaimTarget::ReplacedImage: {
        // Nothing to hold yet, but a folder where it cannot be made is
        // better said before the job than after it.
        const std::string folder = std::filesystem::path(path).parent_path().string();
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
          if (errno == EROFS) return Refusal(ClaimRefusalReason::ReadOnly, ErrnoError(EROFS));
          return Refusal(ClaimRefusalReason::Failed, ErrnoError(errno));
        }
        return std::unique_ptr<WriteClaim>(std::make_unique<FileClaim>(UniqueFd()));
      }
      case ClaimTarget::ImageFile: {
        ClaimResult created = ClaimRegularFile(path, target, nullptr);
        // Another job made the file a moment ago: it is then the one holding it.
        if (auto* refusal = std::get_if<ClaimRefusal>(&created);
            refusal && refusal->Error.systemCode == EEXIST) {
          return ClaimPath(path, range, target);
        }
        return created;
      }
    }
  }
  if (S_ISLNK(status.st_mode)) {
    // Image and log files are written where their names say, never through a link.
    if (target != ClaimTarget::Destination) return Refusal(ClaimRefusalReason::NotRegularFile);
    if (::stat(path.c_str(), &status) != 0) return Refusal(ClaimRefusalReason::Failed, ErrnoError(errno));
  }
  if (S_ISREG(status.st_mode)) return ClaimRegularFile(path, target, &status);
  if (S_ISBLK(status.st_mode) && target == ClaimTarget::Destination)
    return ClaimBlockDevice(path, range, status.st_rdev);
  return Refusal(ClaimRefusalReason::NotRegularFile);
}

}  // namespace drivecopy::linux_backend

#pragma once
#include <string>
#include <vector>

#include "platform/linux/MountTable.h"
#include "platform/linux/StoragePlace.h"

namespace drivecopy::linux_backend {

// A file system whose storage is a regular file rather than a block device.
struct FileMount {
  StoragePlace File;  // the whole file, by identity
  std::string MountPoint;
};

// The file systems of `mounts` that are made of regular files, each file
// known by its device and inode, never by the mount's source text (fuse2fs
// shows the file's name as it was typed, relative to wherever that was):
// - a FUSE file system (type "fuse" or "fuse.*") through its program: the
//   program holding that connection's /dev/fuse descriptor (its fdinfo names
//   the connection, which is the mount's minor device number) and the regular
//   files it holds open. Where /proc does not show another user's descriptors
//   (no root), those programs are not seen.
// - any other mount without a block device (major 0) whose source is an
//   absolute path of a regular file, such as erofs mounted straight from an
//   image file. That path is looked up with a time limit, since it may lie on
//   a file system that does not answer.
std::vector<FileMount> FileSystemsOnFiles(const std::vector<MountEntry>& mounts);

}  // namespace drivecopy::linux_backend

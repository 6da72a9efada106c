#pragma once
#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/Failure.h"

namespace drivecopy::linux_backend {

// Makes the kernel's partitions of a whole disk those of the table now on
// it, after the disk was written as a whole: first by asking the kernel to
// read the table anew (BLKRRPART), then, where its partitions still differ
// from the table as libblkid reads it (a kernel built without that table
// format, or a loop device without partition scanning, where BLKRRPART
// answers EINVAL), by removing and adding partitions one by one (BLKPG), as
// partx does. Extended containers are left to the kernel. `fd` is the whole
// disk, opened exclusively; `device` its device number. nullopt when the
// kernel's partitions match the table at the end, otherwise why not.
std::optional<Failure> ShowNewPartitionTable(int fd, const std::string& diskPath, dev_t device);

}  // namespace drivecopy::linux_backend

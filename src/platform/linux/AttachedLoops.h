#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/StoragePlace.h"

namespace drivecopy::linux_backend {

// An attached loop device and the part of its backing store it shows.
struct AttachedLoop {
  std::string Name;  // "loop3"
  dev_t Device = 0;  // the loop device's own (whole disk) number
  // Its backing store by identity, as the kernel holds it (LOOP_GET_STATUS64:
  // backing device or file's device and inode, offset and size limit): a
  // range of a whole disk or of a file, reached Exactly. nullopt when the
  // kernel could not be asked (no right to open the loop node) or did not
  // answer in time (the backing file's file system does not answer).
  std::optional<StoragePlace> Shows;
  // Otherwise only what sysfs names, a hint that may lead elsewhere (a
  // renamed or deleted file, a name in another mount namespace, a newline in
  // it): backing_file's first line without " (deleted)". It is compared as
  // text and never opened or looked up.
  std::string BackingName;
  bool NotAnswering = false;  // asked, but no answer in time

  std::string Path() const { return "/dev/" + Name; }
};

// Every attached loop device, each asked at once and all waited for at most
// about a second together (see AnswerInTime.h): a loop whose backing file
// lies on a hung FUSE file system delays the first caller that long, and the
// later ones not at all while it still hangs.
std::vector<AttachedLoop> ReadAttachedLoops();

// The loop device with this device number; nullptr when it is none of them.
const AttachedLoop* FindLoop(const std::vector<AttachedLoop>& loops, dev_t device);

// The part of `loop` that shows `place` (which must overlap what the loop
// shows), counted from the loop device's start.
SectorRange RangeOnLoop(const AttachedLoop& loop, const StoragePlace& place);

}  // namespace drivecopy::linux_backend

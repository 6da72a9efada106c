#pragma once
#include <sys/types.h>

#include "platform/SectorRange.h"

namespace drivecopy::linux_backend {

// Where some bytes of storage lie, by identity rather than by name: a range of
// a whole disk (its device number), or a range of a regular file (its file
// system's device and its inode). Ranges count 512-byte units from the start
// of that disk or file; a range that runs to the end has EndSector INT64_MAX.
struct StoragePlace {
  enum class Kind { DiskRange, FileRange };
  // How the traced bytes lie in this place.
  enum class Reach {
    Exactly,   // they are these very bytes: the path itself, or what a loop device shows of its backing store
    OnMember,  // somewhere on this member of a device-mapper or md device (its table is not read)
    Somewhere,  // somewhere in this range: the file system device that holds a file
  };

  Kind What = Kind::DiskRange;
  dev_t Device = 0;  // the whole disk, or the file's file system
  ino_t Inode = 0;   // a file's inode; 0 for a disk
  SectorRange Range;
  Reach How = Reach::Exactly;

  // The same disk or the same file, whatever the range.
  bool SameStorage(const StoragePlace& other) const {
    return What == other.What && Device == other.Device && (What == Kind::DiskRange || Inode == other.Inode);
  }
  bool Overlaps(const StoragePlace& other) const { return SameStorage(other) && Range.Overlaps(other.Range); }
};

}  // namespace drivecopy::linux_backend

#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drivecopy::linux_backend {

// One line of /proc/self/mountinfo, with its escapes (\040 for a blank)
// decoded.
struct MountEntry {
  std::uint32_t Major = 0;
  std::uint32_t Minor = 0;
  std::string Root;  // the directory of the file system mounted there ("/" for all of it)
  std::string MountPoint;
  std::string FileSystemType;  // "ext4", "vfat", "tmpfs"
  std::string Source;          // "/dev/sda1", "tmpfs"
  std::string SuperOptions;    // the file system's own options, as mountinfo writes them (escapes kept)
};

// mountinfo and /proc/swaps write blank, tab, newline and backslash as a
// backslash and three octal digits; this undoes that.
std::string DecodeOctalEscapes(std::string_view field);

// Parses mountinfo text; lines that do not have the expected fields are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mounts of this process, in mount order; empty when unreadable.
std::vector<MountEntry> ReadMountTable();

// Whether directory lies on or below mountPoint (both absolute and normal).
bool MountPointContains(std::string_view mountPoint, std::string_view directory);

// The mount that an absolute, normal path lies in as far as its text goes
// (nothing is looked up): the one with the longest mount point containing
// it, the later of two at the same point; nullptr when none does.
const MountEntry* MountHoldingPath(const std::vector<MountEntry>& mounts, std::string_view path);

// The folders an overlay mount is made of (its upper folder and each lower
// one), as its options name them; empty for any other mount.
std::vector<std::string> OverlayLayerFolders(const MountEntry& mount);

}  // namespace drivecopy::linux_backend

#pragma once
#include <optional>
#include <string>
#include <vector>

#include "disk/DriveRow.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"

namespace drivecopy {

// How the command line names the rows of the drive lists, and how a name
// given to it is compared with a row's.

// Windows-style names ("\\.\...", "C:") are compared without regard to case;
// Linux names keep it.
bool IsWindowsStyleName(const std::string& name);
bool SameName(const std::string& listed, const std::string& given);
// The same, where a trailing separator does not matter ("C:\" and "C:",
// "/mnt/usb/" and "/mnt/usb"; "/" stays "/").
bool SameRoot(const std::string& listed, const std::string& given);

// "/dev/sdb#1": a partition row named by its drive and its number in the table.
std::string TableName(const DriveRow& partition);

// The partition row's own node, where the system has one lying exactly where
// the table puts the partition.
std::optional<std::string> NodeName(const std::vector<PartitionNode>& nodes, const DriveRow& partition);

// A partition node the system still shows but the disk's partition table no
// longer has as it is (the table was changed and not re-read): writing
// through the table would not touch the bytes the node names.
struct OutdatedPartitionNode {
  std::string Path;      // "/dev/sdb1"
  std::string DiskPath;  // "/dev/sdb"
  int Number = 0;
  SectorRange NodeRange;                  // where the system takes it to lie
  std::optional<SectorRange> TableRange;  // entry `Number` of the table now, if any
};

// The nodes of a drive row that no entry of its table accounts for: not a
// partition where the table has it, nor the extended container (which the
// table numbers 0) at its start.
std::vector<OutdatedPartitionNode> OutdatedNodesOf(const std::vector<PartitionNode>& nodes,
                                                   const DriveRow& drive);

// The refusal of an outdated node: both ranges, and how to have the table
// re-read.
std::string OutdatedNodeText(const OutdatedPartitionNode& node);

// The refusal of a partition `name` of `diskPath` whose first sector cannot
// be read: a read error of the disk, which no re-reading of a table mends.
std::string UnreadableTableText(const std::string& name, const std::string& diskPath, const Failure& why);

}  // namespace drivecopy

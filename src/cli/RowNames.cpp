#include "cli/RowNames.h"

#include <cctype>

#include "text/GroupedNumber.h"

namespace drivecopy {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

const PARTITION_INFORMATION& LayoutEntryOf(const DriveRow& row) {
  return row.Record.Layout.PartitionEntry[row.Record.EntryIndex];
}

std::string SectorsText(SectorRange range) {
  return "sectors " + GroupedNumber(range.FirstSector, ",") + " to " + GroupedNumber(range.EndSector, ",");
}

}  // namespace

bool IsWindowsStyleName(const std::string& name) {
  return name.starts_with("\\\\") || (name.size() >= 2 && name[1] == ':');
}

bool SameName(const std::string& listed, const std::string& given) {
  if (listed.empty()) return false;
  if (IsWindowsStyleName(listed) || IsWindowsStyleName(given)) return Lower(listed) == Lower(given);
  return listed == given;
}

bool SameRoot(const std::string& listed, const std::string& given) {
  return SameName(WithoutTrailingSeparator(listed), WithoutTrailingSeparator(given));
}

std::string TableName(const DriveRow& partition) {
  return partition.Record.DevicePath + "#" + std::to_string(LayoutEntryOf(partition).PartitionNumber);
}

std::optional<std::string> NodeName(const std::vector<PartitionNode>& nodes, const DriveRow& partition) {
  const auto number = static_cast<int>(LayoutEntryOf(partition).PartitionNumber);
  for (const PartitionNode& node : nodes) {
    if (node.Number == number && node.Range == RecordSectorRange(partition.Record)) {
      return node.Path;
    }
  }
  return std::nullopt;
}

std::vector<OutdatedPartitionNode> OutdatedNodesOf(const std::vector<PartitionNode>& nodes,
                                                   const DriveRow& drive) {
  std::vector<OutdatedPartitionNode> outdated;
  const auto& entries = drive.Record.Layout.PartitionEntry;
  for (const PartitionNode& node : nodes) {
    std::optional<SectorRange> tableRange;
    bool accounted = false;
    for (const PARTITION_INFORMATION& entry : entries) {
      if (entry.PartitionType == 0) continue;
      const SectorRange range = EntrySectorRange(entry);
      if (static_cast<int>(entry.PartitionNumber) == node.Number) {
        tableRange = range;
        accounted = range == node.Range;
      } else if (entry.PartitionNumber == 0 && range.FirstSector == node.Range.FirstSector) {
        accounted = true;
      }
      if (accounted) break;
    }
    if (!accounted) {
      outdated.push_back({node.Path, drive.Record.DevicePath, node.Number, node.Range, tableRange});
    }
  }
  return outdated;
}

std::string OutdatedNodeText(const OutdatedPartitionNode& node) {
  const std::string number = std::to_string(node.Number);
  std::string text = node.Path + " is partition " + number + " of " + node.DiskPath +
                     " as the system still has it (" + SectorsText(node.NodeRange) +
                     "), but the partition "
                     "table on " +
                     node.DiskPath;
  text += node.TableRange ? " now puts partition " + number + " at " + SectorsText(*node.TableRange)
                          : " no longer has a partition " + number;
  text +=
      ": the changed table has not been read by the system yet, so the command would not reach the "
      "bytes you named. Have the table re-read (partx -u " +
      node.DiskPath + " or partprobe " + node.DiskPath + "), then see drivecopy list";
  if (node.TableRange) text += ", or name the partition as the table has it: " + node.DiskPath + "#" + number;
  return text;
}

std::string UnreadableTableText(const std::string& name, const std::string& diskPath, const Failure& why) {
  return "cannot tell where " + name + " lies: the partition table of " + diskPath +
         " cannot be read, as reading its first sector failed (" + why.text +
         "); the disk may be failing. The whole drive " + diskPath + " can still be imaged";
}

}  // namespace drivecopy

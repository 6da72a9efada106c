#include "platform/linux/PartitionTable.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <limits>
#include <memory>
#include <string_view>

#include "platform/GptPartitionTypes.h"
#include "platform/Units.h"
#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {
namespace {

struct FreeProbe {
  void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};
using ProbePtr = std::unique_ptr<std::remove_pointer_t<blkid_probe>, FreeProbe>;

std::uint32_t SaturatedSectors(blkid_loff_t sectors) {
  if (sectors < 0) return 0;
  constexpr auto most = std::numeric_limits<std::uint32_t>::max();
  return sectors > static_cast<blkid_loff_t>(most) ? most : static_cast<std::uint32_t>(sectors);
}

// blkid gives the MBR disk signature as hexadecimal text ("1a2b3c4d").
std::uint32_t ParseSignature(const char* id) {
  if (id == nullptr) return 0;
  std::string_view text(id);
  if (text.starts_with("0x")) text.remove_prefix(2);
  std::uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return (error == std::errc() && end == text.data() + text.size()) ? value : 0;
}

std::uint8_t TypeByteOf(blkid_partition partition, std::string_view tableType) {
  if (tableType == "gpt") {
    const char* guid = blkid_partition_get_type_string(partition);
    return TypeByteForGptType(guid == nullptr ? "" : guid);
  }
  int type = blkid_partition_get_type(partition);
  if (type > 0 && type <= 0xFF) return static_cast<std::uint8_t>(type);
  return 0xDA;  // a table without type bytes: still a partition worth listing
}

bool FirstSectorReadable(const std::string& devicePath) {
  UniqueFd fd(::open(devicePath.c_str(), O_RDONLY | O_CLOEXEC));
  std::array<char, 512> sector{};
  return fd.Valid() &&
         ::pread(fd.Get(), sector.data(), sector.size(), 0) == static_cast<ssize_t>(sector.size());
}

}  // namespace

std::optional<PartitionTableContents> ReadPartitionTable(const std::string& devicePath) {
  ProbePtr probe(blkid_new_probe_from_filename(devicePath.c_str()));
  if (!probe) return std::nullopt;
  blkid_partlist list = blkid_probe_get_partitions(probe.get());
  PartitionTableContents contents;
  // libblkid gives no list both for a disk without a table and for one it
  // could not read; only the first is an answer.
  if (list == nullptr) return FirstSectorReadable(devicePath) ? std::optional(contents) : std::nullopt;
  blkid_parttable root = blkid_partlist_get_table(list);
  if (root == nullptr) return contents;
  const std::string tableType = blkid_parttable_get_type(root) ? blkid_parttable_get_type(root) : "";
  if (tableType == "dos") contents.Signature = ParseSignature(blkid_parttable_get_id(root));

  const int count = blkid_partlist_numof_partitions(list);
  for (int i = 0; i < count; ++i) {
    blkid_partition partition = blkid_partlist_get_partition(list, i);
    // Nested tables (a BSD label inside an MBR partition) are not part of
    // the disk's own layout.
    if (partition == nullptr || blkid_partition_get_table(partition) != root) continue;
    const bool container = blkid_partition_is_extended(partition) != 0;
    PARTITION_INFORMATION entry;
    entry.StartingOffset = blkid_partition_get_start(partition) * BytesPerSector;
    entry.PartitionLength = blkid_partition_get_size(partition) * BytesPerSector;
    entry.HiddenSectors = SaturatedSectors(blkid_partition_get_start(partition));
    entry.PartitionNumber =
        container ? 0u : static_cast<std::uint32_t>(blkid_partition_get_partno(partition));
    entry.PartitionType = TypeByteOf(partition, tableType);
    entry.BootIndicator = (tableType == "dos" && blkid_partition_get_flags(partition) == 0x80) ? 1 : 0;
    entry.RecognizedPartition = container ? 0 : 1;
    contents.Entries.push_back(entry);
  }
  return contents;
}

std::optional<FileSystemProbe> ProbeFileSystem(const std::string& devicePath) {
  ProbePtr probe(blkid_new_probe_from_filename(devicePath.c_str()));
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL);
  if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
  const char* value = nullptr;
  if (blkid_probe_lookup_value(probe.get(), "TYPE", &value, nullptr) != 0 || value == nullptr)
    return std::nullopt;
  FileSystemProbe found;
  found.Type = value;
  if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, nullptr) == 0 && value != nullptr)
    found.Label = value;
  return found;
}

}  // namespace drivecopy::linux_backend

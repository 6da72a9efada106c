#include "platform/sim/SimulatedMedium.h"

#include <cstring>
#include <set>
#include <vector>

namespace drivecopy::sim {

namespace {

constexpr std::int64_t SectorBytes = 512;
constexpr std::int64_t SectorsPerMiB = (1 << 20) / SectorBytes;
// Sectors stamped at the start of each partition, so that its first
// sectors, its boot sector included, are recognisable in an image.
constexpr std::int64_t StampedSectorsPerPartition = 4;

// Writes "<label> <name> sector <n>" at the start of the chosen sectors only,
// so a large medium stays sparse and quick to create.
Outcome<void> StampSectors(SimulatedMedium& medium, const std::string& label,
                           const std::vector<std::int64_t>& partitionStarts) {
  const std::int64_t sectorCount = medium.Size / SectorBytes;
  std::set<std::int64_t> sectors;
  for (std::int64_t sector = 0; sector < sectorCount; sector += SectorsPerMiB) sectors.insert(sector);
  for (std::int64_t start : partitionStarts)
    for (std::int64_t i = 0; i < StampedSectorsPerPartition; ++i)
      if (start + i < sectorCount) sectors.insert(start + i);
  for (std::int64_t sector : sectors) {
    const std::string stamp = label + " " + medium.Name + " sector " + std::to_string(sector);
    auto written =
        medium.Content->WriteAt(sector * SectorBytes, std::as_bytes(std::span(stamp.data(), stamp.size())));
    if (!written) return written;
  }
  return {};
}

}  // namespace

Outcome<std::shared_ptr<SimulatedMedium>> MakeMedium(const std::string& name, std::int64_t size, bool present,
                                                     const ContentDescription& content,
                                                     const std::vector<std::int64_t>& stampSectors) {
  auto medium = std::make_shared<SimulatedMedium>();
  medium->Name = name;
  medium->Size = size;
  medium->Present = present;
  medium->Unreadable = content.Unreadable;
  medium->Unwritable = content.Unwritable;
  medium->LostWrites = content.LostWrites;
  medium->ShortReads = content.ShortReads;
  medium->ReadOnly = content.ReadOnly;
  medium->GoneFromSector = content.GoneFromSector;
  if (!present) return medium;
  if (content.File) {
    auto opened = BackingFile::OpenExisting(*content.File);
    if (!opened) return opened.error();
    medium->Content = std::move(opened.value());
    // A named file is the user's own: it is never stamped.
    return medium;
  }
  auto created = BackingFile::CreateTemporary(size, name.substr(0, name.find(':')));
  if (!created) return created.error();
  medium->Content = std::move(created.value());
  if (content.FillLabel) {
    auto stamped = StampSectors(*medium, *content.FillLabel, stampSectors);
    if (!stamped) return stamped.error();
  }
  return medium;
}

}  // namespace drivecopy::sim

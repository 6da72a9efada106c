#include "jobs/SectorWriteRetry.h"

#include <optional>

#include "platform/Units.h"
#include "text/DetailTextsInForce.h"

namespace drivecopy {

namespace {

constexpr std::size_t SectorBytes = static_cast<std::size_t>(BytesPerSector);

}  // namespace

std::optional<Failure> WriteRequest(DeviceHandle& device, std::int64_t firstSector,
                                    std::span<const std::byte> data) {
  if (auto positioned = device.Seek(firstSector * BytesPerSector); !positioned) return positioned.error();
  auto written = device.Write(data);
  if (!written) return written.error();
  if (*written != data.size())
    return Failure::Because(Detail(&DetailTexts::strSWrittenOnlyInPart), FailureKind::Medium);
  return std::nullopt;
}

WriteReport WriteSectorsWithRetry(DeviceHandle& device, std::int64_t firstSector,
                                  std::span<const std::byte> data) {
  WriteReport report;
  const std::size_t sectors = data.size() / SectorBytes;
  report.CoveredEnd = static_cast<std::int64_t>(sectors);
  auto failure = WriteRequest(device, firstSector, data);
  if (!failure) return report;
  if (!CostsOnlyTheseSectors(*failure)) {
    report.Stop = std::move(failure);
    return report;
  }

  // A run of one sector has had its only try.
  if (sectors == 1) {
    report.Unwritable.Add(0);
    return report;
  }
  for (std::size_t index = 0; index < sectors; ++index) {
    const auto sector = firstSector + static_cast<std::int64_t>(index);
    auto sectorFailure = WriteRequest(device, sector, data.subspan(index * SectorBytes, SectorBytes));
    if (!sectorFailure) continue;
    if (!CostsOnlyTheseSectors(*sectorFailure)) {
      report.Stop = std::move(sectorFailure);
      report.StopSector = static_cast<std::int64_t>(index);
      return report;
    }
    report.Unwritable.Add(static_cast<std::int64_t>(index));
  }
  return report;
}

}  // namespace drivecopy

#include "jobs/GatheringWriter.h"

#include <algorithm>
#include <cstring>

#include "jobs/SectorWriteRetry.h"
#include "platform/Units.h"

namespace drivecopy {
namespace {

WriteReport WriteAt(DeviceHandle& device, std::int64_t sector, std::span<const std::byte> bytes) {
  WriteReport report = WriteSectorsWithRetry(device, sector, bytes);
  report.Shift(sector);
  return report;
}

}  // namespace

GatheringWriter::GatheringWriter(DeviceHandle& device) : device_(device) {
  if (device.PreferredAlignment() > 1) gather_ = AlignedBuffer(GatherBytes, device.PreferredAlignment());
}

WriteReport GatheringWriter::Add(std::int64_t sector, std::span<const std::byte> block) {
  if (gather_.Span().empty() || block.size() > GatherBytes) return WriteAt(device_, sector, block);
  WriteReport report;
  const bool follows = sector == gatheredSector_ + static_cast<std::int64_t>(gatheredBytes_) / BytesPerSector;
  if (gatheredBytes_ > 0 && (!follows || gatheredBytes_ + block.size() > GatherBytes)) {
    report = Finish();
    if (report.Stopped()) return report;
  }
  if (gatheredBytes_ == 0) gatheredSector_ = sector;
  std::memcpy(gather_.Span().data() + gatheredBytes_, block.data(), block.size());
  gatheredBytes_ += block.size();
  if (gatheredBytes_ == GatherBytes) report.Take(Finish());
  return report;
}

WriteReport GatheringWriter::Finish() {
  if (gatheredBytes_ == 0) return {};
  const std::size_t bytes = gatheredBytes_;
  gatheredBytes_ = 0;
  return WriteAt(device_, gatheredSector_, gather_.Span().first(bytes));
}

}  // namespace drivecopy

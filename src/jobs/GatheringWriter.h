#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "jobs/WriteReport.h"
#include "platform/AlignedBuffer.h"
#include "platform/DeviceHandle.h"

namespace drivecopy {

// Writes blocks to a device in the order they come. On a device written with
// direct I/O (PreferredAlignment() above 1) every request is a synchronous
// transfer of its own, so consecutive blocks are copied into one aligned
// buffer and go out together in requests of up to GatherBytes; elsewhere each
// block is written as it comes. A request that fails with a medium error or
// is written short is redone sector by sector, so exactly the sectors that
// cannot be written are reported; any other failure is the report's Stop.
class GatheringWriter {
 public:
  static constexpr std::size_t GatherBytes = std::size_t{2} << 20;

  explicit GatheringWriter(DeviceHandle& device);

  // Takes the block that goes to device sector `sector`; reports, in device
  // sectors, what the writes this call made left undone.
  WriteReport Add(std::int64_t sector, std::span<const std::byte> block);

  // Writes what is gathered; reports, in device sectors, what it left undone.
  WriteReport Finish();

 private:
  DeviceHandle& device_;
  AlignedBuffer gather_;  // empty when blocks are not gathered
  std::int64_t gatheredSector_ = 0;
  std::size_t gatheredBytes_ = 0;
};

}  // namespace drivecopy

#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "jobs/WriteReport.h"
#include "platform/DeviceHandle.h"

namespace drivecopy {

// Writes consecutive blocks to a device, gathering those that follow one
// another both on the device and in memory into one request of up to
// `requestLimitBytes` (a block never waits for others when the limit is below
// two blocks). Gathering pays on a device written with direct I/O, where each
// request is a synchronous transfer of its own.
//
// A gathered request that fails with a medium error or stores fewer bytes
// than asked is written again in pieces of one block (65,536 bytes), and a
// piece that fails in turn sector by sector (WriteSectorsWithRetry), so that
// one bad sector costs only itself and exactly the sectors that cannot be
// written are reported. Any other failure is reported as the report's Stop
// and nothing more is written by that call.
class BlockRunWriter {
 public:
  // Image sector k goes to device sector destinationFirstSector + k.
  BlockRunWriter(DeviceHandle& device, std::int64_t destinationFirstSector, std::size_t requestLimitBytes);

  // Adds the block that begins at image sector `imageSector` (a whole number
  // of sectors). When it cannot join the gathered blocks, or makes them
  // reach the limit, they are written. The report names image sectors.
  WriteReport Add(std::int64_t imageSector, std::span<const std::byte> block);

  // Writes the gathered blocks (their memory must still be valid); the
  // report names image sectors.
  WriteReport Write();

 private:
  DeviceHandle& device_;
  std::int64_t destinationFirstSector_;
  std::size_t requestLimitBytes_;
  std::int64_t gatheredSector_ = 0;      // image sector of the first gathered block
  const std::byte* gathered_ = nullptr;  // their bytes, back to back
  std::size_t gatheredBytes_ = 0;
};

}  // namespace drivecopy

#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/BackingFile.h"
#include "platform/sim/MachineDescription.h"
#include "platform/sim/SectorSet.h"

namespace drivecopy::sim {

// The bytes of one simulated physical drive, floppy or stand-alone volume,
// with its damaged sectors. Sector numbers count 512-byte sectors from the
// start of the medium. Shared by the machine and every handle opened on it,
// so a handle stays usable even if it outlives the machine.
struct SimulatedMedium {
  std::string Name;  // "PhysicalDrive0", "A:"; used in fill stamps and file names
  std::int64_t Size = 0;
  bool Present = true;  // false: no medium, every transfer fails "not ready"
  std::unique_ptr<BackingFile> Content;
  SectorSet Unreadable;
  SectorSet Unwritable;
  SectorSet LostWrites;  // see ContentDescription
  bool ShortReads = false;
  bool ReadOnly = false;                       // every write fails "write protected"
  std::optional<std::int64_t> GoneFromSector;  // see ContentDescription
  bool Gone = false;                           // a transfer reached GoneFromSector
};

// Creates the medium's content as described: the named file, or a sparse
// temporary file of `size` bytes stamped with the fill label if asked.
// `stampSectors` are extra sectors (partition starts) to stamp.
Outcome<std::shared_ptr<SimulatedMedium>> MakeMedium(const std::string& name, std::int64_t size, bool present,
                                                     const ContentDescription& content,
                                                     const std::vector<std::int64_t>& stampSectors);

}  // namespace drivecopy::sim

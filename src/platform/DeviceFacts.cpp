#include "platform/DeviceFacts.h"

#include <span>

#include "platform/Platform.h"

namespace drivecopy {

DeviceFacts ReadDeviceFacts(DeviceHandle& device) {
  DeviceFacts facts;
  if (auto sought = device.Seek(0); !sought) {
    facts.FirstSectorFailure = sought.error();
  } else {
    std::span<std::byte> sector(facts.FirstSector);
    while (facts.FirstSectorBytes < sector.size()) {
      auto read = device.Read(sector.subspan(facts.FirstSectorBytes));
      if (!read) {
        facts.FirstSectorFailure = read.error();
        break;
      }
      if (read.value() == 0) break;
      facts.FirstSectorBytes += read.value();
    }
  }
  facts.PartitionInfo = device.QueryPartitionInfo();
  facts.Geometry = device.QueryGeometry();
  facts.Layout = device.QueryLayout();
  return facts;
}

// Where a platform sets no time limit, the look happens here and now.
Outcome<DeviceFacts> Platform::ProbeDevice(const std::string& path) {
  auto opened = Open(path, OpenMode::Read);
  if (!opened) return opened.error();
  return ReadDeviceFacts(**opened);
}

}  // namespace drivecopy

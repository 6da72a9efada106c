#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// The clone window's record of the chosen clone source or destination. An
// empty record (no path, kind 0, both sectors 0) filters nothing.
struct CloneEndpoint {
  std::string DevicePath;
  std::uint8_t Kind = 0;
  std::int64_t FirstSector = 0;
  std::int64_t EndSector = 0;  // exclusive
  bool operator==(const CloneEndpoint&) const = default;
};

}  // namespace drivecopy

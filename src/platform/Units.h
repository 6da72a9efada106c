#pragma once
#include <cstdint>

namespace drivecopy {

// A sector is always 512 bytes, whatever sector size a device reports: every
// byte offset is turned into a sector number by dividing by this, remainder dropped.
inline constexpr std::int64_t BytesPerSector = 512;

// A transfer block is 128 sectors, 65,536 bytes.
inline constexpr std::int64_t BlockSectors = 128;
inline constexpr std::int64_t BlockBytes = BlockSectors * BytesPerSector;

}  // namespace drivecopy

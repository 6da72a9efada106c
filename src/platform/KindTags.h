#pragma once
#include <cstdint>

namespace drivecopy {

// One-byte kind tags shared by the drive information record and the image
// header's SourceKind; stored in image files, so the values never change.
inline constexpr std::uint8_t KindPhysicalDrive = 0x60;
inline constexpr std::uint8_t KindPartition = 0x62;
inline constexpr std::uint8_t KindFixedVolume = 0x64;
inline constexpr std::uint8_t KindFloppy = 0x70;
inline constexpr std::uint8_t KindRemovableVolume = 0x80;

}  // namespace drivecopy

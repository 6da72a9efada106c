#pragma once
#include <cstddef>
#include <cstdint>

namespace drivecopy::windows_backend {

// Where the fields of the records the Windows disk requests return lie, in
// bytes from the start of each record (x64 and x86 alike: the records hold
// no pointers). Checked against the system headers where those exist.

// PARTITION_STYLE, the first field of the layout and of every partition record.
inline constexpr std::uint32_t PartitionStyleMbr = 0;
inline constexpr std::uint32_t PartitionStyleGpt = 1;
inline constexpr std::uint32_t PartitionStyleRaw = 2;

// DRIVE_LAYOUT_INFORMATION_EX, the answer to IOCTL_DISK_GET_DRIVE_LAYOUT_EX:
// a header with a 40-byte union (MBR or GPT disk facts), then PartitionCount
// PARTITION_INFORMATION_EX records.
namespace drive_layout_ex {
inline constexpr std::size_t PartitionStyle = 0;
inline constexpr std::size_t PartitionCount = 4;
inline constexpr std::size_t MbrSignature = 8;
inline constexpr std::size_t PartitionEntry = 48;
}  // namespace drive_layout_ex

// PARTITION_INFORMATION_EX, one partition; also the answer to
// IOCTL_DISK_GET_PARTITION_INFO_EX. The MBR and GPT fields share one union.
namespace partition_information_ex {
inline constexpr std::size_t Size = 144;
inline constexpr std::size_t PartitionStyle = 0;
inline constexpr std::size_t StartingOffset = 8;
inline constexpr std::size_t PartitionLength = 16;
inline constexpr std::size_t PartitionNumber = 24;
inline constexpr std::size_t RewritePartition = 28;
inline constexpr std::size_t MbrPartitionType = 32;
inline constexpr std::size_t MbrBootIndicator = 33;
inline constexpr std::size_t MbrRecognizedPartition = 34;
inline constexpr std::size_t MbrHiddenSectors = 36;
inline constexpr std::size_t GptPartitionType = 32;
}  // namespace partition_information_ex

// A GUID in memory: Data1 (4 bytes), Data2 and Data3 (2 bytes each), each
// least significant byte first, then the 8 bytes of Data4 in order.
inline constexpr std::size_t GuidSize = 16;

// DISK_GEOMETRY_EX, the answer to IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: a
// DISK_GEOMETRY, the disk size, then variable data (partition and detection
// facts) this program does not read.
namespace disk_geometry_ex {
inline constexpr std::size_t Cylinders = 0;
inline constexpr std::size_t MediaType = 8;
inline constexpr std::size_t TracksPerCylinder = 12;
inline constexpr std::size_t SectorsPerTrack = 16;
inline constexpr std::size_t BytesPerSector = 20;
inline constexpr std::size_t DiskSize = 24;
inline constexpr std::size_t Data = 32;
}  // namespace disk_geometry_ex

}  // namespace drivecopy::windows_backend

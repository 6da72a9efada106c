#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace drivecopy {

// How many bytes of a drive's start TableSectorSize looks at: up to a GPT
// header in the second sector of a drive with 4096-byte sectors.
inline constexpr std::size_t TableSectorSizeEvidenceBytes = 4096 + 512;

// The logical sector size the partition table at the start of a drive's
// bytes was written for, where the bytes say so clearly; nullopt otherwise
// (no table, or evidence both ways). A table counts in sectors of the drive
// it was written on, so it says how large they were:
// - a GPT header ("EFI PART", naming itself as sector 1) at byte 512 means
//   512-byte sectors, at byte 4096 4096-byte sectors;
// - an MBR's entries give their start in sectors; where the partitions'
//   starts are known in 512-byte units (`partitionStarts`, as an image's
//   header lists them), entries that start there mean 512-byte sectors, and
//   entries that start at an eighth of them 4096-byte sectors.
std::optional<std::uint32_t> TableSectorSize(std::span<const std::byte> start,
                                             std::span<const std::int64_t> partitionStarts);

}  // namespace drivecopy

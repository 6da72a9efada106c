#pragma once
#include <cstddef>
#include <optional>
#include <span>

#include "platform/DiskRecords.h"

namespace drivecopy::windows_backend {

// The program's record of one PARTITION_INFORMATION_EX: the answer to
// IOCTL_DISK_GET_PARTITION_INFO_EX, or one entry of a drive layout. bytes are
// what the request returned.
//
// Offset, length, number and RewritePartition are taken as they are, by
// every style. An MBR entry keeps its own type byte, boot and recognised
// flags and HiddenSectors, so unused entries (type 0) and extended
// containers (number 0) come through as the system has them. A GPT entry
// gets the type byte of its type GUID (TypeByteForGptType), RecognizedPartition
// 1, no boot flag, and HiddenSectors = start sector (StartingOffset / 512),
// the largest 32-bit number when it does not fit; a GPT slot with the null
// type GUID is unused and gets type 0 and RecognizedPartition 0, like an
// unused MBR entry. A RAW partition (a whole disk without a table) has no
// type: type 0, not recognised, HiddenSectors from the start as for GPT.
//
// nullopt when fewer than the record's 144 bytes came back or the partition
// style is none of MBR, GPT, RAW.
std::optional<PARTITION_INFORMATION> DecodePartitionInformation(std::span<const std::byte> bytes);

}  // namespace drivecopy::windows_backend

#pragma once
#include <cstddef>
#include <optional>
#include <span>

#include "platform/DiskRecords.h"

namespace drivecopy::windows_backend {

// The program's layout record from the DRIVE_LAYOUT_INFORMATION_EX that
// IOCTL_DISK_GET_DRIVE_LAYOUT_EX returned (bytes: as many as it returned).
// The entries stay in the system's order, each decoded as
// DecodePartitionInformation does, unused MBR entries and extended
// containers included (the lists skip them). Signature is the MBR disk
// signature, 0 on a GPT disk. A RAW disk (no partition table) gives a layout
// of no entries.
//
// nullopt when the bytes do not hold the header and the PartitionCount
// entries it announces, when the disk's or an entry's partition style is
// unknown, or when there are more entries than the record's 101, as the
// program's layout request fails then.
std::optional<DRIVE_LAYOUT_INFORMATION> DecodeDriveLayout(std::span<const std::byte> bytes);

}  // namespace drivecopy::windows_backend

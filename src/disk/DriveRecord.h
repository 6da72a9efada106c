#pragma once
#include <cstdint>
#include <string>

#include "platform/DiskRecords.h"
#include "platform/SectorRange.h"

namespace drivecopy {

// The record every drive-list row carries and the set-ups read on Next.
// Value-initialised: fields a kind leaves unset read as zero or empty.
struct DriveRecord {
  std::string RootPath;                   // floppy or volume root ("A:\"); empty otherwise
  std::string DevicePath;                 // the path the row was probed with
  std::string DriveName;                  // "C:" of a volume; filled only by the drive-letter search
  std::int32_t DriveNumber = 0;           // N of physical drive N; -1 for floppies
  std::uint8_t Kind = 0;                  // a kind tag
  std::uint8_t EntryIndex = 0;            // partition: index 0..100 in Layout
  PARTITION_INFORMATION PartitionInfo{};  // partition rows: the whole disk's
  DISK_GEOMETRY Geometry{};
  DRIVE_LAYOUT_INFORMATION Layout{};
  std::int64_t TotalBytes = 0;  // floppies only
  bool operator==(const DriveRecord&) const = default;
};

// The sectors a partition entry covers (512-byte sectors, end exclusive).
SectorRange EntrySectorRange(const PARTITION_INFORMATION& entry);

// The sector range a record stands for: a partition's layout entry, a
// floppy's whole size, otherwise the record's own partition information.
SectorRange RecordSectorRange(const DriveRecord& record);

}  // namespace drivecopy

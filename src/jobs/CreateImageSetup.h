#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "disk/DriveRecord.h"
#include "disk/DriveRow.h"
#include "image/ImageHeader.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"

namespace drivecopy {

// What Next on the create page hands to the create window for the ticked row.
struct CreateSource {
  std::string DevicePath;
  std::uint8_t Kind = 0;
  SectorRange Range;  // absolute on DevicePath's device ([start, end))
  // The create window's source line; nullopt for a record of an unknown kind,
  // where the window keeps the line it had.
  std::optional<std::string> Description;
  ImageHeader Header;  // all but SectorsStored, IndexOffset and IndexSize
};

// The range a row's record stands for, all divisions by 512 dropping the
// remainder: a partition's layout entry, a floppy's whole medium, otherwise
// the record's own partition information (a whole drive, a logical drive).
SectorRange SourceRange(const DriveRecord& record);

// The two-line (partition) or one-line source description of a record:
//   partition      "<model>; Partition: <number>;\r\nType: <type name>; Size: <size>"
//   floppy         "Floppy <size>"
//   physical drive "<model> <size>"
//   logical drive  "<root path> <size>"
// nullopt for any other kind. Sizes are SizeText texts, so each ends in a blank.
std::optional<std::string> SourceDescription(Platform& platform, const DriveRecord& record,
                                             char decimalSeparator);

// Range, description and image header for the ticked row; nullopt when the
// range holds no sector (the caller shows strSTitleERROR / strSBADDisk and
// hands nothing on). A whole drive (and a record of unknown kind, taken as
// one) lists the partitions of its layout whose type and number are not 0 and
// that end within the range, in layout order; LastSector is the largest such
// end, 0 when none is listed or the drive cannot be probed. `pump` runs after
// each listed partition.
std::optional<CreateSource> PrepareCreateSource(Platform& platform, const DriveRecord& record,
                                                const MessagePump& pump, char decimalSeparator);

// The end sector for "Read only valid partitions": when ticked, the header's
// LastSector (the end of the last listed partition); when cleared, the whole
// range again (SectorCount + FirstSector). A header whose LastSector does not
// lie beyond FirstSector (a drive without listed partitions) keeps the whole
// range, since ending there would make an image of nothing.
std::int64_t ValidPartitionsEnd(const ImageHeader& header, bool onlyValidPartitions);

}  // namespace drivecopy

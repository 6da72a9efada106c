// The Windows backend's decoding of what its disk requests return, on byte
// buffers laid out as the Windows SDK documents the records. The buffers are
// written here at the documented offsets, not with the decoder's constants,
// so a wrong constant shows; on Windows the constants are also checked
// against the system's own headers (the end of this file).
#include <gtest/gtest.h>

#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "platform/DiskRecords.h"
#include "platform/windows/records/DriveLayoutDecoding.h"
#include "platform/windows/records/GeometryDecoding.h"
#include "platform/windows/records/PartitionInformationDecoding.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>

#include <cstring>

#include "platform/windows/records/WindowsRecordLayout.h"
#endif

namespace drivecopy {

// Failure output: the fields by name rather than the record's bytes. Internal
// linkage, so no other test file's printer can clash with it.
[[maybe_unused]] static void PrintTo(const PARTITION_INFORMATION& p, std::ostream* out) {
  *out << "{start " << p.StartingOffset << ", length " << p.PartitionLength << ", hidden " << p.HiddenSectors
       << ", number " << p.PartitionNumber << ", type " << int{p.PartitionType} << ", boot "
       << int{p.BootIndicator} << ", recognized " << int{p.RecognizedPartition} << ", rewrite "
       << int{p.RewritePartition} << "}";
}

namespace {

using windows_backend::DecodeDriveLayout;
using windows_backend::DecodeGeometry;
using windows_backend::DecodePartitionInformation;
using windows_backend::DiskGeometryAndSize;

constexpr std::uint32_t StyleMbr = 0;
constexpr std::uint32_t StyleGpt = 1;
constexpr std::uint32_t StyleRaw = 2;

// DRIVE_LAYOUT_INFORMATION_EX: PartitionStyle at 0, PartitionCount at 4, the
// 40-byte MBR/GPT union at 8 (MBR Signature at 8), the entries from 48.
constexpr std::size_t LayoutHeaderSize = 48;
// sizeof(PARTITION_INFORMATION_EX).
constexpr std::size_t EntrySize = 144;

constexpr std::int64_t Sector = 512;
constexpr std::int64_t GiB = std::int64_t{1} << 30;

constexpr std::string_view BasicDataGuid = "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7";
constexpr std::string_view EfiSystemGuid = "c12a7328-f81f-11d2-ba4b-00a0c93ec93b";
constexpr std::string_view LinuxDataGuid = "0fc63daf-8483-4772-8e79-3d69d8477de4";
constexpr std::string_view LinuxSwapGuid = "0657fd6d-a4ab-43c4-84e5-0933c84b4f4f";
constexpr std::string_view UnknownGuid = "e6d6d379-f507-44c2-a23c-238f2a3df928";  // Microsoft reserved
constexpr std::string_view NullGuid = "00000000-0000-0000-0000-000000000000";

// A request's output buffer, written field by field. Bytes no field covers
// (padding, the GPT disk id, the partition ids and names) hold a filler, so
// a decoder reading the wrong place sees noise rather than a lucky 0.
class RecordBytes {
 public:
  explicit RecordBytes(std::size_t size) : bytes_(size, std::byte{0xA5}) {}

  template <std::unsigned_integral T>
  void Put(std::size_t offset, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes_.at(offset + i) = std::byte(value >> (8 * i) & 0xFF);
  }
  void PutSigned(std::size_t offset, std::int64_t value) { Put(offset, static_cast<std::uint64_t>(value)); }
  // A GUID in memory: Data1, Data2, Data3 least significant byte first, then
  // Data4's eight bytes in text order.
  void PutGuid(std::size_t offset, std::string_view text) {
    const auto hex = [&](std::size_t from, std::size_t digits) {
      std::uint32_t value = 0;
      std::from_chars(text.data() + from, text.data() + from + digits, value, 16);
      return value;
    };
    Put(offset, hex(0, 8));
    Put(offset + 4, static_cast<std::uint16_t>(hex(9, 4)));
    Put(offset + 6, static_cast<std::uint16_t>(hex(14, 4)));
    Put(offset + 8, static_cast<std::uint8_t>(hex(19, 2)));
    Put(offset + 9, static_cast<std::uint8_t>(hex(21, 2)));
    for (std::size_t i = 0; i < 6; ++i) Put(offset + 10 + i, static_cast<std::uint8_t>(hex(24 + 2 * i, 2)));
  }

  std::span<const std::byte> All() const { return bytes_; }
  std::span<const std::byte> First(std::size_t count) const { return All().first(count); }

 private:
  std::vector<std::byte> bytes_;
};

RecordBytes LayoutBytes(std::uint32_t style, std::uint32_t count, std::uint32_t signature) {
  RecordBytes bytes(LayoutHeaderSize + count * EntrySize);
  bytes.Put(0, style);
  bytes.Put(4, count);
  if (style == StyleMbr) bytes.Put(8, signature);
  return bytes;
}

std::size_t EntryAt(std::size_t index) { return LayoutHeaderSize + index * EntrySize; }

// PARTITION_INFORMATION_EX: PartitionStyle at 0, StartingOffset at 8,
// PartitionLength at 16, PartitionNumber at 24, RewritePartition at 28 (and
// IsServicePartition at 29, left to the filler), the MBR/GPT union at 32.
void PutCommonFields(RecordBytes& bytes, std::size_t at, std::uint32_t style,
                     const PARTITION_INFORMATION& p) {
  bytes.Put(at, style);
  bytes.PutSigned(at + 8, p.StartingOffset);
  bytes.PutSigned(at + 16, p.PartitionLength);
  bytes.Put(at + 24, p.PartitionNumber);
  bytes.Put(at + 28, p.RewritePartition);
}

// The MBR union: PartitionType at 32, BootIndicator 33, RecognizedPartition
// 34, HiddenSectors 36, PartitionId 40.
void PutMbrEntry(RecordBytes& bytes, std::size_t at, const PARTITION_INFORMATION& p) {
  PutCommonFields(bytes, at, StyleMbr, p);
  bytes.Put(at + 32, p.PartitionType);
  bytes.Put(at + 33, p.BootIndicator);
  bytes.Put(at + 34, p.RecognizedPartition);
  bytes.Put(at + 36, p.HiddenSectors);
}

// The GPT union: PartitionType GUID at 32, PartitionId 48, Attributes 64,
// Name 72 (36 UTF-16 units).
void PutGptEntry(RecordBytes& bytes, std::size_t at, std::string_view typeGuid, std::int64_t start,
                 std::int64_t length, std::uint32_t number) {
  PutCommonFields(bytes, at, StyleGpt,
                  {.StartingOffset = start, .PartitionLength = length, .PartitionNumber = number});
  bytes.PutGuid(at + 32, typeGuid);
  bytes.Put(at + 64, std::uint64_t{0});
}

void PutRawEntry(RecordBytes& bytes, std::size_t at, std::int64_t length) {
  PutCommonFields(bytes, at, StyleRaw, {.PartitionLength = length});
}

// What a used GPT entry becomes: its type byte, recognised, HiddenSectors
// the start sector.
PARTITION_INFORMATION GptRecord(std::int64_t startSector, std::int64_t sectors, std::uint32_t number,
                                std::uint8_t type) {
  return {.StartingOffset = startSector * Sector,
          .PartitionLength = sectors * Sector,
          .HiddenSectors = static_cast<std::uint32_t>(startSector),
          .PartitionNumber = number,
          .PartitionType = type,
          .RecognizedPartition = 1};
}

TEST(WindowsDriveLayout, MbrEntriesComeInTheSystemsOrderWithTheirOwnFields) {
  // A primary partition, the extended container, a logical partition inside
  // it and an unused slot. The logical partition's HiddenSectors is not its
  // start sector: the system's value is kept as it is.
  const PARTITION_INFORMATION entries[] = {
      {.StartingOffset = 2048 * Sector,
       .PartitionLength = 100 * GiB,
       .HiddenSectors = 2048,
       .PartitionNumber = 1,
       .PartitionType = 0x07,
       .BootIndicator = 1,
       .RecognizedPartition = 1},
      {.StartingOffset = 209717248 * Sector,
       .PartitionLength = 50 * GiB,
       .HiddenSectors = 209717248,
       .PartitionNumber = 0,
       .PartitionType = 0x0F},
      {.StartingOffset = 209719296 * Sector,
       .PartitionLength = 20 * GiB,
       .HiddenSectors = 2048,
       .PartitionNumber = 5,
       .PartitionType = 0x83,
       .RecognizedPartition = 1},
      {},
  };
  RecordBytes bytes = LayoutBytes(StyleMbr, 4, 0x1A2B3C4D);
  for (std::size_t i = 0; i < 4; ++i) PutMbrEntry(bytes, EntryAt(i), entries[i]);

  const auto layout = DecodeDriveLayout(bytes.All());
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->PartitionCount, 4u);
  EXPECT_EQ(layout->Signature, 0x1A2B3C4Du);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(layout->PartitionEntry[i], entries[i]) << "entry " << i;
  EXPECT_EQ(layout->PartitionEntry[4], PARTITION_INFORMATION{});
}

TEST(WindowsDriveLayout, GptTypeGuidsGiveTypeBytesAndNoMoreThan101EntriesFit) {
  // A GPT disk answering with all 128 slots: five used, the rest unused.
  RecordBytes bytes = LayoutBytes(StyleGpt, 128, 0);
  const std::string_view types[] = {EfiSystemGuid, BasicDataGuid, LinuxDataGuid, LinuxSwapGuid, UnknownGuid};
  // Partition i: 512 MiB from sector 2048 + i * 1048576, numbered i + 1.
  constexpr std::int64_t sectors = 1048576;
  const auto startSector = [](std::size_t i) { return 2048 + static_cast<std::int64_t>(i) * sectors; };
  for (std::size_t i = 0; i < 5; ++i)
    PutGptEntry(bytes, EntryAt(i), types[i], startSector(i) * Sector, sectors * Sector,
                static_cast<std::uint32_t>(i + 1));
  for (std::size_t i = 5; i < 128; ++i) PutGptEntry(bytes, EntryAt(i), NullGuid, 0, 0, 0);

  EXPECT_FALSE(DecodeDriveLayout(bytes.All()));
  bytes.Put(4, std::uint32_t{102});
  EXPECT_FALSE(DecodeDriveLayout(bytes.First(EntryAt(102))));
  bytes.Put(4, std::uint32_t{101});
  const auto layout = DecodeDriveLayout(bytes.First(EntryAt(101)));
  ASSERT_TRUE(layout);

  EXPECT_EQ(layout->PartitionCount, 101u);
  EXPECT_EQ(layout->Signature, 0u);
  const std::uint8_t typeBytes[] = {0xEF, 0x07, 0x83, 0x82, 0xDA};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(layout->PartitionEntry[i],
              GptRecord(startSector(i), sectors, static_cast<std::uint32_t>(i + 1), typeBytes[i]))
        << "entry " << i;
  }
  // An unused slot stays out of the lists, as an unused MBR entry does.
  EXPECT_EQ(layout->PartitionEntry[5], PARTITION_INFORMATION{});
  EXPECT_EQ(layout->PartitionEntry[100], PARTITION_INFORMATION{});
}

TEST(WindowsDriveLayout, RawDiskHasNoEntries) {
  const auto layout = DecodeDriveLayout(LayoutBytes(StyleRaw, 0, 0).All());
  ASSERT_TRUE(layout);
  EXPECT_EQ(*layout, DRIVE_LAYOUT_INFORMATION{});
}

TEST(WindowsDiskRecords, ShortBuffersAndUnknownStylesFail) {
  RecordBytes layout = LayoutBytes(StyleMbr, 2, 0x1234);
  PutMbrEntry(layout, EntryAt(0), {.PartitionNumber = 1, .PartitionType = 0x07});
  PutMbrEntry(layout, EntryAt(1), {.PartitionNumber = 2, .PartitionType = 0x07});
  ASSERT_TRUE(DecodeDriveLayout(layout.All()));
  EXPECT_FALSE(DecodeDriveLayout({}));
  EXPECT_FALSE(DecodeDriveLayout(layout.First(LayoutHeaderSize - 1)));
  EXPECT_FALSE(DecodeDriveLayout(layout.First(EntryAt(2) - 1)));  // the second entry cut short
  EXPECT_FALSE(DecodeDriveLayout(LayoutBytes(StyleRaw, 1, 0).First(LayoutHeaderSize)));

  RecordBytes hugeCount = layout;
  hugeCount.Put(4, std::numeric_limits<std::uint32_t>::max());
  EXPECT_FALSE(DecodeDriveLayout(hugeCount.All()));
  RecordBytes unknownDiskStyle = layout;
  unknownDiskStyle.Put(0, std::uint32_t{3});
  EXPECT_FALSE(DecodeDriveLayout(unknownDiskStyle.All()));
  RecordBytes unknownEntryStyle = layout;
  unknownEntryStyle.Put(EntryAt(1), std::uint32_t{3});
  EXPECT_FALSE(DecodeDriveLayout(unknownEntryStyle.All()));

  const auto entry = layout.All().subspan(EntryAt(0), EntrySize);
  ASSERT_TRUE(DecodePartitionInformation(entry));
  EXPECT_FALSE(DecodePartitionInformation(entry.first(EntrySize - 1)));
  RecordBytes unknownStyle(EntrySize);
  unknownStyle.Put(0, std::uint32_t{3});
  EXPECT_FALSE(DecodePartitionInformation(unknownStyle.All()));

  EXPECT_FALSE(DecodeGeometry(RecordBytes(31).All()));
}

TEST(WindowsPartitionInformation, EachStyleFillsTheRecord) {
  RecordBytes mbr(EntrySize);
  const PARTITION_INFORMATION fat32 = {.StartingOffset = 63 * Sector,
                                       .PartitionLength = 4 * GiB,
                                       .HiddenSectors = 63,
                                       .PartitionNumber = 2,
                                       .PartitionType = 0x0C,
                                       .BootIndicator = 1,
                                       .RecognizedPartition = 1};
  PutMbrEntry(mbr, 0, fat32);
  EXPECT_EQ(DecodePartitionInformation(mbr.All()), fat32);

  RecordBytes gpt(EntrySize);
  PutGptEntry(gpt, 0, BasicDataGuid, 34 * Sector, 10 * GiB, 3);
  EXPECT_EQ(DecodePartitionInformation(gpt.All()), GptRecord(34, 10 * GiB / Sector, 3, 0x07));

  // A whole disk without a table: a partition with no type.
  RecordBytes raw(EntrySize);
  PutRawEntry(raw, 0, 16 * GiB);
  EXPECT_EQ(DecodePartitionInformation(raw.All()), PARTITION_INFORMATION{.PartitionLength = 16 * GiB});
}

TEST(WindowsPartitionInformation, HiddenSectorsSaturateAtTheLargest32BitStartSector) {
  struct Case {
    std::int64_t StartingOffset;
    std::uint32_t HiddenSectors;
  };
  constexpr std::int64_t TwoTiB = std::int64_t{1} << 41;  // 2^32 sectors
  const Case cases[] = {
      {2048 * Sector + 511, 2048},  // a part sector is dropped
      {TwoTiB - Sector, 0xFFFFFFFF},        {TwoTiB, 0xFFFFFFFF},
      {TwoTiB + 2048 * Sector, 0xFFFFFFFF}, {std::int64_t{1} << 50, 0xFFFFFFFF},
  };
  const std::int64_t length = 3 * (TwoTiB / 2) + 4096;  // 3 TiB and 8 sectors, above 32 bits too
  for (const Case& c : cases) {
    RecordBytes bytes(EntrySize);
    PutGptEntry(bytes, 0, LinuxDataGuid, c.StartingOffset, length, 1);
    const auto info = DecodePartitionInformation(bytes.All());
    ASSERT_TRUE(info) << c.StartingOffset;
    EXPECT_EQ(info->StartingOffset, c.StartingOffset);
    EXPECT_EQ(info->PartitionLength, length);
    EXPECT_EQ(info->HiddenSectors, c.HiddenSectors) << c.StartingOffset;
  }
}

TEST(WindowsGeometry, GeometryAndDiskSizeWithoutTheVariableDataAfterThem) {
  // DISK_GEOMETRY_EX: Cylinders at 0, MediaType 8, TracksPerCylinder 12,
  // SectorsPerTrack 16, BytesPerSector 20, DiskSize 24, then the partition
  // and detection data from 32.
  RecordBytes bytes(32 + 48);
  bytes.PutSigned(0, 486401);
  bytes.Put(8, FixedMedia);
  bytes.Put(12, std::uint32_t{255});
  bytes.Put(16, std::uint32_t{63});
  bytes.Put(20, std::uint32_t{4096});
  bytes.PutSigned(24, 4000787030016);
  const DiskGeometryAndSize expected{.Geometry = {.Cylinders = 486401,
                                                  .MediaType = FixedMedia,
                                                  .TracksPerCylinder = 255,
                                                  .SectorsPerTrack = 63,
                                                  .BytesPerSector = 4096},
                                     .DiskBytes = 4000787030016};
  EXPECT_EQ(DecodeGeometry(bytes.All()), expected);
  EXPECT_EQ(DecodeGeometry(bytes.First(32)), expected);
}

#ifdef _WIN32
namespace wb = windows_backend;
namespace le = windows_backend::drive_layout_ex;
namespace pe = windows_backend::partition_information_ex;
namespace ge = windows_backend::disk_geometry_ex;

static_assert(wb::PartitionStyleMbr == PARTITION_STYLE_MBR);
static_assert(wb::PartitionStyleGpt == PARTITION_STYLE_GPT);
static_assert(wb::PartitionStyleRaw == PARTITION_STYLE_RAW);
static_assert(wb::GuidSize == sizeof(::GUID));
static_assert(le::PartitionStyle == offsetof(::DRIVE_LAYOUT_INFORMATION_EX, PartitionStyle));
static_assert(le::PartitionCount == offsetof(::DRIVE_LAYOUT_INFORMATION_EX, PartitionCount));
static_assert(le::MbrSignature == offsetof(::DRIVE_LAYOUT_INFORMATION_EX, Mbr.Signature));
static_assert(le::PartitionEntry == offsetof(::DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry));
static_assert(pe::Size == sizeof(::PARTITION_INFORMATION_EX));
static_assert(pe::PartitionStyle == offsetof(::PARTITION_INFORMATION_EX, PartitionStyle));
static_assert(pe::StartingOffset == offsetof(::PARTITION_INFORMATION_EX, StartingOffset));
static_assert(pe::PartitionLength == offsetof(::PARTITION_INFORMATION_EX, PartitionLength));
static_assert(pe::PartitionNumber == offsetof(::PARTITION_INFORMATION_EX, PartitionNumber));
static_assert(pe::RewritePartition == offsetof(::PARTITION_INFORMATION_EX, RewritePartition));
static_assert(pe::MbrPartitionType == offsetof(::PARTITION_INFORMATION_EX, Mbr.PartitionType));
static_assert(pe::MbrBootIndicator == offsetof(::PARTITION_INFORMATION_EX, Mbr.BootIndicator));
static_assert(pe::MbrRecognizedPartition == offsetof(::PARTITION_INFORMATION_EX, Mbr.RecognizedPartition));
static_assert(pe::MbrHiddenSectors == offsetof(::PARTITION_INFORMATION_EX, Mbr.HiddenSectors));
static_assert(pe::GptPartitionType == offsetof(::PARTITION_INFORMATION_EX, Gpt.PartitionType));
static_assert(ge::Cylinders == offsetof(::DISK_GEOMETRY_EX, Geometry.Cylinders));
static_assert(ge::MediaType == offsetof(::DISK_GEOMETRY_EX, Geometry.MediaType));
static_assert(ge::TracksPerCylinder == offsetof(::DISK_GEOMETRY_EX, Geometry.TracksPerCylinder));
static_assert(ge::SectorsPerTrack == offsetof(::DISK_GEOMETRY_EX, Geometry.SectorsPerTrack));
static_assert(ge::BytesPerSector == offsetof(::DISK_GEOMETRY_EX, Geometry.BytesPerSector));
static_assert(ge::DiskSize == offsetof(::DISK_GEOMETRY_EX, DiskSize));
static_assert(ge::Data == offsetof(::DISK_GEOMETRY_EX, Data));

template <typename T>
void AppendBytes(std::vector<std::byte>& bytes, const T& value, std::size_t size = sizeof(T)) {
  const std::size_t end = bytes.size();
  bytes.resize(end + size);
  std::memcpy(bytes.data() + end, &value, size);
}

TEST(WindowsDiskRecords, RecordsFilledThroughTheSystemsOwnStructures) {
  ::DRIVE_LAYOUT_INFORMATION_EX header{};
  header.PartitionStyle = PARTITION_STYLE_GPT;
  header.PartitionCount = 2;
  ::PARTITION_INFORMATION_EX entries[2]{};
  entries[0].PartitionStyle = PARTITION_STYLE_GPT;
  entries[0].StartingOffset.QuadPart = 2048 * Sector;
  entries[0].PartitionLength.QuadPart = GiB / 2;
  entries[0].PartitionNumber = 1;
  entries[0].Gpt.PartitionType =
      ::GUID{0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};
  entries[1].PartitionStyle = PARTITION_STYLE_GPT;
  entries[1].StartingOffset.QuadPart = (std::int64_t{1} << 41) + 2048 * Sector;
  entries[1].PartitionLength.QuadPart = 100 * GiB;
  entries[1].PartitionNumber = 2;
  entries[1].Gpt.PartitionType =
      ::GUID{0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
  std::vector<std::byte> bytes;
  AppendBytes(bytes, header, offsetof(::DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry));
  AppendBytes(bytes, entries);
  const auto layout = DecodeDriveLayout(bytes);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->PartitionCount, 2u);
  EXPECT_EQ(layout->PartitionEntry[0], GptRecord(2048, GiB / 2 / Sector, 1, 0xEF));
  EXPECT_EQ(layout->PartitionEntry[1].PartitionType, 0x07);
  EXPECT_EQ(layout->PartitionEntry[1].StartingOffset, entries[1].StartingOffset.QuadPart);
  EXPECT_EQ(layout->PartitionEntry[1].HiddenSectors, 0xFFFFFFFFu);

  ::PARTITION_INFORMATION_EX mbr{};
  mbr.PartitionStyle = PARTITION_STYLE_MBR;
  mbr.StartingOffset.QuadPart = 63 * Sector;
  mbr.PartitionLength.QuadPart = GiB;
  mbr.PartitionNumber = 1;
  mbr.Mbr.PartitionType = 0x07;
  mbr.Mbr.BootIndicator = TRUE;
  mbr.Mbr.RecognizedPartition = TRUE;
  mbr.Mbr.HiddenSectors = 63;
  std::vector<std::byte> mbrBytes;
  AppendBytes(mbrBytes, mbr);
  EXPECT_EQ(DecodePartitionInformation(mbrBytes), (PARTITION_INFORMATION{.StartingOffset = 63 * Sector,
                                                                         .PartitionLength = GiB,
                                                                         .HiddenSectors = 63,
                                                                         .PartitionNumber = 1,
                                                                         .PartitionType = 0x07,
                                                                         .BootIndicator = 1,
                                                                         .RecognizedPartition = 1}));

  ::DISK_GEOMETRY_EX geometry{};
  geometry.Geometry.Cylinders.QuadPart = 60801;
  geometry.Geometry.MediaType = ::FixedMedia;
  geometry.Geometry.TracksPerCylinder = 255;
  geometry.Geometry.SectorsPerTrack = 63;
  geometry.Geometry.BytesPerSector = 512;
  geometry.DiskSize.QuadPart = 500107862016;
  std::vector<std::byte> geometryBytes;
  AppendBytes(geometryBytes, geometry);
  const auto decoded = DecodeGeometry(geometryBytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->Geometry, (DISK_GEOMETRY{.Cylinders = 60801,
                                              .MediaType = FixedMedia,
                                              .TracksPerCylinder = 255,
                                              .SectorsPerTrack = 63,
                                              .BytesPerSector = 512}));
  EXPECT_EQ(decoded->DiskBytes, 500107862016);
}
#endif

}  // namespace
}  // namespace drivecopy

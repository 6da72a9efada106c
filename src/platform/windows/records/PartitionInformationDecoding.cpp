#include "platform/windows/records/PartitionInformationDecoding.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/GptPartitionTypes.h"
#include "platform/Units.h"
#include "platform/windows/records/GuidText.h"
#include "platform/windows/records/LittleEndian.h"
#include "platform/windows/records/WindowsRecordLayout.h"

namespace drivecopy::windows_backend {
namespace {

namespace at = partition_information_ex;

// A BOOLEAN is true when it is not 0; the record keeps 1 for true.
std::uint8_t Flag(std::span<const std::byte> bytes, std::size_t offset) {
  return ReadLittleEndian<std::uint8_t>(bytes, offset) != 0 ? 1 : 0;
}

std::uint32_t SaturatedStartSector(std::int64_t startingOffset) {
  const std::int64_t sector = startingOffset / BytesPerSector;
  if (sector < 0) return 0;
  constexpr auto most = std::numeric_limits<std::uint32_t>::max();
  return sector > static_cast<std::int64_t>(most) ? most : static_cast<std::uint32_t>(sector);
}

void DecodeMbrFields(std::span<const std::byte> bytes, PARTITION_INFORMATION& info) {
  info.PartitionType = ReadLittleEndian<std::uint8_t>(bytes, at::MbrPartitionType);
  info.BootIndicator = Flag(bytes, at::MbrBootIndicator);
  info.RecognizedPartition = Flag(bytes, at::MbrRecognizedPartition);
  info.HiddenSectors = ReadLittleEndian<std::uint32_t>(bytes, at::MbrHiddenSectors);
}

void DecodeGptFields(std::span<const std::byte> bytes, PARTITION_INFORMATION& info) {
  const auto typeGuid = bytes.subspan<at::GptPartitionType, GuidSize>();
  const bool unused =
      std::all_of(typeGuid.begin(), typeGuid.end(), [](std::byte b) { return b == std::byte{0}; });
  info.PartitionType = unused ? 0 : TypeByteForGptType(GuidText(typeGuid));
  info.RecognizedPartition = unused ? 0 : 1;
  info.HiddenSectors = SaturatedStartSector(info.StartingOffset);
}

}  // namespace

std::optional<PARTITION_INFORMATION> DecodePartitionInformation(std::span<const std::byte> bytes) {
  if (bytes.size() < at::Size) return std::nullopt;
  PARTITION_INFORMATION info;
  info.StartingOffset = ReadLittleEndianSigned64(bytes, at::StartingOffset);
  info.PartitionLength = ReadLittleEndianSigned64(bytes, at::PartitionLength);
  info.PartitionNumber = ReadLittleEndian<std::uint32_t>(bytes, at::PartitionNumber);
  info.RewritePartition = Flag(bytes, at::RewritePartition);
  switch (ReadLittleEndian<std::uint32_t>(bytes, at::PartitionStyle)) {
    case PartitionStyleMbr:
      DecodeMbrFields(bytes, info);
      return info;
    case PartitionStyleGpt:
      DecodeGptFields(bytes, info);
      return info;
    case PartitionStyleRaw:
      info.HiddenSectors = SaturatedStartSector(info.StartingOffset);
      return info;
    default:
      return std::nullopt;
  }
}

}  // namespace drivecopy::windows_backend

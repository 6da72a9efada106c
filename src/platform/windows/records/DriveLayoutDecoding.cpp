#include "platform/windows/records/DriveLayoutDecoding.h"

#include <cstdint>
#include <vector>

#include "platform/windows/records/LittleEndian.h"
#include "platform/windows/records/PartitionInformationDecoding.h"
#include "platform/windows/records/WindowsRecordLayout.h"

namespace drivecopy::windows_backend {

std::optional<DRIVE_LAYOUT_INFORMATION> DecodeDriveLayout(std::span<const std::byte> bytes) {
  namespace at = drive_layout_ex;
  constexpr std::size_t entrySize = partition_information_ex::Size;
  if (bytes.size() < at::PartitionEntry) return std::nullopt;
  const auto style = ReadLittleEndian<std::uint32_t>(bytes, at::PartitionStyle);
  if (style != PartitionStyleMbr && style != PartitionStyleGpt && style != PartitionStyleRaw)
    return std::nullopt;
  const auto count = ReadLittleEndian<std::uint32_t>(bytes, at::PartitionCount);
  // Divided rather than multiplied, so no count can overflow the size.
  if ((bytes.size() - at::PartitionEntry) / entrySize < count) return std::nullopt;
  if (style == PartitionStyleRaw) return MakeDriveLayout({}, 0);

  std::vector<PARTITION_INFORMATION> entries;
  entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto entry = DecodePartitionInformation(bytes.subspan(at::PartitionEntry + i * entrySize, entrySize));
    if (!entry) return std::nullopt;
    entries.push_back(*entry);
  }
  const std::uint32_t signature =
      style == PartitionStyleMbr ? ReadLittleEndian<std::uint32_t>(bytes, at::MbrSignature) : 0;
  return MakeDriveLayout(entries, signature);
}

}  // namespace drivecopy::windows_backend

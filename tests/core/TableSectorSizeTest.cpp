// The sector size a partition table at a drive's start was written for.
#include "disk/TableSectorSize.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace drivecopy {
namespace {

using Bytes = std::vector<std::byte>;

void PutLittleEndian(Bytes& bytes, std::size_t offset, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    bytes[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}

// A GPT header at `offset` naming itself as sector `myLba`.
void PutGptHeader(Bytes& bytes, std::size_t offset, std::uint64_t myLba = 1) {
  std::memcpy(bytes.data() + offset, "EFI PART", 8);
  PutLittleEndian(bytes, offset + 24, myLba, 8);
}

// An MBR whose entries have these types and first sectors.
void PutMbr(Bytes& bytes, const std::vector<std::pair<std::uint8_t, std::uint32_t>>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bytes[446 + 16 * i + 4] = static_cast<std::byte>(entries[i].first);
    PutLittleEndian(bytes, 446 + 16 * i + 8, entries[i].second, 4);
  }
  bytes[510] = std::byte{0x55};
  bytes[511] = std::byte{0xAA};
}

TEST(TableSectorSize, TheTableTellsItsSectorSizeOnlyWhereTheEvidenceIsClear) {
  struct Case {
    std::string Name;
    Bytes Start;
    std::vector<std::int64_t> PartitionStarts;  // in 512-byte sectors
    std::optional<std::uint32_t> Expected;
  };
  const Bytes empty(TableSectorSizeEvidenceBytes);
  std::vector<Case> cases;
  auto add = [&](std::string name, auto fill, std::vector<std::int64_t> starts,
                 std::optional<std::uint32_t> expected) {
    Bytes bytes = empty;
    fill(bytes);
    cases.push_back({std::move(name), std::move(bytes), std::move(starts), expected});
  };
  add(
      "GPT header in sector 1 of 512 bytes", [](Bytes& b) { PutGptHeader(b, 512); }, {}, 512);
  add(
      "GPT header in sector 1 of 4096 bytes", [](Bytes& b) { PutGptHeader(b, 4096); }, {}, 4096);
  add(
      "GPT headers both ways", [](Bytes& b) { PutGptHeader(b, 512), PutGptHeader(b, 4096); }, {},
      std::nullopt);
  add(
      "a signature that names another sector", [](Bytes& b) { PutGptHeader(b, 4096, 8); }, {}, std::nullopt);
  add(
      "MBR entries at the listed starts",
      [](Bytes& b) {
        PutMbr(b, {{0x83, 2048}, {0x07, 10240}});
      },
      {2048, 10240}, 512);
  add(
      "MBR entries at an eighth of the listed starts",
      [](Bytes& b) {
        PutMbr(b, {{0x83, 256}, {0x05, 1280}});
      },
      {2048, 10496}, 4096);
  add(
      "MBR entries that fit both ways",
      [](Bytes& b) {
        PutMbr(b, {{0x83, 2048}, {0x07, 16384}});
      },
      {2048, 16384}, std::nullopt);
  add(
      "MBR without listed starts",
      [](Bytes& b) {
        PutMbr(b, {{0x83, 2048}});
      },
      {}, std::nullopt);
  add(
      "a protective MBR only",
      [](Bytes& b) {
        PutMbr(b, {{0xEE, 1}});
      },
      {1, 8}, std::nullopt);
  add(
      "no table", [](Bytes&) {}, {2048}, std::nullopt);
  cases.push_back({"fewer bytes than a sector", Bytes(100), {2048}, std::nullopt});

  for (const Case& c : cases) {
    EXPECT_EQ(TableSectorSize(c.Start, c.PartitionStarts), c.Expected) << c.Name;
  }
}

}  // namespace
}  // namespace drivecopy

// Gathered writes: consecutive blocks go out together on a direct-I/O
// device, one by one elsewhere, and an unwritable sector is named alone.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "jobs/GatheringWriter.h"

namespace drivecopy {
namespace {

// A device of `sectors` sectors that records each write request and refuses
// any request that touches `badSector`.
class RecordingDevice : public DeviceHandle {
 public:
  RecordingDevice(std::int64_t sectors, std::size_t alignment, std::int64_t badSector)
      : bytes_(static_cast<std::size_t>(sectors) * 512), alignment_(alignment), bad_(badSector) {}

  std::vector<std::size_t> Requests;  // sizes of the write requests, in order
  std::vector<std::byte> bytes_;

  Outcome<void> Seek(std::int64_t offset) override {
    position_ = offset;
    return {};
  }
  Outcome<std::size_t> Read(std::span<std::byte>) override { return std::size_t{0}; }
  Outcome<std::size_t> Write(std::span<const std::byte> data) override {
    Requests.push_back(data.size());
    const std::int64_t first = position_ / 512;
    const std::int64_t end = first + static_cast<std::int64_t>(data.size()) / 512;
    if (bad_ >= first && bad_ < end)
      return Failure::OfSystemCall(5, "Input/output error", FailureKind::Medium);
    std::memcpy(bytes_.data() + position_, data.data(), data.size());
    position_ += static_cast<std::int64_t>(data.size());
    return data.size();
  }
  Outcome<void> Flush() override { return {}; }
  Outcome<std::int64_t> Size() override { return static_cast<std::int64_t>(bytes_.size()); }
  std::optional<PARTITION_INFORMATION> QueryPartitionInfo() override { return {}; }
  std::optional<DISK_GEOMETRY> QueryGeometry() override { return {}; }
  std::optional<DRIVE_LAYOUT_INFORMATION> QueryLayout() override { return {}; }
  std::size_t PreferredAlignment() const override { return alignment_; }

 private:
  std::int64_t position_ = 0;
  std::size_t alignment_;
  std::int64_t bad_;
};

// Writes 40 blocks of 64 KiB and then 3 single sectors from sector 100 on,
// each block filled with its own number; returns the sectors named unwritable.
std::vector<std::int64_t> WriteRun(RecordingDevice& device) {
  GatheringWriter writer(device);
  std::vector<std::int64_t> unwritable;
  auto take = [&](const WriteReport& report) {
    EXPECT_FALSE(report.Stopped());
    for (const SectorRange& range : report.Unwritable)
      for (std::int64_t sector = range.FirstSector; sector < range.EndSector; ++sector)
        unwritable.push_back(sector);
  };
  std::int64_t sector = 100;
  for (int block = 0; block < 43; ++block) {
    const std::size_t size = block < 40 ? 65536 : 512;
    std::vector<std::byte> bytes(size, static_cast<std::byte>(block + 1));
    take(writer.Add(sector, bytes));
    sector += static_cast<std::int64_t>(size / 512);
  }
  take(writer.Finish());
  return unwritable;
}

TEST(GatheringWriter, DirectDevicesGetGatheredRequestsAndExactBadSectors) {
  struct Case {
    const char* name;
    std::size_t alignment;
    std::int64_t badSector;
    std::size_t firstRequest;
    std::vector<std::int64_t> unwritable;
  };
  const std::int64_t end = 100 + 40 * 128 + 3;
  const Case cases[] = {
      {"direct, sound", 512, -1, GatheringWriter::GatherBytes, {}},
      {"direct, one bad sector", 512, 100 + 33 * 128 + 5, GatheringWriter::GatherBytes, {100 + 33 * 128 + 5}},
      {"direct, bad last sector", 512, end - 1, GatheringWriter::GatherBytes, {end - 1}},
      {"buffered, one bad sector", 1, 100 + 33 * 128 + 5, 65536, {100 + 33 * 128 + 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingDevice device(end + 10, c.alignment, c.badSector);
    EXPECT_EQ(WriteRun(device), c.unwritable);
    ASSERT_FALSE(device.Requests.empty());
    EXPECT_EQ(device.Requests.front(), c.firstRequest);
    // Every sector but the bad one holds its block's number.
    for (std::int64_t sector = 100; sector < end; ++sector) {
      const std::int64_t block =
          sector < 100 + 40 * 128 ? (sector - 100) / 128 : 40 + (sector - 100 - 40 * 128);
      const auto expected = sector == c.badSector ? std::byte{0} : static_cast<std::byte>(block + 1);
      ASSERT_EQ(device.bytes_[static_cast<std::size_t>(sector) * 512], expected) << sector;
    }
  }
}

}  // namespace
}  // namespace drivecopy

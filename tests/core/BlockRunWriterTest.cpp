// Gathered writes: consecutive blocks go out in one request up to the limit;
// a request that meets a medium error or is written short is repeated
// block-wise and then sector-wise, and exactly the sectors that cannot be
// written are named; any other failure ends the writing at once.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "jobs/BlockRunWriter.h"
#include "support/MemoryDevice.h"
#include "support/TestImages.h"

namespace drivecopy {
namespace {

using test_support::PatternSectors;

constexpr std::int64_t DestinationFirst = 10;

// A device whose listed sectors refuse every write that touches them, which
// may store only half of every longer request, and which records requests.
class FaultyDevice : public test_support::MemoryDevice {
 public:
  std::set<std::int64_t> BadSectors;
  bool HalfWrites = false;
  std::int64_t GoneFrom = -1;  // requests reaching this sector find the device gone
  std::vector<std::pair<std::int64_t, std::size_t>> Requests;  // first sector, bytes

  Outcome<std::size_t> Write(std::span<const std::byte> data) override {
    const std::int64_t first = Position() / 512;
    Requests.emplace_back(first, data.size());
    const auto end = first + static_cast<std::int64_t>(data.size() / 512);
    if (GoneFrom >= 0 && end > GoneFrom)
      return Failure::OfSystemCall(6, "No such device or address", FailureKind::DeviceGone);
    for (std::int64_t bad : BadSectors)
      if (bad >= first && bad < end)
        return Failure::OfSystemCall(5, "Input/output error", FailureKind::Medium);
    if (HalfWrites && data.size() > 512) data = data.first(data.size() / 2);
    return MemoryDevice::Write(data);
  }
};

struct Written {
  WriteReport Report;
  FaultyDevice Device;
};

// Writes `blocks` blocks of 128 sectors and then `singles` single sectors,
// all from one buffer, through a writer with the given limit.
void WriteBlocks(Written& out, const std::vector<std::byte>& data, std::int64_t blocks, std::int64_t singles,
                 std::size_t limit) {
  BlockRunWriter writer(out.Device, DestinationFirst, limit);
  std::int64_t sector = 0;
  auto add = [&](std::int64_t count) {
    if (!out.Report.Stopped()) {
      out.Report.Take(writer.Add(sector, std::span(data).subspan(static_cast<std::size_t>(sector * 512),
                                                                 static_cast<std::size_t>(count * 512))));
    }
    sector += count;
  };
  for (std::int64_t i = 0; i < blocks; ++i) add(128);
  for (std::int64_t i = 0; i < singles; ++i) add(1);
  if (!out.Report.Stopped()) out.Report.Take(writer.Write());
}

std::vector<std::byte> DeviceSectors(const FaultyDevice& device, std::int64_t first, std::int64_t count) {
  std::vector<std::byte> bytes(static_cast<std::size_t>(count * 512));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto at = static_cast<std::size_t>(first * 512) + i;
    bytes[i] = at < device.Bytes.size() ? device.Bytes[at] : std::byte{0};
  }
  return bytes;
}

TEST(BlockRunWriter, GathersConsecutiveBlocksUpToTheLimit) {
  struct Case {
    const char* name;
    std::size_t limit;
    std::vector<std::pair<std::int64_t, std::size_t>> requests;
  };
  const std::vector<Case> cases = {
      {"no gathering", 0, {{10, 65536}, {138, 65536}, {266, 65536}, {394, 512}, {395, 512}}},
      {"two blocks per request", 131072, {{10, 131072}, {266, 66560}}},
      {"all in one", 1 << 20, {{10, 197632}}},
  };
  const auto data = PatternSectors(3 * 128 + 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Written out;
    WriteBlocks(out, data, 3, 2, c.limit);
    EXPECT_EQ(out.Device.Requests, c.requests);
    EXPECT_TRUE(out.Report.Unwritable.Empty());
    EXPECT_TRUE(DeviceSectors(out.Device, DestinationFirst, 3 * 128 + 2) == data);
  }
}

TEST(BlockRunWriter, FailedOrShortRequestsNameExactlyTheUnwritableSectors) {
  struct Case {
    const char* name;
    std::set<std::int64_t> bad;  // device sectors
    bool halfWrites;
    std::vector<std::int64_t> unwritable;  // image sectors
  };
  const std::vector<Case> cases = {
      {"one bad sector in the second block", {DestinationFirst + 130}, false, {130}},
      {"bad sectors in two blocks and a single",
       {DestinationFirst + 5, DestinationFirst + 300, DestinationFirst + 385},
       false,
       {5, 300, 385}},
      {"short requests", {}, true, {}},
  };
  const auto data = PatternSectors(3 * 128 + 2, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Written out;
    out.Device.BadSectors = c.bad;
    out.Device.HalfWrites = c.halfWrites;
    WriteBlocks(out, data, 3, 2, 1 << 20);
    SectorRanges expected;
    for (const std::int64_t sector : c.unwritable) expected.Add(sector);
    EXPECT_EQ(out.Report.Unwritable, expected);
    EXPECT_FALSE(out.Report.Stopped());
    // Every other sector holds its data.
    for (std::int64_t sector = 0; sector < 3 * 128 + 2; ++sector) {
      if (c.bad.contains(DestinationFirst + sector)) continue;
      ASSERT_TRUE(DeviceSectors(out.Device, DestinationFirst + sector, 1) ==
                  std::vector<std::byte>(data.begin() + sector * 512, data.begin() + (sector + 1) * 512))
          << "sector " << sector;
    }
  }
}

// A device that is gone is no bad sector: the writer reports where writing
// ended, with the cause, and tries nothing after it, not sector by sector.
TEST(BlockRunWriter, DeviceGoneEndsTheWritingWithoutRetries) {
  struct Case {
    const char* name;
    std::size_t limit;
    std::int64_t stopSector;  // image sector where the failed request began
    std::size_t requests;     // made in all
  };
  const std::vector<Case> cases = {
      {"gathered", 1 << 20, 0, 1},
      {"block by block", 0, 256, 3},
  };
  const auto data = PatternSectors(3 * 128 + 2, 9);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Written out;
    out.Device.GoneFrom = DestinationFirst + 300;
    WriteBlocks(out, data, 3, 2, c.limit);
    ASSERT_TRUE(out.Report.Stopped());
    EXPECT_EQ(out.Report.Stop->kind, FailureKind::DeviceGone);
    EXPECT_EQ(out.Report.StopSector, c.stopSector);
    EXPECT_TRUE(out.Report.Unwritable.Empty());
    EXPECT_EQ(out.Device.Requests.size(), c.requests);
  }
}

}  // namespace
}  // namespace drivecopy

// `drivecopy list --json` on the real machine, checked on a loop disk that
// this test made: its rows, names, sector ranges and the mount point caption,
// which a second disk with the same table does not get.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "LoopDevice.h"

namespace drivecopy {
namespace {

using test_support::LoopDevice;

const nlohmann::json* FindByDevicePath(const nlohmann::json& list, const std::string& path) {
  for (const auto& entry : list)
    if (entry.value("devicePath", "") == path) return &entry;
  return nullptr;
}

TEST(ListCommandOnLoopDisk, NamesTheDiskItsPartitionsAndTheMountedVolume) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(64LL << 20);
  disk.WritePartitionTable(
      "label: dos\n"
      "start=2048, size=65536, type=83\n"
      "start=67584, size=63488, type=5\n"
      "start=69632, size=16384, type=83\n",
      {1, 5});
  disk.MakeExt4(1);
  const std::string mountPoint = disk.Mount(1);
  // A second disk of the same size and table: the volume is not on it.
  LoopDevice twin(64LL << 20);
  twin.WritePartitionTable(
      "label: dos\n"
      "start=2048, size=65536, type=83\n"
      "start=67584, size=63488, type=5\n"
      "start=69632, size=16384, type=83\n",
      {1, 5});

  auto run = test_support::RunCommand(std::string(DRIVECOPY_BINARY) + " list --json 2>/dev/null");
  ASSERT_EQ(run.ExitCode, 0) << run.Output;
  auto listing = nlohmann::json::parse(run.Output, nullptr, false);
  ASSERT_FALSE(listing.is_discarded()) << run.Output;

  const nlohmann::json* drive = FindByDevicePath(listing["drives"], disk.DevicePath());
  ASSERT_NE(drive, nullptr) << "loop disk missing from: " << run.Output;
  EXPECT_EQ((*drive)["kind"], 96);
  EXPECT_EQ((*drive)["firstSector"], 0);
  EXPECT_EQ((*drive)["endSector"], 131072);
  EXPECT_NE((*drive)["caption"].get<std::string>().find("Loop device"), std::string::npos);

  // The extended container is no row of its own.
  const auto& partitions = (*drive)["partitions"];
  ASSERT_EQ(partitions.size(), 2u) << partitions.dump(2);
  struct Expected {
    int Number;
    long long First;
    long long End;
    bool ShowsMountPoint;
  };
  const Expected expected[] = {{1, 2048, 2048 + 65536, true}, {5, 69632, 69632 + 16384, false}};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(expected[i].Number);
    const auto& partition = partitions[i];
    EXPECT_EQ(partition["kind"], 98);
    EXPECT_EQ(partition["partitionNumber"], expected[i].Number);
    EXPECT_EQ(partition["partitionType"], 0x83);
    EXPECT_EQ(partition["typeName"], "Linux");
    EXPECT_EQ(partition["firstSector"], expected[i].First);
    EXPECT_EQ(partition["endSector"], expected[i].End);
    const std::string caption = partition["caption"];
    EXPECT_EQ(caption.find("[ " + mountPoint + " ]") != std::string::npos, expected[i].ShowsMountPoint)
        << caption;
    EXPECT_EQ(partition["name"], disk.PartitionPath(expected[i].Number));
  }
  EXPECT_TRUE((*drive)["caption"].get<std::string>().starts_with("[ " + mountPoint + "  ] "))
      << (*drive)["caption"];

  const nlohmann::json* twinDrive = FindByDevicePath(listing["drives"], twin.DevicePath());
  ASSERT_NE(twinDrive, nullptr);
  EXPECT_EQ((*twinDrive)["caption"].get<std::string>().find('['), std::string::npos)
      << (*twinDrive)["caption"];
  for (const auto& partition : (*twinDrive)["partitions"]) {
    EXPECT_EQ(partition["caption"].get<std::string>().find('['), std::string::npos) << partition["caption"];
  }

  const nlohmann::json* volume = FindByDevicePath(listing["volumes"], disk.PartitionPath(1));
  ASSERT_NE(volume, nullptr) << "mounted volume missing from: " << run.Output;
  EXPECT_EQ((*volume)["rootPath"], mountPoint);
  EXPECT_EQ((*volume)["kind"], 100);
  EXPECT_EQ((*volume)["name"], mountPoint);
}

}  // namespace
}  // namespace drivecopy

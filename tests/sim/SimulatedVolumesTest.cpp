// Drive letters, volume readiness, and files on simulated volumes with their
// free space.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "sim/SimTestSupport.h"

namespace drivecopy {
namespace {

using test_support::Machine;
using test_support::OpenOrFail;

constexpr std::string_view Letters = R"({
  "physicalDrives": [{"number": 0, "size": "8 MiB",
    "layout": [{"startSector": 2048, "sectorCount": 4096, "number": 1, "type": 7}]}],
  "floppies": [{"letter": "A", "medium": false}],
  "volumes": [
    {"letter": "Z", "driveType": "remote", "fileSystem": "NTFS", "volumeName": "share"},
    {"letter": "C", "partition": {"drive": 0, "entry": 0}, "volumeName": "System"},
    {"letter": "R", "driveType": "cdrom", "ready": false},
    {"letter": "S", "driveType": 2, "fileSystem": null, "size": "1 MiB"}]})";

TEST(SimulatedVolumes, LettersAreListedInOrderWithTheirThreeForms) {
  auto machine = Machine(Letters);
  ASSERT_TRUE(machine);
  const auto drives = machine->LogicalDrives();
  ASSERT_EQ(drives.size(), 5u);
  std::string order;
  for (const auto& drive : drives) order += drive.DriveName;
  EXPECT_EQ(order, "A:C:R:S:Z:");
  EXPECT_TRUE(drives[0].IsFloppySlot);
  EXPECT_FALSE(drives[1].IsFloppySlot);
  EXPECT_EQ(drives[1].RootPath, "C:\\");
  EXPECT_EQ(drives[1].DevicePath, "\\\\.\\C:");
}

TEST(SimulatedVolumes, DriveTypesAndReadinessFollowTheDescription) {
  auto machine = Machine(Letters);
  ASSERT_TRUE(machine);
  struct Expectation {
    const char* root;
    int type;
    bool ready;
  };
  for (const Expectation& e :
       {Expectation{"A:\\", DriveRemovable, false}, Expectation{"C:\\", DriveFixed, true},
        Expectation{"R:\\", DriveCdRom, false}, Expectation{"S:\\", DriveRemovable, false},
        Expectation{"Z:\\", DriveRemote, true}, Expectation{"Q:\\", DriveNoRootDir, false}}) {
    SCOPED_TRACE(e.root);
    EXPECT_EQ(machine->QueryDriveType(e.root), e.type);
    EXPECT_EQ(machine->QueryVolumeInformation(e.root).has_value(), e.ready);
  }
  EXPECT_EQ(machine->QueryVolumeInformation("C:\\")->VolumeName, "System");
  EXPECT_EQ(machine->QueryVolumeInformation("C:\\")->FileSystemName, "NTFS");

  auto notReady = machine->Open("\\\\.\\R:", OpenMode::Read);
  ASSERT_FALSE(notReady.ok());
  EXPECT_EQ(notReady.error().systemCode, 21);
  // A volume without a recognised file system still opens as a raw device.
  EXPECT_TRUE(machine->Open("\\\\.\\S:", OpenMode::Read).ok());
}

constexpr std::string_view FatTarget = R"({
  "volumes": [{"letter": "E", "driveType": "removable", "fileSystem": "FAT32", "size": "64 MiB",
               "freeBytes": 4096},
              {"letter": "N", "fileSystem": "NTFS", "size": "64 MiB", "freeBytes": "8 GiB"},
              {"letter": "F", "fileSystem": "FAT32", "size": "64 MiB", "freeBytes": "8 GiB"}]})";

TEST(SimulatedVolumes, FilesOnAFullVolumeFailWithTheDiskFullError) {
  auto machine = Machine(FatTarget);
  ASSERT_TRUE(machine);
  EXPECT_EQ(machine->QueryVolumeOfPath("E:\\backup.img")->FileSystemName, "FAT32");
  EXPECT_EQ(machine->QueryFreeSpace("E:\\backup.img")->FreeBytes, 4096);

  auto image = OpenOrFail(*machine, "E:\\backup.img", OpenMode::CreateAlways);
  ASSERT_TRUE(image);
  const std::vector<std::byte> block(3000, std::byte{7});
  ASSERT_TRUE(image->Write(block).ok());
  auto full = image->Write(block);
  ASSERT_FALSE(full.ok());
  EXPECT_EQ(full.error().systemCode, 112);
  EXPECT_EQ(full.error().text, "There is not enough space on the disk.");
  EXPECT_EQ(machine->QueryFreeSpace("E:\\")->FreeBytes, 4096 - 3000);
  image.reset();

  // The file lies in the volume's host folder, both separators lead there.
  EXPECT_TRUE(std::filesystem::exists(*machine->VolumeDirectory('E') + "/backup.img"));
  EXPECT_TRUE(machine->FileExists("E:/backup.img"));
  // Replacing or deleting the file gives its space back.
  ASSERT_TRUE(OpenOrFail(*machine, "e:\\backup.img", OpenMode::CreateAlways));
  EXPECT_EQ(machine->QueryFreeSpace("E:\\")->FreeBytes, 4096);
  ASSERT_TRUE(machine->DeleteFile("E:\\backup.img").ok());
  EXPECT_FALSE(machine->FileExists("E:\\backup.img"));
  EXPECT_EQ(machine->DeleteFile("E:\\backup.img").error().systemCode, 2);
}

TEST(SimulatedVolumes, FatVolumeRefusesFilesOf4GiBWhateverItsFreeSpace) {
  auto machine = Machine(FatTarget);
  ASSERT_TRUE(machine);
  for (const char* path : {"F:\\big.img", "N:\\big.img"}) {
    SCOPED_TRACE(path);
    auto file = OpenOrFail(*machine, path, OpenMode::CreateAlways);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Seek(0xFFFFFFFFLL - 1).ok());
    EXPECT_TRUE(file->Write(test_support::Bytes("x")).ok());  // the file is now 4 GiB - 1 bytes
    auto beyond = file->Write(test_support::Bytes("y"));
    EXPECT_EQ(beyond.ok(), std::string(path) == "N:\\big.img");
  }
}

TEST(SimulatedVolumes, PathsOutsideAUsableVolumeAreRefused) {
  auto machine = Machine(Letters);
  ASSERT_TRUE(machine);
  struct Refusal {
    const char* path;
    int code;
  };
  for (const Refusal& r :
       {Refusal{"Q:\\x.img", 3}, Refusal{"R:\\x.img", 21}, Refusal{"S:\\x.img", 1005},
        Refusal{"C:\\..\\escape.img", 3}, Refusal{"C:\\missing\\x.img", 3}, Refusal{"\\\\.\\Tape0", 2}}) {
    SCOPED_TRACE(r.path);
    auto opened = machine->Open(r.path, OpenMode::CreateAlways);
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().systemCode, r.code);
  }
  EXPECT_FALSE(machine->QueryVolumeOfPath("R:\\x.img"));
  EXPECT_FALSE(machine->QueryFreeSpace("Q:\\x.img"));
}

TEST(SimulatedVolumes, OtherPathsArePlainHostFiles) {
  test_support::ScratchFolder folder;
  auto machine = Machine("{}");
  ASSERT_TRUE(machine);
  const std::string path = folder / "plain.img";
  EXPECT_EQ(machine->QueryVolumeOfPath(path)->FileSystemName, "host");
  EXPECT_GT(machine->QueryFreeSpace(path)->TotalBytes, 0);
  ASSERT_TRUE(OpenOrFail(*machine, path, OpenMode::CreateAlways)->Write(test_support::Bytes("abc")).ok());
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  auto again = OpenOrFail(*machine, path, OpenMode::ReadWrite);
  ASSERT_TRUE(again);
  EXPECT_EQ(*again->Size(), 3);
  EXPECT_FALSE(again->QueryPartitionInfo() || again->QueryGeometry() || again->QueryLayout());
  EXPECT_EQ(machine->Open(folder / "none.img", OpenMode::Read).error().systemCode, 2);
}

}  // namespace
}  // namespace drivecopy

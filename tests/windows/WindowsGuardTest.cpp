// The destination guard of the Windows backend: file claims that a second
// claim cannot take, and where the written bytes lie on the drives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <variant>

#include "platform/windows/ElevationRights.h"
#include "platform/windows/UniqueHandle.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowsClaim.h"
#include "platform/windows/WindowsFileReplacement.h"
#include "platform/windows/WindowsStorage.h"
#include "platform/windows/WindowsVolumes.h"

namespace drivecopy::windows_backend {
namespace {

namespace fs = std::filesystem;

class FileClaimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("drivecopy-claim-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_ / "read-only.img", fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

std::optional<ClaimRefusalReason> RefusalOf(const ClaimResult& result) {
  if (const auto* refusal = std::get_if<ClaimRefusal>(&result)) return refusal->Reason;
  return std::nullopt;
}

TEST_F(FileClaimTest, ASecondClaimOfTheSameFileIsRefusedUntilTheFirstEnds) {
  const std::string image = Path("x.img");
  ClaimResult first = ClaimWindowsPath(image, {0, 0}, ClaimTarget::ImageFile);
  ASSERT_FALSE(RefusalOf(first));
  EXPECT_TRUE(fs::is_regular_file(image)) << "the image file is created empty";
  EXPECT_EQ(RefusalOf(ClaimWindowsPath(image, {0, 0}, ClaimTarget::ImageFile)), ClaimRefusalReason::InUse);
  EXPECT_EQ(RefusalOf(ClaimWindowsPath(image, {0, 8}, ClaimTarget::Destination)), ClaimRefusalReason::InUse);

  // The claim leaves the file's own bytes free for the job's writing handle.
  { std::ofstream(image, std::ios::binary) << "written while claimed"; }
  EXPECT_EQ(fs::file_size(image), 21u);

  first = ClaimRefusal{};
  EXPECT_FALSE(RefusalOf(ClaimWindowsPath(image, {0, 0}, ClaimTarget::ImageFile)));
}

TEST_F(FileClaimTest, WhatIsNoWritableRegularFileIsRefused) {
  EXPECT_EQ(RefusalOf(ClaimWindowsPath(folder_.string(), {0, 0}, ClaimTarget::ImageFile)),
            ClaimRefusalReason::NotRegularFile);
  { std::ofstream(Path("read-only.img")) << "x"; }
  fs::permissions(Path("read-only.img"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(RefusalOf(ClaimWindowsPath(Path("read-only.img"), {0, 1}, ClaimTarget::Destination)),
            ClaimRefusalReason::ReadOnly);
  // A log that does not exist yet is neither created nor refused.
  EXPECT_FALSE(RefusalOf(ClaimWindowsPath(Path("later.log"), {0, 0}, ClaimTarget::LogFile)));
  EXPECT_FALSE(fs::exists(Path("later.log")));
  // An image path that names a device is not a file.
  EXPECT_EQ(RefusalOf(ClaimWindowsPath("\\\\.\\C:", {0, 0}, ClaimTarget::ImageFile)),
            ClaimRefusalReason::NotRegularFile);
  EXPECT_TRUE(FindOccupants(Path("x.img"), {0, 100}).empty());
}

// A finished image takes its name while its temporary file is still held.
// The file it replaces is held with the right to delete it, so a reader that
// does not share that right (a restore reading the old image) refuses the
// claim at the start, not the rename at the end.
TEST_F(FileClaimTest, AnImageTakesTheNameOfTheOneItReplacesWhileItsClaimIsHeld) {
  const std::string image = Path("x.img");
  const std::string written = Path("x.img.drivecopy-partial");
  { std::ofstream(image, std::ios::binary) << "old"; }
  {
    UniqueHandle reader(::CreateFileW(Widen(image).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(RefusalOf(ClaimWindowsPath(image, {0, 0}, ClaimTarget::ReplacedImage)),
              ClaimRefusalReason::InUse);
  }
  ClaimResult temporary = ClaimWindowsPath(written, {0, 0}, ClaimTarget::ImageFile);
  ASSERT_FALSE(RefusalOf(temporary));
  { std::ofstream(written, std::ios::binary) << "new image"; }
  {
    const ClaimResult old = ClaimWindowsPath(image, {0, 0}, ClaimTarget::ReplacedImage);
    ASSERT_FALSE(RefusalOf(old));
  }  // let go before the rename, as the job does

  const auto renamed = RenameOverFile(written, image);
  ASSERT_TRUE(renamed) << renamed.error().text;
  EXPECT_FALSE(fs::exists(written));
  std::ifstream in(image, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new image");
  // Nothing but a regular file is replaced.
  { std::ofstream(written, std::ios::binary) << "again"; }
  EXPECT_FALSE(RenameOverFile(written, folder_.string()));
  EXPECT_TRUE(fs::is_directory(folder_));
}

TEST(DiskBytes, APhysicalDrivesRangeIsItsOwnBytesAndRangesMeetOnlyOnOneDrive) {
  const auto bytes = DiskBytesOf("\\\\.\\PhysicalDrive3", {2048, 4096});
  ASSERT_EQ(bytes.size(), 1u);
  EXPECT_EQ(bytes[0].DiskNumber, 3u);
  EXPECT_EQ(bytes[0].StartingOffset, 2048 * 512);
  EXPECT_EQ(bytes[0].Length, 2048 * 512);
  EXPECT_EQ(DiskBytesOf("\\\\.\\physicaldrive12", {0, 1}).front().DiskNumber, 12u);

  struct Case {
    DiskExtent First, Second;
    bool Meet;
  };
  for (const Case& c : {Case{{0, 0, 100}, {0, 99, 10}, true}, Case{{0, 0, 100}, {0, 100, 10}, false},
                        Case{{0, 0, 100}, {1, 0, 100}, false}, Case{{2, 50, 0}, {2, 0, 100}, false}}) {
    EXPECT_EQ(ExtentsMeet({c.First}, {c.Second}), c.Meet)
        << c.First.StartingOffset << " " << c.Second.StartingOffset;
  }
}

TEST(WineDrives, LettersComeWithTheirThreeNames) {
  const auto drives = ListLogicalDrives();
  const auto c =
      std::find_if(drives.begin(), drives.end(), [](const LogicalDrive& d) { return d.DriveName == "C:"; });
  ASSERT_NE(c, drives.end());
  EXPECT_EQ(c->RootPath, "C:\\");
  EXPECT_EQ(c->DevicePath, "\\\\.\\C:");
  EXPECT_FALSE(c->IsFloppySlot);
  EXPECT_EQ(DriveTypeOfRoot(c->RootPath), 3);  // fixed
  EXPECT_TRUE(VolumeInformationOfRoot(c->RootPath));
  EXPECT_EQ(VolumeRootOf(fs::temp_directory_path().string()), std::optional<std::string>("C:\\"));
  auto free = FreeSpaceOfPath((fs::temp_directory_path() / "not-yet" / "x.img").string());
  ASSERT_TRUE(free);
  EXPECT_GT(free->TotalBytes, 0);
}

TEST(Elevation, WinesUserHoldsAdministratorRights) { EXPECT_TRUE(MakeElevationRights()->Held()); }

}  // namespace
}  // namespace drivecopy::windows_backend

// Rules of the Linux backend that need no device: text formats it reads and
// writes, and the order and names it gives.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/SessionFacts.h"
#include "platform/linux/SettingsFile.h"
#include "platform/linux/SysfsBlock.h"
#include "platform/linux/SystemdServices.h"

namespace drivecopy {
namespace {
namespace fs = std::filesystem;
using linux_backend::DatePatternFromStrftime;
using linux_backend::IsPhysicalDisk;
using linux_backend::MountHoldingPath;
using linux_backend::MountPointContains;
using linux_backend::OverlayLayerFolders;
using linux_backend::ParseMountInfo;
using linux_backend::ParseSystemdTimespanMilliseconds;
using linux_backend::PhysicalDiskNameBefore;
using linux_backend::ServiceStateOf;
using linux_backend::SettingsFile;
using linux_backend::WholeDiskFacts;

TEST(LinuxBackendRules, MountInfoFieldsWithOptionalFieldsAndEscapes) {
  const auto entries = ParseMountInfo(
      "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "90 28 7:3 /sub /mnt/my\\040disk rw master:2 shared:7 - vfat /dev/loop3p1 rw\n"
      "garbage line\n"
      "22 28 0:21 / /proc rw - proc proc rw");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].Major, 7u);
  EXPECT_EQ(entries[1].Minor, 3u);
  EXPECT_EQ(entries[1].Root, "/sub");
  EXPECT_EQ(entries[1].MountPoint, "/mnt/my disk");
  EXPECT_EQ(entries[1].FileSystemType, "vfat");
  EXPECT_EQ(entries[1].Source, "/dev/loop3p1");
  EXPECT_EQ(entries[2].Source, "proc");

  // An overlay names its folders in its own options, escaped like the fields.
  const auto overlay = ParseMountInfo(
      "41 28 0:41 / /merged rw - overlay overlay "
      "rw,lowerdir=/low/a:/low/b\\054c,upperdir=/up,workdir=/work\n");
  ASSERT_EQ(overlay.size(), 1u);
  EXPECT_EQ(OverlayLayerFolders(overlay[0]), (std::vector<std::string>{"/low/a", "/low/b,c", "/up"}));
  EXPECT_TRUE(OverlayLayerFolders(entries[1]).empty());
  EXPECT_EQ(MountHoldingPath(entries, "/mnt/my disk/x.bin"), &entries[1]);
  EXPECT_EQ(MountHoldingPath(entries, "/mnt/my diskette"), &entries[0]);

  EXPECT_TRUE(MountPointContains("/", "/tmp"));
  EXPECT_TRUE(MountPointContains("/mnt/a", "/mnt/a"));
  EXPECT_TRUE(MountPointContains("/mnt/a", "/mnt/a/b"));
  EXPECT_FALSE(MountPointContains("/mnt/a", "/mnt/ab"));
}

TEST(LinuxBackendRules, ShortDatePatternIsAlwaysAUsableFileNamePart) {
  const std::pair<const char*, const char*> cases[] = {
      {"%d.%m.%Y", "dd.MM.yyyy"},
      {"%Y-%m-%d", "yyyy-MM-dd"},
      {"%d/%m/%Y", "yyyy-MM-dd"},
      {"%m/%d/%y", "yyyy-MM-dd"},
      {"%e.%-m.%y", "d.M.yy"},
      {"%F", "yyyy-MM-dd"},
      {"%Y年%m月%d日", "yyyy年MM月dd日"},
      {"%a %d", "yyyy-MM-dd"},
      {"", "yyyy-MM-dd"},
      {"%", "yyyy-MM-dd"},
  };
  for (const auto& [format, pattern] : cases) EXPECT_EQ(DatePatternFromStrftime(format), pattern) << format;
}

TEST(LinuxBackendRules, SystemdTimespansAndStates) {
  EXPECT_EQ(ParseSystemdTimespanMilliseconds("1min 30s"), 90000u);
  EXPECT_EQ(ParseSystemdTimespanMilliseconds("500ms"), 500u);
  EXPECT_EQ(ParseSystemdTimespanMilliseconds("2h"), 7200000u);
  EXPECT_EQ(ParseSystemdTimespanMilliseconds("infinity"), std::nullopt);
  EXPECT_EQ(ParseSystemdTimespanMilliseconds(""), std::nullopt);
  EXPECT_EQ(ParseSystemdTimespanMilliseconds("."), std::nullopt);

  EXPECT_EQ(ServiceStateOf("loaded", "active"), ServiceRunning);
  EXPECT_EQ(ServiceStateOf("loaded", "activating"), ServiceStartPending);
  EXPECT_EQ(ServiceStateOf("loaded", "reloading"), ServiceStartPending);
  EXPECT_EQ(ServiceStateOf("loaded", "deactivating"), ServiceStopPending);
  EXPECT_EQ(ServiceStateOf("loaded", "failed"), ServiceStopped);
  EXPECT_EQ(ServiceStateOf("not-found", "inactive"), ServiceStopped);
}

TEST(LinuxBackendRules, ServicesOfOtherMachinesOrWithoutSystemdFailWithAReason) {
  auto platform = MakeLinuxPlatform();
  auto remote = platform->OpenService("othermachine", "VSS", ServiceAccess::Query);
  ASSERT_FALSE(remote.ok());
  EXPECT_NE(remote.error().text.find("othermachine"), std::string::npos);
  if (!fs::is_directory("/run/systemd/system")) {
    auto local = platform->OpenService("", "VSS", ServiceAccess::Query);
    ASSERT_FALSE(local.ok());
    EXPECT_NE(local.error().text.find("systemd"), std::string::npos);
  }
}

TEST(LinuxBackendRules, RealDisksAreNumberedFirstInKernelOrderAndLoopDevicesLast) {
  std::vector<std::string> names{"vda",      "sdaa",    "loop10", "sdb", "nvme0n2", "loop2", "sdz",
                                 "nvme0n10", "mmcblk0", "xvdb",   "hda", "nbd1",    "nbd0",  "pmem0"};
  std::sort(names.begin(), names.end(), PhysicalDiskNameBefore);
  EXPECT_EQ(names, (std::vector<std::string>{"nvme0n2", "nvme0n10", "sdb", "sdz", "sdaa", "vda", "mmcblk0",
                                             "hda", "xvdb", "nbd0", "nbd1", "pmem0", "loop2", "loop10"}));
}

TEST(LinuxBackendRules, WhichWholeDisksArePhysicalDrives) {
  auto disk = [](std::string name) {
    WholeDiskFacts facts;
    facts.Name = std::move(name);
    facts.SizeSectors = 2048;
    return facts;
  };
  auto loop = [&](bool attached, std::int64_t size, bool readOnly, bool squashfs) {
    WholeDiskFacts facts = disk("loop7");
    facts.LoopAttached = attached;
    facts.SizeSectors = size;
    facts.ReadOnly = readOnly;
    facts.BackedBySquashfs = squashfs;
    return facts;
  };
  auto with = [](WholeDiskFacts facts, bool WholeDiskFacts::*flag) {
    facts.*flag = true;
    return facts;
  };
  struct Case {
    WholeDiskFacts Facts;
    bool Listed;
  };
  const Case cases[] = {
      {disk("sda"), true},
      {disk("nvme1n1"), true},
      {disk("mmcblk2"), true},
      {disk("nbd0"), true},  // a kind of disk without a family of its own still counts
      {[&] {
         auto f = disk("sdc");
         f.SizeSectors = 0;
         return f;
       }(),
       true},  // no medium: its probe leaves it out
      {disk("sda1"), false},
      {disk("nvme0n1p2"), false},
      {disk("mmcblk0boot0"), false},
      {disk("mmcblk0rpmb"), false},
      {disk("zram0"), false},
      {disk("dm-0"), false},
      {disk("md127"), false},
      {disk("ram0"), false},
      {disk("fd0"), false},
      {disk("sr0"), false},
      {with(disk("sdd"), &WholeDiskFacts::Optical), false},  // a USB DVD drive named sd
      {with(disk("nvme0c0n1"), &WholeDiskFacts::Hidden), false},
      {loop(true, 2048, false, false), true},
      {loop(true, 2048, true, false), true},  // read-only, but not a package image
      {loop(true, 2048, false, true), true},  // a squashfs someone may write to
      {loop(true, 2048, true, true), false},  // a snap package
      {loop(false, 0, false, false), false},  // not attached
      {loop(true, 0, false, false), false},   // attached to an empty file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPhysicalDisk(c.Facts), c.Listed)
        << c.Facts.Name << " attached " << c.Facts.LoopAttached << " ro " << c.Facts.ReadOnly << " squashfs "
        << c.Facts.BackedBySquashfs << " size " << c.Facts.SizeSectors;
  }
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "drivecopy-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    path_ = (directory_ / "etc" / "drivecopy" / "settings.json").string();
  }
  void TearDown() override { fs::remove_all(directory_); }
  void WriteRaw(const std::string& text) {
    fs::create_directories(fs::path(path_).parent_path());
    std::ofstream(path_) << text;
  }
  fs::path directory_;
  std::string path_;
};

TEST_F(SettingsFileTest, ValuesAreNumbersOnlyWhenTheyAreUnsigned32BitIntegers) {
  WriteRaw(R"({"Language": 3, "Big": 4294967295, "TooBig": 4294967296, "Negative": -1,
              "Fraction": 2.5, "Text": "2"})");
  SettingsFile settings(path_);
  EXPECT_EQ(settings.Read("Language").Kind, SettingValue::Type::Number);
  EXPECT_EQ(settings.Read("Language").Number, 3u);
  EXPECT_EQ(settings.Read("Big").Number, 4294967295u);
  for (const char* other : {"TooBig", "Negative", "Fraction", "Text"})
    EXPECT_EQ(settings.Read(other).Kind, SettingValue::Type::Other) << other;
  EXPECT_EQ(settings.Read("Missing").Kind, SettingValue::Type::Missing);
}

TEST_F(SettingsFileTest, WritesCreateTheFolderKeepOtherValuesAndReplaceADamagedFile) {
  // Through the platform, as the program finds the file.
  ::setenv("DRIVECOPY_SETTINGS_FILE", path_.c_str(), 1);
  auto platform = MakeLinuxPlatform();
  ASSERT_TRUE(platform->EnsureSettingsStore());
  ASSERT_TRUE(platform->WriteSettingNumber("Language", 4));
  ASSERT_TRUE(platform->WriteSettingNumber("Other", 7));
  EXPECT_EQ(platform->ReadSetting("Language").Number, 4u);
  EXPECT_EQ(platform->ReadSetting("Other").Number, 7u);
  struct stat status {};
  ASSERT_EQ(::stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path_).parent_path()), fs::directory_iterator()),
            1);

  WriteRaw("{ not json");
  EXPECT_EQ(platform->ReadSetting("Language").Kind, SettingValue::Type::Missing);
  ASSERT_TRUE(platform->WriteSettingNumber("Language", 2));
  EXPECT_EQ(platform->ReadSetting("Language").Number, 2u);
  ::unsetenv("DRIVECOPY_SETTINGS_FILE");
}

TEST_F(SettingsFileTest, NotPermittedWritesReportFalse) {
  // Not even root may create files under /proc.
  SettingsFile settings("/proc/drivecopy/settings.json");
  EXPECT_FALSE(settings.Ensure());
  EXPECT_FALSE(settings.WriteNumber("Language", 2));
}

}  // namespace
}  // namespace drivecopy

// The Windows handle on an ordinary file, opened unbuffered as raw devices
// are: the system then moves whole sectors between aligned memory and the
// medium, and the handle must go through an aligned buffer for anything
// else without changing a byte around what it writes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <vector>

#include "platform/AlignedBuffer.h"
#include "platform/windows/WindowsDeviceHandle.h"

namespace drivecopy::windows_backend {
namespace {

namespace fs = std::filesystem;

class UnbufferedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() / ("drivecopy-unbuffered-" + std::to_string(std::random_device{}())))
                .string();
    bytes_.resize(64 * 1024);
    std::iota(bytes_.begin(), bytes_.end(), std::uint8_t{0});
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
  }
  void TearDown() override { fs::remove(path_); }

  std::vector<std::uint8_t> FileBytes() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string path_;
  std::vector<std::uint8_t> bytes_;
};

TEST_F(UnbufferedFileTest, AlignedAndUnalignedReadsGiveTheFilesBytes) {
  auto opened = OpenWindowsFile(path_, OpenMode::ReadWrite, Buffering::Unbuffered);
  ASSERT_TRUE(opened) << opened.error().text;
  DeviceHandle& handle = **opened;
  EXPECT_EQ(handle.PreferredAlignment(), 4096u);

  AlignedBuffer aligned(8192, handle.PreferredAlignment());
  ASSERT_TRUE(handle.Seek(4096));
  auto got = handle.Read(std::span(aligned.data(), aligned.size()));
  ASSERT_TRUE(got) << got.error().text;
  EXPECT_EQ(*got, 8192u);
  EXPECT_EQ(std::memcmp(aligned.data(), bytes_.data() + 4096, 8192), 0);

  // Offset, length and memory all off the sector grid.
  std::vector<std::byte> odd(1000);
  ASSERT_TRUE(handle.Seek(513));
  got = handle.Read(odd);
  ASSERT_TRUE(got) << got.error().text;
  EXPECT_EQ(*got, 1000u);
  EXPECT_EQ(std::memcmp(odd.data(), bytes_.data() + 513, 1000), 0);

  // Reading over the end gives what there is.
  ASSERT_TRUE(handle.Seek(64 * 1024 - 100));
  got = handle.Read(odd);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, 100u);
}

TEST_F(UnbufferedFileTest, UnalignedWritesKeepTheBytesAroundThem) {
  {
    auto opened = OpenWindowsFile(path_, OpenMode::ReadWrite, Buffering::Unbuffered);
    ASSERT_TRUE(opened) << opened.error().text;
    DeviceHandle& handle = **opened;
    std::vector<std::byte> patch(700, std::byte{0xEE});
    ASSERT_TRUE(handle.Seek(4000));  // across the first sector boundary
    auto written = handle.Write(patch);
    ASSERT_TRUE(written) << written.error().text;
    EXPECT_EQ(*written, 700u);

    AlignedBuffer block(4096, 4096);
    std::memset(block.data(), 0x5A, 4096);
    ASSERT_TRUE(handle.Seek(8192));
    ASSERT_TRUE(handle.Write(std::span<const std::byte>(block.data(), block.size())));
    ASSERT_TRUE(handle.Flush());
  }
  std::vector<std::uint8_t> expected = bytes_;
  std::fill(expected.begin() + 4000, expected.begin() + 4700, 0xEE);
  std::fill(expected.begin() + 8192, expected.begin() + 12288, 0x5A);
  EXPECT_EQ(FileBytes(), expected);
}

TEST(WindowsDevicePaths, WhatIsNoFileOrDeviceIsRefused) {
  for (const std::string& path :
       {fs::temp_directory_path().string(), std::string("NUL"), std::string("CON")}) {
    auto opened = OpenWindowsDevice(path, OpenMode::Read);
    EXPECT_FALSE(opened) << path;
  }
  auto created = OpenWindowsDevice("\\\\.\\PhysicalDrive0", OpenMode::CreateAlways);
  EXPECT_FALSE(created);
}

}  // namespace
}  // namespace drivecopy::windows_backend

// Raw reads and writes of a real block device through direct I/O.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "LoopDevice.h"
#include "platform/linux/LinuxPlatform.h"

namespace drivecopy {
namespace {

using test_support::LoopDevice;

constexpr std::int64_t kDiskBytes = 4LL << 20;

std::byte PatternAt(std::int64_t offset) {
  return static_cast<std::byte>((offset * 7 + offset / 512) & 0xFF);
}

std::vector<std::byte> Pattern(std::int64_t bytes) {
  std::vector<std::byte> data(static_cast<std::size_t>(bytes));
  for (std::int64_t i = 0; i < bytes; ++i) data[static_cast<std::size_t>(i)] = PatternAt(i);
  return data;
}

std::vector<std::byte> BackingBytes(const std::string& file, std::int64_t offset, std::size_t length) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(offset);
  std::vector<std::byte> data(length);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(length));
  return data;
}

TEST(LoopDirectIo, ReadsMatchWhatWasWrittenWhateverTheAlignment) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes, Pattern(kDiskBytes));
  auto platform = MakeLinuxPlatform();
  auto opened = platform->Open(disk.DevicePath(), OpenMode::Read);
  ASSERT_TRUE(opened.ok()) << opened.error().text;
  auto& device = *opened.value();
  ASSERT_GE(device.PreferredAlignment(), 512u) << "block device not opened for direct I/O";
  ASSERT_EQ(device.Size().value(), kDiskBytes);

  struct Case {
    const char* Name;
    std::int64_t Offset;
    std::size_t Length;
    std::size_t BufferShift;  // bytes past an aligned address
  };
  const Case cases[] = {
      {"aligned block", 65536, 65536, 0},          {"misaligned buffer", 512, 4096, 1},
      {"odd offset and length", 1000, 3001, 0},    {"spans more than a bounce chunk", 511, (2u << 20) + 3, 3},
      {"single sector", kDiskBytes - 512, 512, 0},
  };
  std::vector<std::byte> arena((4u << 20) + 8192);
  auto* aligned = reinterpret_cast<std::byte*>((reinterpret_cast<std::uintptr_t>(arena.data()) + 4095) &
                                               ~std::uintptr_t{4095});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::span<std::byte> buffer(aligned + c.BufferShift, c.Length);
    ASSERT_TRUE(device.Seek(c.Offset).ok());
    auto got = device.Read(buffer);
    ASSERT_TRUE(got.ok()) << got.error().text;
    ASSERT_EQ(got.value(), c.Length);
    bool same = true;
    for (std::size_t i = 0; i < c.Length && same; ++i)
      same = buffer[i] == PatternAt(c.Offset + static_cast<std::int64_t>(i));
    EXPECT_TRUE(same);
  }

  // At the end of the device a read gives what is left, then nothing.
  std::vector<std::byte> tail(4096);
  ASSERT_TRUE(device.Seek(kDiskBytes - 100).ok());
  EXPECT_EQ(device.Read(tail).value(), 100u);
  EXPECT_EQ(device.Read(tail).value(), 0u);
}

TEST(LoopDirectIo, UnalignedWritesKeepTheBytesAroundThem) {
  SKIP_WITHOUT_LOOP_DEVICES();
  LoopDevice disk(kDiskBytes, Pattern(kDiskBytes));
  auto platform = MakeLinuxPlatform();
  auto opened = platform->Open(disk.WritablePath(disk.DevicePath()), OpenMode::ReadWrite);
  ASSERT_TRUE(opened.ok()) << opened.error().text;
  auto& device = *opened.value();

  struct Case {
    std::int64_t Offset;
    std::size_t Length;
  };
  const Case cases[] = {{700, 100}, {4000, 1500}, {8192, 512}, {20000, 70000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Offset);
    std::vector<std::byte> data(c.Length, std::byte{0xA5});
    ASSERT_TRUE(device.Seek(c.Offset).ok());
    auto put = device.Write(data);
    ASSERT_TRUE(put.ok()) << put.error().text;
    EXPECT_EQ(put.value(), c.Length);
  }
  ASSERT_TRUE(device.Flush().ok());

  // Compare the whole backing file with the pattern overlaid by the writes.
  auto expected = Pattern(kDiskBytes);
  for (const auto& c : cases) std::memset(expected.data() + c.Offset, 0xA5, c.Length);
  EXPECT_TRUE(BackingBytes(disk.BackingFile(), 0, static_cast<std::size_t>(kDiskBytes)) == expected);

  // Writing past the end of the device fails instead of being cut short.
  std::vector<std::byte> beyond(1000, std::byte{1});
  ASSERT_TRUE(device.Seek(kDiskBytes - 300).ok());
  EXPECT_FALSE(device.Write(beyond).ok());
}

}  // namespace
}  // namespace drivecopy

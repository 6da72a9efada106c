#include <gtest/gtest.h>

#include "platform/GptPartitionTypes.h"

namespace drivecopy {
namespace {

TEST(GptPartitionTypes, TypeGuidsMapToNonZeroTypeBytes) {
  EXPECT_EQ(TypeByteForGptType("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"), 0x07);
  EXPECT_EQ(TypeByteForGptType("0fc63daf-8483-4772-8e79-3d69d8477de4"), 0x83);
  EXPECT_EQ(TypeByteForGptType("0657fd6d-a4ab-43c4-84e5-0933c84b4f4f"), 0x82);
  EXPECT_EQ(TypeByteForGptType("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"), 0xEF);
  EXPECT_EQ(TypeByteForGptType("E6D6D379-F507-44C2-A23C-238F2A3DF928"), 0xDA);
  EXPECT_EQ(TypeByteForGptType(""), 0xDA);
}

}  // namespace
}  // namespace drivecopy

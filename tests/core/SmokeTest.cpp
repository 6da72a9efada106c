#include <gtest/gtest.h>

#include "disk/KindTags.h"

TEST(KindTags, KeepTheirStoredValues) { EXPECT_EQ(drivecopy::KindPartition, 0x62); }

#include <gtest/gtest.h>

#include <optional>

#include "support/FakeSettingsPlatform.h"
#include "text/StoredLanguage.h"

namespace drivecopy {
namespace {

using test_support::FakeSettingsPlatform;

struct StoredCase {
  const char* Name;
  std::optional<SettingValue> Stored;
  int Expected;
  bool WrittenBack;
};

TEST(StoredLanguage, KeepsAValidNumberAndReplacesAnythingElseByEnglish) {
  using Type = SettingValue::Type;
  const StoredCase cases[] = {
      {"missing", std::nullopt, 2, true},
      {"zero", SettingValue{Type::Number, 0}, 2, true},
      {"seven", SettingValue{Type::Number, 7}, 2, true},
      {"huge", SettingValue{Type::Number, 0xFFFFFFFFu}, 2, true},
      {"a string", SettingValue{Type::Other, 0}, 2, true},
      {"German", SettingValue{Type::Number, 1}, 1, false},
      {"Spanish", SettingValue{Type::Number, 6}, 6, false},
  };
  for (const StoredCase& c : cases) {
    FakeSettingsPlatform platform;
    if (c.Stored) platform.Settings["Language"] = *c.Stored;

    EXPECT_EQ(ReadStoredLanguage(platform), c.Expected) << c.Name;

    const SettingValue after = platform.ReadSetting("Language");
    EXPECT_EQ(platform.SettingWrites, c.WrittenBack ? 1 : 0) << c.Name;
    EXPECT_EQ(after.Kind, SettingValue::Type::Number) << c.Name;
    EXPECT_EQ(after.Number, static_cast<std::uint32_t>(c.Expected)) << c.Name;
  }
}

TEST(StoredLanguage, StartsWithoutAWritableStore) {
  FakeSettingsPlatform empty;
  empty.StoreWritable = false;
  EXPECT_EQ(ReadStoredLanguage(empty), 2);
  EXPECT_EQ(empty.ReadSetting("Language").Kind, SettingValue::Type::Missing);

  // A store that can be read but not written starts in English too.
  FakeSettingsPlatform readOnly;
  readOnly.StoreWritable = false;
  readOnly.Settings["Language"] = SettingValue{SettingValue::Type::Number, 1};
  EXPECT_EQ(ReadStoredLanguage(readOnly), 2);
}

}  // namespace
}  // namespace drivecopy

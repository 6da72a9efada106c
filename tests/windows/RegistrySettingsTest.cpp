// The settings as values of a registry key: a throwaway key under
// HKEY_CURRENT_USER for the kinds of value, and the program's own key under
// HKEY_LOCAL_MACHINE (writable in wine's prefix), put back as it was.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/windows/RegistrySettings.h"
#include "platform/windows/WideText.h"
#include "text/StoredLanguage.h"

namespace drivecopy::windows_backend {
namespace {

class RegistrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { subKey_ = "Software\\drivecopy-test-" + std::to_string(std::random_device{}()); }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(subKey_).c_str()); }

  void StoreRaw(const std::string& key, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Widen(key).c_str(), L"Language", type, data, size),
              ERROR_SUCCESS);
  }

  std::string subKey_;
};

TEST_F(RegistrySettingsTest, ANumberWrittenIsReadBack) {
  RegistrySettings settings(HKEY_CURRENT_USER, subKey_);
  EXPECT_EQ(settings.Read(LanguageSettingName).Kind, SettingValue::Type::Missing);  // no key
  // Writing creates the key where there is none.
  ASSERT_TRUE(settings.WriteNumber(LanguageSettingName, 3));
  SettingValue read = settings.Read(LanguageSettingName);
  EXPECT_EQ(read.Kind, SettingValue::Type::Number);
  EXPECT_EQ(read.Number, 3u);

  ASSERT_TRUE(settings.WriteNumber(LanguageSettingName, 0xFFFFFFFFu));
  read = settings.Read(LanguageSettingName);
  EXPECT_EQ(read.Kind, SettingValue::Type::Number);
  EXPECT_EQ(read.Number, 0xFFFFFFFFu);
  EXPECT_EQ(settings.Read("Other").Kind, SettingValue::Type::Missing);  // key there, value not
}

TEST_F(RegistrySettingsTest, EnsureCreatesTheKeyWithoutValues) {
  RegistrySettings settings(HKEY_CURRENT_USER, subKey_ + "\\Nested");
  EXPECT_TRUE(settings.Ensure());
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(subKey_ + "\\Nested").c_str(), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(settings.Read(LanguageSettingName).Kind, SettingValue::Type::Missing);
  EXPECT_TRUE(settings.Ensure());  // an existing key is fine too
}

TEST_F(RegistrySettingsTest, AValueThatIsNoFourByteDwordIsOther) {
  const wchar_t shortText[] = L"3";
  const wchar_t longText[] = L"a text longer than a number";
  const BYTE fourBytes[4] = {3, 0, 0, 0};
  const BYTE eightBytes[8] = {3, 0, 0, 0, 0, 0, 0, 0};
  struct OtherCase {
    const char* what;
    DWORD type;
    const void* data;
    DWORD size;
  };
  const std::vector<OtherCase> cases = {
      {"short string", REG_SZ, shortText, sizeof shortText},
      {"string longer than four bytes", REG_SZ, longText, sizeof longText},
      {"four binary bytes", REG_BINARY, fourBytes, sizeof fourBytes},
      {"64-bit number", REG_QWORD, eightBytes, sizeof eightBytes},
      {"dword of two bytes", REG_DWORD, fourBytes, 2},
  };
  RegistrySettings settings(HKEY_CURRENT_USER, subKey_);
  for (const OtherCase& c : cases) {
    StoreRaw(subKey_, c.type, c.data, c.size);
    EXPECT_EQ(settings.Read(LanguageSettingName).Kind, SettingValue::Type::Other) << c.what;
  }
  // A number written over one of them makes it a number again.
  ASSERT_TRUE(settings.WriteNumber(LanguageSettingName, 2));
  EXPECT_EQ(settings.Read(LanguageSettingName).Kind, SettingValue::Type::Number);
}

TEST_F(RegistrySettingsTest, AKeyThatCannotBeCreatedIsNotEnsured) {
  // A volatile key holds only volatile keys; the settings' key is not one.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Widen(subKey_).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_WRITE, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(volatileKey);
  RegistrySettings settings(HKEY_CURRENT_USER, subKey_ + "\\Settings");
  EXPECT_FALSE(settings.Ensure());
  EXPECT_FALSE(settings.WriteNumber(LanguageSettingName, 1));
  EXPECT_EQ(settings.Read(LanguageSettingName).Kind, SettingValue::Type::Missing);
}

// The program's key as it was before the test: whether it existed, and the
// language value's type and bytes if there was one.
class SavedMachineValue {
 public:
  SavedMachineValue() {
    HKEY key = nullptr;
    keyExisted_ = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, SubKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!keyExisted_) return;
    DWORD size = 0;
    if (::RegQueryValueExW(key, L"Language", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      bytes_.emplace(size);
      ::RegQueryValueExW(key, L"Language", nullptr, &type_, bytes_->data(), &size);
    }
    ::RegCloseKey(key);
  }
  ~SavedMachineValue() {
    if (!keyExisted_) {
      ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, SubKey);
      ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, SubKey);
    } else if (bytes_) {
      ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, SubKey, L"Language", type_, bytes_->data(),
                        static_cast<DWORD>(bytes_->size()));
    } else {
      ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, SubKey, L"Language");
    }
  }
  SavedMachineValue(const SavedMachineValue&) = delete;
  SavedMachineValue& operator=(const SavedMachineValue&) = delete;

  static constexpr const wchar_t* SubKey = L"SOFTWARE\\FreeTALVO_DriveCloning";

 private:
  bool keyExisted_ = false;
  DWORD type_ = REG_NONE;
  std::optional<std::vector<BYTE>> bytes_;
};

TEST(MachineRegistrySettings, TheProgramsKeyHoldsTheLanguage) {
  SavedMachineValue saved;
  RegistrySettings settings = MachineRegistrySettings();
  ASSERT_TRUE(settings.Ensure());
  ASSERT_TRUE(settings.WriteNumber(LanguageSettingName, 4));

  DWORD stored = 0;
  DWORD size = sizeof stored;
  ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, SavedMachineValue::SubKey, L"Language", RRF_RT_REG_DWORD,
                           nullptr, &stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(stored, 4u);
  const SettingValue read = settings.Read(LanguageSettingName);
  EXPECT_EQ(read.Kind, SettingValue::Type::Number);
  EXPECT_EQ(read.Number, 4u);
}

}  // namespace
}  // namespace drivecopy::windows_backend

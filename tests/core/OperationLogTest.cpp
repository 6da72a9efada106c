#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "jobs/LogFileNames.h"
#include "jobs/OperationLog.h"
#include "support/FakeSettingsPlatform.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

namespace drivecopy {
namespace {

using test_support::FakeSettingsPlatform;

// The file a log must be: FF FE, then the text in UTF-16 little-endian.
std::vector<std::byte> LogBytes(std::u16string_view text) {
  std::vector<std::byte> bytes{std::byte{0xFF}, std::byte{0xFE}};
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::byte>(unit & 0xFF));
    bytes.push_back(static_cast<std::byte>(unit >> 8));
  }
  return bytes;
}

TEST(OperationLog, WritesTheMemoAsUtf16LinesEachEndingInCrLf) {
  struct Case {
    const char* Name;
    std::vector<std::string> Memo;
    std::u16string Expected;
  } cases[] = {
      {"plain lines", {"Source drive:", "Ready"}, u"Source drive:\r\nReady\r\n"},
      {"a line with a break becomes two",
       {"Disk 1\r\nPartition 2", "x\ny"},
       u"Disk 1\r\nPartition 2\r\nx\r\ny\r\n"},
      {"a trailing break leaves an empty line", {"werden.\r\n"}, u"werden.\r\n\r\n"},
      {"non-ASCII and beyond the BMP",
       {"Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x92\xBE"},
       u"Gr\u00F6\u00DFe \u20AC \U0001F4BE\r\n"},
      {"invalid UTF-8 becomes U+FFFD",
       {"a\xFF"
        "b\xE2\x82"},
       u"a\uFFFDb\uFFFD\uFFFD\r\n"},
      {"an empty memo is only the mark", {}, u""},
  };
  for (const Case& c : cases) {
    FakeSettingsPlatform platform;
    platform.Files["E:\\log.txt"] = {std::byte{1}, std::byte{2}, std::byte{3}};  // replaced

    Outcome<void> written = WriteOperationLog(platform, "E:\\log.txt", c.Memo);

    ASSERT_TRUE(written.ok()) << c.Name << ": " << written.error().text;
    EXPECT_EQ(platform.Files["E:\\log.txt"], LogBytes(c.Expected)) << c.Name;
  }
}

TEST(OperationLog, ReportsAFailureNamingTheFile) {
  for (bool FakeSettingsPlatform::*failure :
       {&FakeSettingsPlatform::FailOpen, &FakeSettingsPlatform::FailWrite,
        &FakeSettingsPlatform::FailFlush}) {
    FakeSettingsPlatform platform;
    platform.*failure = true;

    Outcome<void> written = WriteOperationLog(platform, "/no/such/dir/x.img.log", {"Ready"});

    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().text.find("/no/such/dir/x.img.log"), std::string::npos) << written.error().text;
    EXPECT_NE(written.error().systemCode.value_or(0), 0);
  }
}

TEST(LogFileNames, CreateImageLogAppendsDotLog) {
  EXPECT_EQ(CreateImageLogName("D:\\backup.img"), "D:\\backup.img.log");
  EXPECT_EQ(CreateImageLogName("D:\\x"), "D:\\x.log");
}

TEST(LogFileNames, CloneLogLiesInTheCurrentDirectoryAndCarriesTheDate) {
  const CalendarDate ides{2013, 3, 15};
  struct Case {
    const char* Directory;
    char Separator;
    const char* Format;
    const char* Expected;
  } cases[] = {
      {"E:\\Tools", '\\', "dd.MM.yyyy", "E:\\Tools\\TALVO_Cloning_Log 15.03.2013.txt"},
      {"E:\\", '\\', "dd.MM.yyyy", "E:\\TALVO_Cloning_Log 15.03.2013.txt"},
      {"/home/ann/", '/', "yyyy-MM-dd", "/home/ann/TALVO_Cloning_Log 2013-03-15.txt"},
      // A date separator that a file name cannot hold must not make a path.
      {"/home/ann", '/', "M/d/yyyy", "/home/ann/TALVO_Cloning_Log 3-15-2013.txt"},
      {"C:\\Work", '\\', "dd\\MM\\yy", "C:\\Work\\TALVO_Cloning_Log 15-03-13.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CloneLogName(c.Directory, c.Separator, c.Format, ides), c.Expected);
  }
}

TEST(LogFileNames, FormatsWindowsDatePatterns) {
  struct Case {
    const char* Pattern;
    CalendarDate Date;
    const char* Expected;
  } cases[] = {
      {"d.M.yy", {2013, 3, 5}, "5.3.13"},
      {"dd/MM/yyyy", {2013, 3, 5}, "05/03/2013"},
      {"yy", {2005, 1, 1}, "05"},
      {"y", {2005, 1, 1}, "5"},
      {"ddd, d MMM yyyy", {2013, 3, 5}, "Tue, 5 Mar 2013"},
      {"dddd d MMMM", {2024, 2, 29}, "Thursday 29 February"},
      {"'Tag' d 'o''clock'", {2013, 3, 5}, "Tag 5 o'clock"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDate(c.Pattern, c.Date), c.Expected) << c.Pattern;
  }
}

TEST(LogAnnouncement, NamesTheFileThatIsWritten) {
  const MessageTexts english = UpdateStrings(MessageCatalogue::Builtin(), LanguageEnglish);
  const MessageTexts german = UpdateStrings(MessageCatalogue::Builtin(), LanguageDeutsch);
  const std::string cloneLog = "E:\\Tools\\TALVO_Cloning_Log 15.03.2013.txt";

  EXPECT_EQ(CloneLogAnnouncement(english, cloneLog), "Creating a log file " + cloneLog);
  EXPECT_EQ(CloneLogAnnouncement(german, cloneLog), "Es wird eine log Datei " + cloneLog + " geschrieben");
  EXPECT_EQ(CreateImageLogAnnouncement(english, "D:\\backup.img"), "Creating a log file D:\\backup.img.log");

  MessageTexts translated;
  translated.strSWriteLogfile = "Log: %s";
  EXPECT_EQ(CloneLogAnnouncement(translated, cloneLog), "Log: " + cloneLog);
  translated.strSWriteLogfile = "Log";
  EXPECT_EQ(CloneLogAnnouncement(translated, cloneLog), "Log " + cloneLog);
}

}  // namespace
}  // namespace drivecopy

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <string>

#include "disk/PartitionTypeName.h"
#include "text/FailureCause.h"
#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"
#include "text/ParagraphLines.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

struct SizeCase {
  std::int64_t Bytes;
  char Separator;
  const char* Expected;
};

TEST(SizeText, ChoosesTheUnitByIntegerDivisionAndEndsWithABlank) {
  constexpr std::int64_t KiB = 1024;
  const SizeCase cases[] = {
      {0, '.', "0.00  bytes "},
      {1023, '.', "1023.00  bytes "},
      {1024, '.', "1.00 KBytes "},
      {1536, '.', "1.50 KBytes "},
      {KiB * KiB - 1, '.', "1024.00 KBytes "},   // unit chosen before rounding
      {80 * 2 * 18 * 512, '.', "1.41 MBytes "},  // 3.5-inch floppy
      {500'000'000'000, '.', "465.66 GBytes "},
      {KiB * KiB * KiB * KiB, '.', "1.00 TBytes "},
      {KiB * KiB * KiB * KiB * KiB, '.', "1024.00 TBytes "},  // TBytes is open upward
      {std::numeric_limits<std::int64_t>::max(), '.', "8388608.00 TBytes "},
      {-5, '.', "-5.00  bytes "},
      {-2048, '.', "-2048.00  bytes "},  // negative counts stay in bytes
      {80 * 2 * 18 * 512, ',', "1,41 MBytes "},
      {0, ',', "0,00  bytes "},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(SizeText(c.Bytes, c.Separator), c.Expected) << c.Bytes;
  }
}

TEST(JoinParagraphLines, JoinsTheLinesOfEachParagraphAndKeepsParagraphsApart) {
  const std::pair<const char*, const char*> cases[] = {
      {"You need admin rights!  \r\n\r\nIf you run it: \r\nRun it as root. To do \r\nthis press. \r\n",
       "You need admin rights!\n\nIf you run it: Run it as root. To do this press."},
      {"one\ntwo\n\n\n\nthree", "one two\n\nthree"},
      {"\r\n  single line  \r\n\r\n", "single line"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(JoinParagraphLines(text), expected) << text;
}

// A reason the backend words itself reaches a message in the message's
// language; once reworded, the failure's own words are given as they are.
TEST(FailureCause, GivesANamedReasonInTheLanguageOfTheTexts) {
  const Failure busy =
      Failure::OfSystemCall(16, "another program is writing it").Naming(BackendReason::AnotherWriter);
  const MessageTexts english = UpdateStrings(MessageCatalogue::Builtin(), LanguageEnglish);
  const MessageTexts german = UpdateStrings(MessageCatalogue::Builtin(), LanguageDeutsch);
  const MessageTexts japanese = UpdateStrings(MessageCatalogue::Builtin(), LanguageJapanese);
  EXPECT_EQ(FailureCause(english, busy), "another program is writing it");
  EXPECT_EQ(FailureCause(german, busy), "ein anderes Programm schreibt gerade darauf");
  EXPECT_NE(FailureCause(japanese, busy), busy.text);
  const Failure reworded = busy.Reworded("x.img: " + busy.text);
  EXPECT_EQ(FailureCause(german, reworded), "x.img: another program is writing it");
  EXPECT_EQ(reworded.systemCode, 16);
}

TEST(PartitionTypeName, NamesTheListedBytesAndNothingElse) {
  const std::map<int, std::string> named = {
      {0x01, "FAT12"},      {0x11, "FAT12"}, {0xC1, "FAT12"},      {0x04, "FAT16"}, {0x06, "FAT16"},
      {0x0E, "FAT16"},      {0x0F, "FAT16"}, {0x14, "FAT16"},      {0x16, "FAT16"}, {0x1E, "FAT16"},
      {0xC4, "FAT16"},      {0xC6, "FAT16"}, {0xCE, "FAT16"},      {0x07, "NTFS"},  {0x0B, "FAT32"},
      {0x0C, "FAT32"},      {0x1B, "FAT32"}, {0x1C, "FAT32"},      {0xCB, "FAT32"}, {0xCC, "FAT32"},
      {0x82, "Linux Swap"}, {0x83, "Linux"}, {0x85, "Linux ext."},
  };
  for (int type = 0; type <= 0xFF; ++type) {
    auto found = named.find(type);
    EXPECT_EQ(PartitionTypeName(static_cast<std::uint8_t>(type)),
              found == named.end() ? "n/a" : found->second)
        << "type 0x" << std::hex << type;
  }
}

}  // namespace
}  // namespace drivecopy

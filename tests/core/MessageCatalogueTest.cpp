#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "text/MessageCatalogue.h"
#include "text/MessageTexts.h"

namespace drivecopy {
namespace embedded {
std::string_view MessageCatalogueData();
}
namespace {

// Two rows with a Japanese text, one without; one key stored in another case.
constexpr std::string_view SmallTable =
    "# key\tDeutsch\tEnglish\tJapanese\tFrancaise\tItaliano\tEspanol\n"
    "strSDestDrive\tZiel-Laufwerk: \tDestination Drive\t\t\t\t\n"
    "strSStart\tStart\tStart\t\xE3\x82\xB9\xE3\x82\xBF\xE3\x83\xBC\xE3\x83\x88\t\t\t\n"
    "StrSVirtualNoWrite\tVirtuell\tVirtal: no data are written.\t\t\t\t\n"
    "strSEscapes\tzwei\\nZeilen\tC:\\\\dir\t\t\t\t\n";

MessageCatalogue SmallCatalogue() {
  Outcome<MessageCatalogue> parsed = MessageCatalogue::Parse(SmallTable);
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error().text);
  return parsed.ok() ? parsed.value() : MessageCatalogue{};
}

TEST(MessageCatalogue, FetchesByKeyIgnoringCaseWithGermanFallback) {
  const MessageCatalogue catalogue = SmallCatalogue();
  struct Case {
    const char* Key;
    int Language;
    const char* Expected;
  } cases[] = {
      {"strSDestDrive", 2, "Destination Drive"},
      {"strSDestDrive", 3, "Ziel-Laufwerk: "},  // empty Japanese text: German
      {"strSStart", 3, "\xE3\x82\xB9\xE3\x82\xBF\xE3\x83\xBC\xE3\x83\x88"},
      {"strSVirtualNoWrite", 2, "Virtal: no data are written."},  // stored as StrS...
      {"STRSSTART", 1, "Start"},
      {"strSEscapes", 1, "zwei\r\nZeilen"},
      {"strSEscapes", 2, "C:\\dir"},
      {"strSNoSuchKey", 2, ""},
      {"strSStart", 0, ""},  // invalid language numbers
      {"strSStart", 7, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(catalogue.Text(c.Key, c.Language), c.Expected) << c.Key << " / " << c.Language;
  }
}

TEST(MessageCatalogue, ReadsWindowsLineEndsAndAByteOrderMark) {
  Outcome<MessageCatalogue> parsed =
      MessageCatalogue::Parse("\xEF\xBB\xBFstrSStart\tStart\tGo\t\t\t\t\r\nstrSStop\tHalt\tStop\t\t\t\t\r\n");
  ASSERT_TRUE(parsed.ok()) << parsed.error().text;
  EXPECT_EQ(parsed.value().Text("strSStart", 2), "Go");
  EXPECT_EQ(parsed.value().Text("strSStop", 2), "Stop");
}

TEST(MessageCatalogue, RejectsMalformedRowsNamingTheLine) {
  struct Case {
    const char* Table;
    const char* ExpectedWords;
  } cases[] = {
      {"# header\n\nstrSA\ta\tb\t\t\t\t\nstrSB\ta\tb\n", "line 4: expected 7"},
      {"strSA\ta\tb\t\t\t\t\t\n",
       "line 1: expected 7 tab-separated columns (key and six languages), found 8"},
      {"strSA\ta\\tb\tb\t\t\t\t\n", "line 1: the text of language 1"},
      {"strSA\ta\tb\\\t\t\t\t\n", "line 1: the text of language 2"},
      {"strSA\ta\tb\t\t\t\t\nSTRSA\tc\td\t\t\t\t\n", "line 2: the key STRSA was already given on line 1"},
      {"\ta\tb\t\t\t\t\n", "line 1: the key is empty"},
  };
  for (const Case& c : cases) {
    Outcome<MessageCatalogue> parsed = MessageCatalogue::Parse(c.Table);
    ASSERT_FALSE(parsed.ok()) << c.Table;
    EXPECT_NE(parsed.error().text.find(c.ExpectedWords), std::string::npos) << parsed.error().text;
  }
}

TEST(BuiltinCatalogue, ParsesAndHoldsEveryLoadedKeyInEnglishAndGerman) {
  Outcome<MessageCatalogue> parsed = MessageCatalogue::Parse(embedded::MessageCatalogueData());
  ASSERT_TRUE(parsed.ok()) << parsed.error().text;
  const MessageCatalogue& catalogue = MessageCatalogue::Builtin();
  // The refusal and detail texts are loaded apart; strSVISTA.linux is the Linux variant of strSVISTA.
  EXPECT_EQ(catalogue.Rows().size(), 83u + CheckTextKeys().size() + DetailTextKeys().size() + 1u);
  EXPECT_TRUE(catalogue.Contains("StrSNTFS"));

  std::size_t requestedInAnotherCase = 0;
  for (const MessageKeyBinding& binding : LoadedMessageKeys()) {
    EXPECT_NE(binding.RequestedKey, "StrSNTFS");
    EXPECT_FALSE(catalogue.Text(binding.RequestedKey, 1).empty()) << binding.RequestedKey;
    EXPECT_FALSE(catalogue.Text(binding.RequestedKey, 2).empty()) << binding.RequestedKey;
    bool storedAsRequested = false;
    for (const MessageRow& row : catalogue.Rows()) storedAsRequested |= row.Key == binding.RequestedKey;
    if (!storedAsRequested) ++requestedInAnotherCase;
  }
  EXPECT_EQ(LoadedMessageKeys().size(), 82u);
  EXPECT_EQ(requestedInAnotherCase, 20u);
}

TEST(MessageTexts, ASystemVariantReplacesOnlyTheTextsWrittenForThatSystem) {
  const MessageCatalogue& catalogue = MessageCatalogue::Builtin();
  for (int language = 1; language <= LanguageCount; ++language) {
    const MessageTexts windows = UpdateStrings(catalogue, language);
    const MessageTexts linux = UpdateStrings(catalogue, language, "linux");
    EXPECT_NE(windows.strSVISTA.find("Vista"), std::string::npos) << language;
    EXPECT_EQ(linux.strSVISTA.find("Vista"), std::string::npos) << language;
    EXPECT_NE(linux.strSVISTA.find("sudo drivecopy"), std::string::npos) << language;
    EXPECT_EQ(linux.strSVISTATitle, windows.strSVISTATitle);
    EXPECT_EQ(UpdateStrings(catalogue, language, "other").strSVISTA, windows.strSVISTA);
  }
}

TEST(MessageTexts, EveryTextIsFilledByExactlyOneKey) {
  EXPECT_EQ(sizeof(MessageTexts), 82 * sizeof(std::string) + sizeof(CheckTexts) + sizeof(DetailTexts))
      << "a text that no key fills";
  MessageTexts texts;
  const auto keys = LoadedMessageKeys();
  for (const MessageKeyBinding& binding : keys) texts.*binding.Text = std::string(binding.RequestedKey);
  for (const MessageKeyBinding& binding : keys) {
    EXPECT_EQ(texts.*binding.Text, binding.RequestedKey) << "another key fills the same text";
  }
}

TEST(BuiltinCatalogue, KeepsTheExactTextsWithLineBreaksAndBlanks) {
  const MessageTexts english = UpdateStrings(MessageCatalogue::Builtin(), 2);
  const MessageTexts german = UpdateStrings(MessageCatalogue::Builtin(), 1);

  EXPECT_EQ(english.strSFSTOSMALL,
            "The disk image file is to large (> 4 Gb) for this file system (FAT). \r\n"
            "Choose a NTFS formatted partition. ");
  EXPECT_EQ(german.strSVISTA,
            "Sie ben\xC3\xB6tigen auf diesem Computer Administrator-Rechte! \r\n\r\n"
            "Falls Sie VRZ unter Vista oder Win 7 betreiben m\xC3\xBCssen Sie zus\xC3\xA4tzlich  \r\n"
            "VRZ mit der rechten Maustaste starten: \"Als Administrator starten\"\r\n\r\n");
  EXPECT_EQ(english.strSVISTA,
            "You need admin rights for this operation!  \r\n\r\n"
            "If you run VRZ with Vista or Win 7 you have to do more: \r\n"
            "Run VRZ with admin rights. To do this press the right \r\n"
            "mouse button and select Run as Adminstrator. \r\n");
  EXPECT_EQ(
      german.StrSInitCloneDriveNew,
      "Um das Cloning-Ergebnis zu sehen, \r\nmuss der Datentr\xC3\xA4ger evtl. neu initatisiert werden.\r\n");
  EXPECT_EQ(english.strSScourceCloneDrivesMemo, "Step1: Select source drive for cloning.  ");
  EXPECT_EQ(english.strSVRZVersion, " 1.1");
  EXPECT_EQ(english.strSVirtualNoWrite, "Virtal: no data are written.");
  EXPECT_EQ(german.StrSImageSize,
            "Gr\xC3\xB6\xC3\x9F"
            "e des gew\xC3\xA4hlten Images:");
  EXPECT_EQ(english.strStrMsgDlgYesToAll, "A&ll Yes");
  EXPECT_EQ(german.strStrMsgDlgCancel, "Beenden");
  EXPECT_EQ(english.strScopyright, "Copyright \xC2\xA9 2026 TALVO Software");
}

// The keys whose Japanese, French, Italian and Spanish texts were once left
// empty (so that those languages showed German) have texts of their own.
TEST(BuiltinCatalogue, TranslatedLanguagesShowTheirOwnTexts) {
  const MessageTexts japanese = UpdateStrings(MessageCatalogue::Builtin(), 3);
  EXPECT_EQ(japanese.strSDestDrive, "コピー先ドライブ:");
  EXPECT_EQ(japanese.strStrMsgDlgConfirm, "確認");
  EXPECT_EQ(japanese.strSStart, "開始");  // not the German "Start"
  const MessageTexts french = UpdateStrings(MessageCatalogue::Builtin(), 4);
  EXPECT_EQ(french.StrSOverwrite,
            "Toutes les données de %s vont être écrasées. Voulez-vous vraiment continuer ?");
  const MessageTexts spanish = UpdateStrings(MessageCatalogue::Builtin(), 6);
  EXPECT_EQ(spanish.StrSInitCloneDriveNew,
            "Para ver el resultado de la clonación, debe reiniciar el equipo.");
}

std::size_t Occurrences(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size()))
    ++count;
  return count;
}

std::string_view LeadingBlanks(std::string_view text) { return text.substr(0, text.find_first_not_of(' ')); }

std::string_view TrailingBlanks(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? text : text.substr(last + 1);
}

// Every row has a text of its own in Japanese, French, Italian and Spanish
// (none falls back to German). A text keeps every %s, every line break and the
// blanks at either end that the program joins to other text, as the English
// text has them.
TEST(BuiltinCatalogue, TranslatedLanguagesHaveTheirOwnTextInEveryRow) {
  const MessageCatalogue& catalogue = MessageCatalogue::Builtin();
  for (const MessageRow& row : catalogue.Rows()) {
    const std::string english = catalogue.Text(row.Key, LanguageEnglish);
    for (int language : {LanguageJapanese, LanguageFrancaise, LanguageItaliano, LanguageEspanol}) {
      const std::string& own = row.Texts[static_cast<std::size_t>(language - 1)];
      const std::string where = row.Key + " / language " + std::to_string(language) + ": \"" + own + "\"";
      EXPECT_FALSE(own.empty()) << where;
      const std::string shown = catalogue.Text(row.Key, language);
      EXPECT_EQ(Occurrences(shown, "%s"), Occurrences(english, "%s")) << where;
      EXPECT_EQ(Occurrences(shown, "\r\n"), Occurrences(english, "\r\n")) << where;
      EXPECT_EQ(LeadingBlanks(shown), LeadingBlanks(english)) << where;
      EXPECT_EQ(TrailingBlanks(shown), TrailingBlanks(english)) << where;
    }
  }
}

}  // namespace
}  // namespace drivecopy

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "desktop/translation/TranslationTable.h"

namespace drivecopy {
namespace {

constexpr std::string_view SmallTable =
    "# key\tDeutsch\tEnglish\tJapanese\tFrancaise\tItaliano\tEspanol\n"
    "[stCaptions]\n"
    "HDDNextLabel\tWeiter\tNext\t\t\t\t\n"
    "TSmallForm\tFenster\tWindow\t\xE7\xAA\x93\t\t\t\n"
    "\n"
    "[stFonts]\n"
    "HDDNextLabel\tTahoma\tTahoma\t@Arial Unicode MS\t\t\t\n"
    "[stCollections]\n"
    "ListView.Columns[0].Caption\tName\tName\t\t\t\t\n"
    "[stOtherStrings]\n"
    "OpenImageDialog.Filter\tzwei\\nZeilen\tC:\\\\img\t\t\t\t\n";

TranslationTable SmallTranslationTable() {
  Outcome<TranslationTable> parsed = TranslationTable::Parse(SmallTable);
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error().text);
  return parsed.ok() ? parsed.value() : TranslationTable{};
}

TEST(TranslationTable, LooksUpBySectionAndKeyIgnoringCaseWithoutFallback) {
  const TranslationTable table = SmallTranslationTable();
  struct Case {
    TableSection Section;
    const char* Key;
    int Language;
    const char* Expected;
  } cases[] = {
      {TableSection::stCaptions, "HDDNextLabel", 1, "Weiter"},
      {TableSection::stCaptions, "hddnextlabel", 2, "Next"},
      {TableSection::stCaptions, "HDDNextLabel", 4, ""},  // empty cell: no German fallback
      {TableSection::stCaptions, "TSmallForm", 3, "\xE7\xAA\x93"},
      {TableSection::stFonts, "HDDNextLabel", 3, "@Arial Unicode MS"},
      {TableSection::stHints, "HDDNextLabel", 2, ""},  // the key lives in another section
      {TableSection::stCollections, "LISTVIEW.COLUMNS[0].CAPTION", 2, "Name"},
      {TableSection::stOtherStrings, "OpenImageDialog.Filter", 1, "zwei\r\nZeilen"},
      {TableSection::stOtherStrings, "OpenImageDialog.Filter", 2, "C:\\img"},
      {TableSection::stCaptions, "NoSuchControl", 2, ""},
      {TableSection::stCaptions, "HDDNextLabel", 0, ""},
      {TableSection::stCaptions, "HDDNextLabel", 7, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table.Text(c.Section, c.Key, c.Language), c.Expected) << c.Key << " / " << c.Language;
  }
  ASSERT_EQ(table.Rows(TableSection::stCaptions).size(), 2u);
  EXPECT_EQ(table.Rows(TableSection::stCaptions)[1].Key, "TSmallForm");  // file order kept
  EXPECT_TRUE(table.Rows(TableSection::stHints).empty());
}

TEST(TranslationTable, RejectsMalformedTablesNamingTheLine) {
  struct Case {
    const char* Table;
    const char* ExpectedWords;
  } cases[] = {
      {"# header\nLabel\ta\tb\t\t\t\t\n", "line 2: a row before the first section"},
      {"[stCaptions]\n\n[stStrings]\n", "line 3: unknown section [stStrings]"},
      {"[stCaptions\n", "line 1: a section name must end with ']'"},
      {"[stCaptions]\nLabel\ta\tb\n", "line 2: expected 7 tab-separated columns"},
      {"[stCaptions]\nLabel\ta\\x\tb\t\t\t\t\n", "line 2: the text of language 1"},
      {"[stCaptions]\nLabel\ta\tb\t\t\t\t\r\n[stFonts]\nLabel\tT\tT\t\t\t\t\nLABEL\tT\tT\t\t\t\t\n",
       "line 5: the key LABEL was already given in this section on line 4"},
  };
  for (const Case& c : cases) {
    Outcome<TranslationTable> parsed = TranslationTable::Parse(c.Table);
    ASSERT_FALSE(parsed.ok()) << c.Table;
    EXPECT_NE(parsed.error().text.find(c.ExpectedWords), std::string::npos) << parsed.error().text;
  }
}

// The compiled tables: each parses, and each window's file holds the rows its
// window relies on. A table that failed to parse reads as empty, which these
// checks catch too.
TEST(BuiltinWindowTables, EveryWindowHasTheRowsThatMatter) {
  struct Case {
    const char* Window;
    TableSection Section;
    const char* Key;
    int Language;
    const char* Expected;
  } cases[] = {
      {"TVRZMainForm", TableSection::stCaptions, "TVRZMainForm", 2, "TALVO Drive Copy"},
      {"TVRZMainForm", TableSection::stCaptions, "HDDNextLabel", 1, "Weiter"},
      {"TVRZMainForm", TableSection::stCaptions, "TntLabel4", 2, "Cancel"},
      {"TVRZMainForm", TableSection::stCaptions, "RI_LogicalDrivesToolButton", 1, "Laufwerke"},
      {"TVRZMainForm", TableSection::stCaptions, "CreateImageTabSheet", 2, "Create Image"},
      {"TVRZMainForm", TableSection::stCaptions, "HDDNextLabel", 4, "Suivant"},
      {"TVRZMainForm", TableSection::stCollections, "RI_HDDListView.Columns[0].Caption", 1, "Name"},
      {"TVRZMainForm", TableSection::stOtherStrings, "OpenImageDialog.Filter", 2,
       "Image files (*.img)|*.img| All Files (*.*)|*.*"},
      {"TVRZMainForm", TableSection::stFonts, "TntStatusBar1", 1, "Tahoma"},
      {"TVRZMainForm", TableSection::stFonts, "VRZPageControl", 3, "@Arial Unicode MS"},
      {"TVRZMainForm", TableSection::stCharSets, "TVRZMainForm", 1, "DEFAULT_CHARSET"},
      {"TInfoFrm", TableSection::stCaptions, "Version", 1, "2.00"},
      {"TInfoFrm", TableSection::stCaptions, "InternetPageLabel", 2, "Internet page, HowTo's "},
      {"TInfoFrm", TableSection::stCaptions, "DataRecoveryLabel", 3, "データ復旧ソフトウェア"},
      {"TInfoFrm", TableSection::stCharSets, "TInfoFrm", 3, "SHIFTJIS_CHARSET"},
      {"TCreateImgForm", TableSection::stCaptions, "RAWButton", 2, "Raw"},
      {"TCreateImgForm", TableSection::stOtherStrings, "SaveImgDialog.Title", 2, "Save Disk Image"},
      {"TCreateImgForm", TableSection::stCharSets, "TCreateImgForm", 3, "SHIFTJIS_CHARSET"},
      {"TRestoreImgForm", TableSection::stCharSets, "TRestoreImgForm", 3, "SHIFTJIS_CHARSET"},
      {"TRestoreImgForm", TableSection::stFonts, "CreateImageMemo", 3, "@Arial Unicode MS"},
      {"TCloneDriveFrm", TableSection::stCaptions, "TCloneDriveFrm", 2, "Clone Drives"},
      {"TCloneDriveFrm", TableSection::stCaptions, "TntGroupBox2", 2, "General"},
      {"TCloneDriveFrm", TableSection::stCharSets, "TCloneDriveFrm", 3, "SHIFTJIS_CHARSET"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuiltinWindowTable(c.Window).Text(c.Section, c.Key, c.Language), c.Expected)
        << c.Window << " " << c.Key << " / " << c.Language;
  }
  EXPECT_TRUE(BuiltinWindowTable("TNoSuchForm").Rows(TableSection::stCaptions).empty());
}

// The six Next and Cancel labels carry HANGEUL_CHARSET in German; every other
// German or English character set of the main window is DEFAULT_CHARSET and
// every Japanese one SHIFTJIS_CHARSET.
TEST(BuiltinWindowTables, MainWindowCharacterSets) {
  const std::set<std::string> nextAndCancel = {"HDDNextLabel", "CancelLabel",      "TntLabel1",
                                               "TntLabel2",    "RestoreNextLabel", "TntLabel4"};
  const TranslationTable& table = BuiltinWindowTable("TVRZMainForm");
  std::set<std::string> seen;
  for (const MessageRow& row : table.Rows(TableSection::stCharSets)) {
    const bool isLabel = nextAndCancel.contains(row.Key);
    if (isLabel) seen.insert(row.Key);
    EXPECT_EQ(row.Texts[0], isLabel ? "HANGEUL_CHARSET" : "DEFAULT_CHARSET") << row.Key;
    EXPECT_EQ(row.Texts[1], "DEFAULT_CHARSET") << row.Key;
    EXPECT_EQ(row.Texts[2], "SHIFTJIS_CHARSET") << row.Key;
  }
  EXPECT_EQ(seen, nextAndCancel);
}

// Every text row of every window has a text in each language: an empty cell
// would leave the design caption (English, German in the clone window) in a
// language that has its own.
TEST(BuiltinWindowTables, EveryTextHasACellInEveryLanguage) {
  for (const char* window :
       {"TVRZMainForm", "TInfoFrm", "TCreateImgForm", "TRestoreImgForm", "TCloneDriveFrm"}) {
    const TranslationTable& table = BuiltinWindowTable(window);
    EXPECT_FALSE(table.Rows(TableSection::stCaptions).empty()) << window;
    for (TableSection section : {TableSection::stCaptions, TableSection::stHints, TableSection::stCollections,
                                 TableSection::stOtherStrings}) {
      for (const MessageRow& row : table.Rows(section)) {
        for (std::size_t language = 0; language < 6; ++language) {
          EXPECT_FALSE(row.Texts[language].empty()) << window << " " << row.Key << " / " << language + 1;
        }
      }
    }
  }
}

}  // namespace
}  // namespace drivecopy

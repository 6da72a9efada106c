#pragma once
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Failure.h"
#include "text/MessageCatalogue.h"

namespace drivecopy {

// The sections of a window's translation table and what a non-empty text sets.
enum class TableSection {
  stCaptions,      // a control's caption; the window's own row is keyed by its class name
  stHints,         // a control's hint (tool tip)
  stFonts,         // a control's font face
  stCharSets,      // a control's character set, by its Windows name (SHIFTJIS_CHARSET, ...)
  stCollections,   // an item of a collection: "Control.Columns[0].Caption", "Control.Panels[0].Text"
  stOtherStrings,  // another text property: "Control.Property"
};

// One window's translation table: rows of a key and six texts (one per
// language, index 0 is language 1) grouped in sections. An empty text means
// "no translation": the property keeps its design value, with no fallback.
// The main window's message catalogue is kept apart (MessageCatalogue).
class TranslationTable {
 public:
  // Reads a table file (format in docs/message-catalogue.md): '#' lines and
  // empty lines are skipped, "[stCaptions]" and its siblings start a section,
  // every other line is a key and six tab-separated texts with the escapes
  // \n (line break, read as CR LF) and \\. A row outside a section, an unknown
  // section, a wrong column count, a bad escape or a key twice in one section
  // (ignoring case) fails with a text naming the line.
  static Outcome<TranslationTable> Parse(std::string_view table);

  // The rows of a section in file order.
  const std::vector<MessageRow>& Rows(TableSection section) const;

  // The text of `key` (ASCII case ignored) in `language`, or "" when the row
  // is missing, the cell is empty or the language is outside 1..6.
  std::string Text(TableSection section, std::string_view key, int language) const;

 private:
  std::array<std::vector<MessageRow>, 6> rows_;
  std::array<std::unordered_map<std::string, std::size_t>, 6> rowByFoldedKey_;
};

// The table compiled into the program for the window class `windowClassName`
// ("TVRZMainForm", "TCreateImgForm", "TRestoreImgForm", "TCloneDriveFrm",
// "TInfoFrm"); an empty table for any other name.
const TranslationTable& BuiltinWindowTable(std::string_view windowClassName);

}  // namespace drivecopy

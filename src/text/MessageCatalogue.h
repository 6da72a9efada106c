#pragma once
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Failure.h"

namespace drivecopy {

// Language numbers, in the fixed order of the catalogue's text columns.
inline constexpr int LanguageDeutsch = 1;  // fallback for an empty text
inline constexpr int LanguageEnglish = 2;  // default when none is stored
inline constexpr int LanguageJapanese = 3;
inline constexpr int LanguageFrancaise = 4;
inline constexpr int LanguageItaliano = 5;
inline constexpr int LanguageEspanol = 6;
inline constexpr int LanguageCount = 6;

inline constexpr bool IsValidLanguage(long long language) {
  return language >= 1 && language <= LanguageCount;
}

// One keyed message: the key as stored, and one UTF-8 text per language
// (index 0 is language 1). An empty text means "no translation".
struct MessageRow {
  std::string Key;
  std::array<std::string, LanguageCount> Texts;
};

// The program's message catalogue: keyed texts in six languages, read from a
// tab-separated table (see docs/message-catalogue.md for the format).
class MessageCatalogue {
 public:
  // Reads a table: a line starting with '#' (the header) or an empty line is
  // skipped; every other line is a key and six texts separated by tabs. In a
  // text, \n stands for a line break (read as CR LF) and \\ for a backslash.
  // A line with another column count, an unknown escape or a key given twice
  // (ignoring case) fails with a text that names the line (and no system
  // code: no system call is involved).
  static Outcome<MessageCatalogue> Parse(std::string_view table);

  // The table compiled into the program, parsed once. Should it ever fail to
  // parse (a test guards against that) it is an empty catalogue, so every
  // message reads "" rather than stopping the program.
  static const MessageCatalogue& Builtin();

  // The text of `key` (compared without regard to ASCII case) in `language`;
  // when that text is empty, the German text (language 1). A key that is not
  // in the catalogue, and a language outside 1..6 (a caller error), give "".
  std::string Text(std::string_view key, int language) const;

  bool Contains(std::string_view key) const;
  const std::vector<MessageRow>& Rows() const { return rows_; }

 private:
  std::vector<MessageRow> rows_;
  std::unordered_map<std::string, std::size_t> rowByFoldedKey_;
};

}  // namespace drivecopy

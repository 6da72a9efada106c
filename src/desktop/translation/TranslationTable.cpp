#include "desktop/translation/TranslationTable.h"

#include <map>
#include <optional>
#include <utility>

#include "text/TableRows.h"

namespace drivecopy {
namespace embedded {
// Generated from data/windows/<window class>.tsv.
std::string_view WindowTableTVRZMainForm();
std::string_view WindowTableTRestoreImgForm();
std::string_view WindowTableTCreateImgForm();
std::string_view WindowTableTCloneDriveFrm();
std::string_view WindowTableTInfoFrm();
}  // namespace embedded

namespace {

constexpr std::string_view TableName = "Window table";

struct SectionName {
  std::string_view Name;
  TableSection Section;
};

constexpr SectionName SectionNames[] = {
    {"stCaptions", TableSection::stCaptions},
    {"stHints", TableSection::stHints},
    {"stFonts", TableSection::stFonts},
    {"stCharSets", TableSection::stCharSets},
    {"stCollections", TableSection::stCollections},
    {"stOtherStrings", TableSection::stOtherStrings},
};

std::size_t IndexOf(TableSection section) { return static_cast<std::size_t>(section); }

std::optional<TableSection> SectionNamed(std::string_view name) {
  for (const SectionName& known : SectionNames) {
    if (known.Name == name) return known.Section;
  }
  return std::nullopt;
}

std::string KnownSectionList() {
  std::string list;
  for (const SectionName& known : SectionNames) {
    if (!list.empty()) list += ", ";
    list += "[" + std::string(known.Name) + "]";
  }
  return list;
}

}  // namespace

Outcome<TranslationTable> TranslationTable::Parse(std::string_view table) {
  TranslationTable parsed;
  std::array<std::unordered_map<std::string, std::size_t>, 6> lineOfFoldedKey;
  std::optional<TableSection> section;
  for (const TableLine& line : ContentLines(table)) {
    if (line.Text.starts_with('[')) {
      std::string_view name = line.Text;
      if (!name.ends_with(']')) {
        return TableLineError(TableName, line.Number, "a section name must end with ']'");
      }
      name = name.substr(1, name.size() - 2);
      section = SectionNamed(name);
      if (!section) {
        return TableLineError(TableName, line.Number,
                              "unknown section [" + std::string(name) + "]; known are " + KnownSectionList());
      }
      continue;
    }
    if (!section) {
      return TableLineError(TableName, line.Number,
                            "a row before the first section; start with a line such as "
                            "[stCaptions]");
    }
    Outcome<MessageRow> row = ParseRowLine(line.Text);
    if (!row) return TableLineError(TableName, line.Number, row.error().text);

    std::size_t index = IndexOf(*section);
    std::string folded = FoldKeyCase(row->Key);
    auto [earlier, inserted] = lineOfFoldedKey[index].emplace(folded, line.Number);
    if (!inserted) {
      return TableLineError(TableName, line.Number,
                            "the key " + row->Key + " was already given in this section on line " +
                                std::to_string(earlier->second));
    }
    parsed.rowByFoldedKey_[index].emplace(std::move(folded), parsed.rows_[index].size());
    parsed.rows_[index].push_back(std::move(row.value()));
  }
  return parsed;
}

const std::vector<MessageRow>& TranslationTable::Rows(TableSection section) const {
  return rows_[IndexOf(section)];
}

std::string TranslationTable::Text(TableSection section, std::string_view key, int language) const {
  if (!IsValidLanguage(language)) return {};
  std::size_t index = IndexOf(section);
  auto found = rowByFoldedKey_[index].find(FoldKeyCase(key));
  if (found == rowByFoldedKey_[index].end()) return {};
  return rows_[index][found->second].Texts[static_cast<std::size_t>(language - 1)];
}

const TranslationTable& BuiltinWindowTable(std::string_view windowClassName) {
  using TableData = std::string_view (*)();
  static const std::map<std::string, TranslationTable, std::less<>> tables = [] {
    const std::pair<const char*, TableData> sources[] = {
        {"TVRZMainForm", embedded::WindowTableTVRZMainForm},
        {"TRestoreImgForm", embedded::WindowTableTRestoreImgForm},
        {"TCreateImgForm", embedded::WindowTableTCreateImgForm},
        {"TCloneDriveFrm", embedded::WindowTableTCloneDriveFrm},
        {"TInfoFrm", embedded::WindowTableTInfoFrm},
    };
    std::map<std::string, TranslationTable, std::less<>> parsedTables;
    for (const auto& [name, data] : sources) {
      // A table that fails to parse (a test guards against that) leaves its
      // window in its design language rather than stopping the program.
      Outcome<TranslationTable> parsed = TranslationTable::Parse(data());
      parsedTables.emplace(name, parsed.ok() ? std::move(parsed.value()) : TranslationTable{});
    }
    return parsedTables;
  }();
  static const TranslationTable empty;
  auto found = tables.find(windowClassName);
  return found == tables.end() ? empty : found->second;
}

}  // namespace drivecopy

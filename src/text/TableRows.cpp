#include "text/TableRows.h"

#include <optional>
#include <utility>

namespace drivecopy {

namespace {

constexpr std::size_t ColumnCount = 1 + LanguageCount;

// Turns a stored cell into its text; nullopt names no reason, the caller does.
std::optional<std::string> Unescape(std::string_view cell) {
  std::string text;
  text.reserve(cell.size());
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != '\\') {
      text += cell[i];
      continue;
    }
    if (++i == cell.size()) return std::nullopt;
    if (cell[i] == 'n') {
      text += "\r\n";
    } else if (cell[i] == '\\') {
      text += '\\';
    } else {
      return std::nullopt;
    }
  }
  return text;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      cells.push_back(line.substr(start));
      return cells;
    }
    cells.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

}  // namespace

std::vector<TableLine> ContentLines(std::string_view table) {
  constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
  if (table.starts_with(Utf8ByteOrderMark)) table.remove_prefix(Utf8ByteOrderMark.size());

  std::vector<TableLine> lines;
  std::size_t lineNumber = 0;
  while (!table.empty()) {
    ++lineNumber;
    std::size_t end = table.find('\n');
    std::string_view line = table.substr(0, end);
    table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);
    // A table saved by an editor with Windows line ends reads the same.
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) continue;
    lines.push_back(TableLine{lineNumber, line});
  }
  return lines;
}

std::string FoldKeyCase(std::string_view key) {
  std::string folded(key);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

Outcome<MessageRow> ParseRowLine(std::string_view line) {
  std::vector<std::string_view> cells = SplitTabs(line);
  if (cells.size() != ColumnCount) {
    return Failure::Because("expected " + std::to_string(ColumnCount) +
                            " tab-separated columns (key and six languages), found " +
                            std::to_string(cells.size()));
  }
  MessageRow row;
  row.Key = std::string(cells[0]);
  if (row.Key.empty()) return Failure::Because("the key is empty");
  for (std::size_t language = 0; language < LanguageCount; ++language) {
    std::optional<std::string> text = Unescape(cells[language + 1]);
    if (!text) {
      return Failure::Because("the text of language " + std::to_string(language + 1) +
                              " has a backslash that is not \\n or \\\\");
    }
    row.Texts[language] = std::move(*text);
  }
  return row;
}

Failure TableLineError(std::string_view tableName, std::size_t lineNumber, const std::string& reason) {
  return Failure::Because(std::string(tableName) + ", line " + std::to_string(lineNumber) + ": " + reason);
}

}  // namespace drivecopy

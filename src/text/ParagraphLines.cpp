#include "text/ParagraphLines.h"

#include <vector>

namespace drivecopy {

namespace {

std::string_view TrimBlanks(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

}  // namespace

std::string JoinParagraphLines(std::string_view text) {
  std::vector<std::string> paragraphs;
  std::string current;
  auto endParagraph = [&] {
    if (!current.empty()) paragraphs.push_back(std::move(current));
    current.clear();
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimBlanks(text.substr(start, end - start));
    if (line.empty()) {
      endParagraph();
    } else {
      if (!current.empty()) current += ' ';
      current += line;
    }
    start = end + 1;
  }
  endParagraph();

  std::string joined;
  for (const std::string& paragraph : paragraphs) {
    if (!joined.empty()) joined += "\n\n";
    joined += paragraph;
  }
  return joined;
}

}  // namespace drivecopy

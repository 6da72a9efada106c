#include "text/MessageCatalogue.h"

#include <utility>

#include "text/TableRows.h"

namespace drivecopy {
namespace embedded {
std::string_view MessageCatalogueData();  // generated from data/messages.tsv
}

Outcome<MessageCatalogue> MessageCatalogue::Parse(std::string_view table) {
  MessageCatalogue catalogue;
  std::unordered_map<std::string, std::size_t> lineOfFoldedKey;
  for (const TableLine& line : ContentLines(table)) {
    Outcome<MessageRow> row = ParseRowLine(line.Text);
    if (!row) return TableLineError("Message table", line.Number, row.error().text);
    std::string folded = FoldKeyCase(row->Key);
    auto [earlier, inserted] = lineOfFoldedKey.emplace(folded, line.Number);
    if (!inserted) {
      return TableLineError(
          "Message table", line.Number,
          "the key " + row->Key + " was already given on line " + std::to_string(earlier->second));
    }
    catalogue.rowByFoldedKey_.emplace(std::move(folded), catalogue.rows_.size());
    catalogue.rows_.push_back(std::move(row.value()));
  }
  return catalogue;
}

const MessageCatalogue& MessageCatalogue::Builtin() {
  static const MessageCatalogue builtin = [] {
    Outcome<MessageCatalogue> parsed = Parse(embedded::MessageCatalogueData());
    return parsed.ok() ? std::move(parsed.value()) : MessageCatalogue{};
  }();
  return builtin;
}

bool MessageCatalogue::Contains(std::string_view key) const {
  return rowByFoldedKey_.contains(FoldKeyCase(key));
}

std::string MessageCatalogue::Text(std::string_view key, int language) const {
  if (!IsValidLanguage(language)) return {};
  auto found = rowByFoldedKey_.find(FoldKeyCase(key));
  if (found == rowByFoldedKey_.end()) return {};
  const MessageRow& row = rows_[found->second];
  const std::string& text = row.Texts[static_cast<std::size_t>(language - 1)];
  return text.empty() ? row.Texts[LanguageDeutsch - 1] : text;
}

}  // namespace drivecopy

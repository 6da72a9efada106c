#include "text/FailureCause.h"

#include "text/FillPlaceholders.h"

namespace drivecopy {

std::string FailureCause(const MessageTexts& texts, const Failure& error) {
  // A Windows message text is a sentence of its own; its full stop would
  // stand before the punctuation of the message it goes into.
  std::string text = error.text;
  if (text.ends_with('.')) text.pop_back();
  if (error.kind == FailureKind::NoDiskRights)
    return FillPlaceholders(texts.Checks.strSDiskRightsNeeded, {text});
  return text;
}

}  // namespace drivecopy

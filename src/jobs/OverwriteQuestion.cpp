#include "jobs/OverwriteQuestion.h"

#include "text/FillPlaceholders.h"

namespace drivecopy {

std::string OverwriteQuestion(const MessageTexts& texts, const std::string& destinationDescription) {
  return FillPlaceholders(texts.StrSOverwrite, {destinationDescription});
}

}  // namespace drivecopy

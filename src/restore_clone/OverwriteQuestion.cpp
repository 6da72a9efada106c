#include "restore_clone/OverwriteQuestion.h"

#include "shell/FillPlaceholders.h"

namespace drivecopy {

std::string OverwriteQuestion(const MessageTexts& texts, const std::string& destinationDescription) {
  return FillPlaceholders(texts.StrSOverwrite, {destinationDescription});
}

}  // namespace drivecopy

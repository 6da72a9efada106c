#include "restore_clone/OverwriteQuestion.h"

namespace drivecopy {

std::string OverwriteQuestion(const MessageTexts& texts, const std::string& destinationDescription) {
  std::string question = texts.StrSOverwrite;
  const auto placeholder = question.find("%s");
  if (placeholder == std::string::npos) return question + " " + destinationDescription;
  return question.replace(placeholder, 2, destinationDescription);
}

}  // namespace drivecopy

#include "text/FailureCause.h"

#include "text/FillPlaceholders.h"

namespace drivecopy {

namespace {

// The words of a reason the backend names, in the language of `texts`.
const std::string* NamedReason(const MessageTexts& texts, BackendReason reason) {
  switch (reason) {
    case BackendReason::AnotherWriter:
      return &texts.Details.strSReasonAnotherWriter;
    case BackendReason::ExistsNotRegularFile:
      return &texts.Details.strSReasonExistsNotRegularFile;
    case BackendReason::NotRegularFileNotDeleted:
      return &texts.Details.strSReasonNotRegularFileNotDeleted;
    case BackendReason::PartitionTableNotReadBack:
      return &texts.Details.strSReasonPartitionTableNotReadBack;
    case BackendReason::None:
      break;
  }
  return nullptr;
}

}  // namespace

std::string FailureCause(const MessageTexts& texts, const Failure& error) {
  // A Windows message text is a sentence of its own; its full stop would
  // stand before the punctuation of the message it goes into.
  const std::string* named = NamedReason(texts, error.reason);
  std::string text = named != nullptr && !named->empty() ? *named : error.text;
  if (text.ends_with('.')) text.pop_back();
  if (error.kind == FailureKind::NoDiskRights)
    return FillPlaceholders(texts.Checks.strSDiskRightsNeeded, {text});
  return text;
}

}  // namespace drivecopy

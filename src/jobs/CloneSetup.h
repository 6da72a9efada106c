#pragma once
#include <string>
#include <vector>

#include "disk/CloneEndpoint.h"
#include "disk/DriveRecord.h"
#include "disk/DriveRow.h"
#include "jobs/CloneJob.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The description the clone window shows for a chosen row: "<model> <size>"
// for a whole drive, the two-line partition description for a partition, and
// nothing for a floppy. Sizes use `decimalSeparator`.
std::string CloneRowDescription(Platform& platform, const DriveRecord& record, char decimalSeparator = '.');

// The two-step choice of a clone source and destination, shared by the
// desktop window and the command line: the first Next records the source,
// the second the destination. It keeps the two records the drive lists
// consult to leave the source out.
class CloneSelection {
 public:
  enum class Step {
    SourceRecorded,       // first Next: the row is the source; remove it from its list
    DestinationRecorded,  // second Next: the row is the destination; show the clone window
    AlreadyComplete,      // both were chosen before: nothing recorded; show the clone window again
  };

  struct NextResult {
    Step Recorded = Step::SourceRecorded;
    std::string Description;                  // for the source or destination label
    std::vector<std::string> PageMemoLines;   // for the main window's page memo, in order
    std::vector<std::string> CloneMemoLines;  // for the clone window's memo (and so its log)
  };

  // The prompt the page memo shows when a clone set-up begins.
  static std::string FirstStepPrompt(const MessageTexts& texts) { return texts.strSScourceCloneDrivesMemo; }

  // Forgets both choices (Clone Drives button, either Cancel).
  void Clear() { *this = CloneSelection{}; }

  // Next on the ticked row. A row whose range holds no sector is refused
  // with a failure whose text is strSBADDisk (title strSTitleERROR), and
  // nothing changes.
  Outcome<NextResult> Next(Platform& platform, const MessageTexts& texts, const DriveRow& row,
                           char decimalSeparator = '.');

  bool SourceChosen() const { return sourceChosen_; }
  bool DestinationChosen() const { return destinationChosen_; }
  const CloneEndpoint& Source() const { return source_; }
  const CloneEndpoint& Destination() const { return destination_; }
  const std::string& SourceDescription() const { return sourceDescription_; }
  const std::string& DestinationDescription() const { return destinationDescription_; }

  // The run the clone window starts once both are chosen.
  CloneParameters Parameters(bool writeLog) const {
    return CloneParameters{source_, destination_, destinationDescription_, writeLog};
  }

 private:
  bool sourceChosen_ = false;
  bool destinationChosen_ = false;
  CloneEndpoint source_;
  CloneEndpoint destination_;
  std::string sourceDescription_;
  std::string destinationDescription_;
};

}  // namespace drivecopy

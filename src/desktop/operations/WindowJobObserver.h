#pragma once
#include <QTime>
#include <functional>
#include <optional>
#include <string>

#include "desktop/operations/TransferSpeed.h"
#include "desktop/shared/DesktopSession.h"
#include "jobs/JobObserver.h"

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace drivecopy {

class GradientProgressBar;

// The controls of an operation window that a running job reaches. Only
// Window, Memo and MainBar are required; a window without one of the others
// leaves it null.
struct JobWindowControls {
  QWidget* Window = nullptr;                 // owner of the dialogs; shows "42 %" while minimised
  QPlainTextEdit* Memo = nullptr;            // the memo view
  GradientProgressBar* MainBar = nullptr;    // share of the range done
  GradientProgressBar* BufferBar = nullptr;  // fill of the create job's output buffer
  QLabel* BytesRemaining = nullptr;          // the value beside "Bytes Remaining:"
  QLabel* FileSize = nullptr;                // the value beside "File size:"
  QLabel* Speed = nullptr;                   // speed and time left ("38.2 MB/s, 0:42 left")
};

// What an operation window hands to a job engine: memo lines into the
// window's memo view (the engine has already put them into the window's memo
// lines, which the log saves), progress into the bars and labels, Yes/No
// questions as confirmation dialogs, errors as message boxes, the event loop
// as the pump, and the window's stop flag.
class WindowJobObserver final : public JobObserver {
 public:
  WindowJobObserver(DesktopSession& session, const JobWindowControls& controls,
                    std::function<bool()> stopped);

  void MemoLine(const std::string& line) override;
  void Progress(const JobProgress& progress) override;
  bool Confirm(JobQuestion question, const std::string& text) override;
  // An error box with the error icon and `title`; an empty title (a system
  // error text) gives a plain box without an icon, captioned "Error".
  void ShowError(const std::string& title, const std::string& text) override;
  void Pump() override;
  bool StopRequested() override;

  // When the user last answered Yes (the moment a run was let go), if ever.
  std::optional<QTime> ConfirmedAt() const { return confirmedAt_; }

 private:
  DesktopSession& session_;
  JobWindowControls controls_;
  std::function<bool()> stopped_;
  TransferSpeed speed_;
  std::optional<QTime> confirmedAt_;
};

}  // namespace drivecopy

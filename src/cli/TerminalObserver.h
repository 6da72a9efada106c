#pragma once
#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "jobs/JobObserver.h"

namespace drivecopy {

// What a command has of a terminal.
struct TerminalSetup {
  // Where questions are answered: standard input when it is a terminal;
  // null when there is no one to ask, and a question is then refused.
  std::istream* Answers = nullptr;
  // Standard error is a terminal: the progress line is drawn there.
  bool DrawProgress = false;
  // Ctrl-C stops the job (the process's own command line only).
  bool CatchInterrupt = false;
  // Test hook: the job is asked to stop once this many progress reports
  // have arrived, as if Ctrl-C had been pressed then; negative: never.
  int StopAfterProgressReports = -1;
};

// The terminal of this process when `err` is the process's own standard
// error (the program's command line); no terminal at all when a caller runs
// a command with streams of its own, as the tests do, so that they never
// wait for a keyboard or touch the process's signals.
TerminalSetup ProcessTerminal(const std::ostream& err);

// How the questions of a job are answered without asking.
struct PresetAnswers {
  bool AssumeYes = false;     // --yes: replace the image file, overwrite the destination
  bool DeleteOnStop = false;  // --delete-on-stop: delete the image after a stop
};

// The command line's side of a running job: memo lines on standard output,
// exactly as the memo holds them (a CR LF inside a line becomes a line
// break); the progress line on standard error when that is a terminal;
// errors as one "drivecopy: ..." line on standard error; questions answered
// by the options or on the terminal; Ctrl-C as Cancel.
class TerminalObserver final : public JobObserver {
 public:
  TerminalObserver(std::ostream& out, std::ostream& err, const TerminalSetup& terminal,
                   PresetAnswers answers);
  ~TerminalObserver() override;
  TerminalObserver(const TerminalObserver&) = delete;
  TerminalObserver& operator=(const TerminalObserver&) = delete;

  void MemoLine(const std::string& line) override;
  void Progress(const JobProgress& progress) override;
  bool Confirm(JobQuestion question, const std::string& text) override;
  void ShowError(const std::string& title, const std::string& text) override;
  void Pump() override {}
  bool StopRequested() override;

  // Removes the progress line, if one is drawn.
  void ClearProgress();
  // True once an error line was written (by ShowError or a refused question).
  bool ReportedAnError() const { return reportedError_; }

 private:
  void DrawProgress(const JobProgress& progress);

  std::ostream& out_;
  std::ostream& err_;
  TerminalSetup terminal_;
  PresetAnswers answers_;
  int progressReports_ = 0;
  bool progressShown_ = false;
  std::size_t progressWidth_ = 0;
  bool stopAnnounced_ = false;
  bool reportedError_ = false;
  std::optional<std::chrono::steady_clock::time_point> started_;
  std::optional<std::chrono::steady_clock::time_point> lastDrawn_;
  std::int64_t bytesAtStart_ = 0;
  std::int64_t lastBytesDone_ = 0;
};

// The progress line: percentage, a bar, speed and time left
// (" 42% [############                ]  35.2 MiB/s  0:12 left"). Speed and
// time left are shown once `elapsedSeconds` is long enough to mean anything.
std::string ProgressLineText(const JobProgress& progress, double elapsedSeconds,
                             std::int64_t bytesMovedInElapsed);

}  // namespace drivecopy

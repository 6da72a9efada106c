#include "cli/TerminalObserver.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

#include "cli/StopSignal.h"
#include "text/DurationText.h"

namespace drivecopy {
namespace {

// Redraw at most ten times a second: more only costs terminal output.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);
constexpr int BarCells = 30;

std::string RateText(double bytesPerSecond) {
  const char* units[] = {"B/s", "KiB/s", "MiB/s", "GiB/s", "TiB/s"};
  int unit = 0;
  while (bytesPerSecond >= 1024.0 && unit < 4) {
    bytesPerSecond /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytesPerSecond, units[unit]);
  return text;
}

// A memo line as lines of text: the memo's CR LF (and a lone CR) become '\n'.
std::string AsTerminalLines(const std::string& line) {
  std::string text;
  text.reserve(line.size() + 1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\r') {
      text += '\n';
      if (i + 1 < line.size() && line[i + 1] == '\n') ++i;
    } else {
      text += line[i];
    }
  }
  return text;
}

// An error text on one line: its line breaks become blanks. A line that
// ends in a word (a message such as "Unable to open file" with the path and
// the cause on the next line) gets a colon, so the two still read apart.
std::string AsOneLine(const std::string& text) {
  std::string line;
  for (const char c : AsTerminalLines(text)) {
    if (c != '\n') {
      line += c;
      continue;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    const unsigned char last = line.empty() ? '.' : static_cast<unsigned char>(line.back());
    line += std::isalnum(last) != 0 || last == ')' ? ": " : " ";
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

bool IsYes(std::string answer) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  answer.erase(answer.begin(), std::find_if_not(answer.begin(), answer.end(), blank));
  answer.erase(std::find_if_not(answer.rbegin(), answer.rend(), blank).base(), answer.end());
  for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return answer == "y" || answer == "yes";
}

}  // namespace

TerminalSetup ProcessTerminal(const std::ostream& err) {
  TerminalSetup terminal;
  if (&err != &std::cerr) return terminal;
  terminal.CatchInterrupt = true;
  terminal.DrawProgress = ::isatty(STDERR_FILENO) == 1;
  if (::isatty(STDIN_FILENO) == 1) terminal.Answers = &std::cin;
  return terminal;
}

std::string ProgressLineText(const JobProgress& progress, double elapsedSeconds,
                             std::int64_t bytesMovedInElapsed) {
  const int percent = std::clamp(progress.MainPercent, 0, 100);
  const int filled = percent * BarCells / 100;
  char head[16];
  std::snprintf(head, sizeof head, "%3d%% [", percent);
  std::string line = head;
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(BarCells - filled), ' ');
  line += ']';
  // Under a second the rate says more about start-up than about the device.
  if (elapsedSeconds >= 1.0 && bytesMovedInElapsed > 0) {
    const double rate = static_cast<double>(bytesMovedInElapsed) / elapsedSeconds;
    line += "  " + RateText(rate);
    const std::int64_t left = std::max<std::int64_t>(progress.BytesTotal - progress.BytesDone, 0);
    line += "  " + DurationText(static_cast<std::int64_t>(static_cast<double>(left) / rate + 0.5)) + " left";
  }
  return line;
}

TerminalObserver::TerminalObserver(std::ostream& out, std::ostream& err, const TerminalSetup& terminal,
                                   PresetAnswers answers)
    : out_(out), err_(err), terminal_(terminal), answers_(answers) {}

TerminalObserver::~TerminalObserver() { ClearProgress(); }

void TerminalObserver::ClearProgress() {
  if (!progressShown_) return;
  err_ << '\r' << std::string(progressWidth_, ' ') << '\r' << std::flush;
  progressShown_ = false;
  progressWidth_ = 0;
}

void TerminalObserver::MemoLine(const std::string& line) {
  ClearProgress();
  err_ << std::flush;
  out_ << AsTerminalLines(line) << '\n' << std::flush;
}

void TerminalObserver::Progress(const JobProgress& progress) {
  ++progressReports_;
  if (terminal_.DrawProgress) DrawProgress(progress);
}

void TerminalObserver::DrawProgress(const JobProgress& progress) {
  const auto now = std::chrono::steady_clock::now();
  // A verification after the job counts from 0 again: its speed is its own.
  if (started_ && progress.BytesDone < lastBytesDone_) started_.reset();
  lastBytesDone_ = progress.BytesDone;
  if (!started_) {
    started_ = now;
    bytesAtStart_ = progress.BytesDone;
  }
  if (lastDrawn_ && now - *lastDrawn_ < RedrawInterval) return;
  lastDrawn_ = now;
  const double elapsed = std::chrono::duration<double>(now - *started_).count();
  const std::string line = ProgressLineText(progress, elapsed, progress.BytesDone - bytesAtStart_);
  // Blank out what is left of a longer previous line.
  const std::size_t width = std::max(line.size(), progressWidth_);
  err_ << '\r' << line << std::string(width - line.size(), ' ') << std::flush;
  progressShown_ = true;
  progressWidth_ = width;
}

bool TerminalObserver::Confirm(JobQuestion question, const std::string& text) {
  ClearProgress();
  if (question == JobQuestion::DeleteImageAfterStop) return answers_.DeleteOnStop;
  if (answers_.AssumeYes) return true;
  if (terminal_.Answers == nullptr) {
    err_ << "drivecopy: " << AsOneLine(text) << '\n'
         << "drivecopy: not confirmed, nothing was written: there is no terminal to ask; "
            "add --yes to confirm\n"
         << std::flush;
    reportedError_ = true;
    return false;
  }
  err_ << AsTerminalLines(text) << " [y/N] " << std::flush;
  std::string answer;
  // End of input or an interrupted read (Ctrl-C) counts as No.
  if (!std::getline(*terminal_.Answers, answer)) {
    terminal_.Answers->clear();
    err_ << '\n';
    answer.clear();
  }
  if (IsYes(answer)) return true;
  err_ << "drivecopy: not confirmed, nothing was written\n" << std::flush;
  reportedError_ = true;
  return false;
}

void TerminalObserver::ShowError(const std::string& title, const std::string& text) {
  ClearProgress();
  err_ << "drivecopy: ";
  if (!title.empty()) err_ << title << ": ";
  err_ << AsOneLine(text) << '\n' << std::flush;
  reportedError_ = true;
}

bool TerminalObserver::StopRequested() {
  bool stop = terminal_.CatchInterrupt && StopSignal::Requested();
  if (terminal_.StopAfterProgressReports >= 0 && progressReports_ >= terminal_.StopAfterProgressReports) {
    stop = true;
  }
  if (stop && !stopAnnounced_) {
    stopAnnounced_ = true;
    ClearProgress();
    err_ << "drivecopy: stopping after the current block (Ctrl-C again ends at once)\n" << std::flush;
  }
  return stop;
}

}  // namespace drivecopy

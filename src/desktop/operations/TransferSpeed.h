#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace drivecopy {

// The speed and the time left of a running transfer, as the create and clone
// windows show them beside "Bytes Remaining:". The speed is the average since
// the first report of the run, measured with a steady clock, so that a
// changed wall clock never shows a negative or absurd speed.
class TransferSpeed {
 public:
  using Clock = std::chrono::steady_clock;

  // Forgets the run: the next report starts the measurement.
  void Reset();

  // A progress report: bytes of the range moved so far and in all. Gives the
  // text to show now, or nullopt to keep the one shown: nothing is said in the
  // first second (the speed of a start says little about the device), and the
  // text changes at most twice a second so that it can be read. A count that
  // goes back (a verification after the job starts at 0 again) starts a new
  // measurement.
  std::optional<std::string> Report(std::int64_t bytesDone, std::int64_t bytesTotal, Clock::time_point now,
                                    char decimalSeparator = '.', std::string_view timeLeftFormat = "%s left");

 private:
  std::optional<Clock::time_point> started_;
  std::optional<Clock::time_point> lastShown_;
  std::int64_t bytesAtStart_ = 0;
  std::int64_t lastBytesDone_ = 0;
};

// "38.2 MB/s, 0:42 left": the speed in B/s, KB/s, MB/s or GB/s (1,024-based,
// as the program's sizes are) with one decimal, and the time left as m:ss or
// h:mm:ss put into `timeLeftFormat` at its "%s" (the window's translated
// wording: "%s left", "noch %s", ...).
std::string TransferSpeedText(double bytesPerSecond, std::int64_t secondsLeft, char decimalSeparator = '.',
                              std::string_view timeLeftFormat = "%s left");

}  // namespace drivecopy

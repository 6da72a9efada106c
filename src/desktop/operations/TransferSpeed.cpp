#include "desktop/operations/TransferSpeed.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "text/DurationText.h"

namespace drivecopy {

namespace {

constexpr auto FirstShownAfter = std::chrono::seconds(1);
constexpr auto RedrawInterval = std::chrono::milliseconds(500);

}  // namespace

void TransferSpeed::Reset() {
  started_.reset();
  lastShown_.reset();
  bytesAtStart_ = 0;
  lastBytesDone_ = 0;
}

std::optional<std::string> TransferSpeed::Report(std::int64_t bytesDone, std::int64_t bytesTotal,
                                                 Clock::time_point now, char decimalSeparator,
                                                 std::string_view timeLeftFormat) {
  if (started_ && bytesDone < lastBytesDone_) Reset();
  lastBytesDone_ = bytesDone;
  if (!started_) {
    started_ = now;
    bytesAtStart_ = bytesDone;
    return std::nullopt;
  }
  const auto elapsed = now - *started_;
  if (elapsed < FirstShownAfter) return std::nullopt;
  if (lastShown_ && now - *lastShown_ < RedrawInterval) return std::nullopt;
  const std::int64_t moved = bytesDone - bytesAtStart_;
  if (moved <= 0) return std::nullopt;
  lastShown_ = now;
  const double rate = static_cast<double>(moved) / std::chrono::duration<double>(elapsed).count();
  const std::int64_t left = std::max<std::int64_t>(bytesTotal - bytesDone, 0);
  return TransferSpeedText(rate, std::llround(static_cast<double>(left) / rate), decimalSeparator,
                           timeLeftFormat);
}

std::string TransferSpeedText(double bytesPerSecond, std::int64_t secondsLeft, char decimalSeparator,
                              std::string_view timeLeftFormat) {
  const char* units[] = {"B/s", "KB/s", "MB/s", "GB/s"};
  int unit = 0;
  while (bytesPerSecond >= 1024.0 && unit < 3) {
    bytesPerSecond /= 1024.0;
    ++unit;
  }
  char rate[40];
  std::snprintf(rate, sizeof rate, "%.1f", bytesPerSecond);
  std::string text = rate;
  std::replace(text.begin(), text.end(), '.', decimalSeparator);
  std::string timeLeft(timeLeftFormat);
  const std::string duration = DurationText(std::max<std::int64_t>(secondsLeft, 0));
  if (const auto mark = timeLeft.find("%s"); mark != std::string::npos) {
    timeLeft.replace(mark, 2, duration);
  } else {
    timeLeft = duration;  // a wording without its mark still shows the time
  }
  return text + " " + units[unit] + ", " + timeLeft;
}

}  // namespace drivecopy

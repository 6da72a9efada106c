#include "platform/sim/MediumHandle.h"

#include <algorithm>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

namespace {
constexpr std::int64_t SectorBytes = 512;
}

MediumHandle::MediumHandle(std::shared_ptr<SimulatedMedium> medium, std::int64_t windowStart,
                           std::int64_t windowLength, bool writable, DiskAnswers answers)
    : medium_(std::move(medium)),
      windowStart_(windowStart),
      windowLength_(windowLength),
      writable_(writable),
      answers_(std::move(answers)) {}

Outcome<void> MediumHandle::Seek(std::int64_t offset) {
  if (offset < 0) return WindowsError(ErrorNegativeSeek);
  position_ = offset;
  return {};
}

bool MediumHandle::GoesAway(std::int64_t begin, std::int64_t count) {
  if (medium_->GoneFromSector && (begin + count - 1) / SectorBytes >= *medium_->GoneFromSector)
    medium_->Gone = true;
  return medium_->Gone;
}

Outcome<std::size_t> MediumHandle::Read(std::span<std::byte> buffer) {
  if (!medium_->Present) return WindowsError(ErrorNotReady);
  if (medium_->Gone) return WindowsError(ErrorDeviceNotConnected);
  if (position_ >= windowLength_) return std::size_t{0};
  std::int64_t count =
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), windowLength_ - position_);
  if (count == 0) return std::size_t{0};
  const std::int64_t begin = windowStart_ + position_;
  if (GoesAway(begin, count)) return WindowsError(ErrorDeviceNotConnected);
  if (auto bad = medium_->Unreadable.FirstIn(begin / SectorBytes, (begin + count - 1) / SectorBytes + 1)) {
    const std::int64_t goodBytes = *bad * SectorBytes - begin;
    if (!medium_->ShortReads || goodBytes <= 0) return WindowsError(ErrorCrc);
    count = goodBytes;
  }
  auto read = medium_->Content->ReadAt(begin, buffer.first(static_cast<std::size_t>(count)));
  if (!read) return read.error();
  position_ += count;
  return static_cast<std::size_t>(count);
}

Outcome<std::size_t> MediumHandle::Write(std::span<const std::byte> data) {
  if (!writable_) return WindowsError(ErrorAccessDenied);
  if (!medium_->Present) return WindowsError(ErrorNotReady);
  if (medium_->ReadOnly) return WindowsError(ErrorWriteProtect);
  if (medium_->Gone) return WindowsError(ErrorDeviceNotConnected);
  const auto count = static_cast<std::int64_t>(data.size());
  if (count == 0) return std::size_t{0};
  if (position_ + count > windowLength_) return WindowsError(ErrorSectorNotFound);
  const std::int64_t begin = windowStart_ + position_;
  if (GoesAway(begin, count)) return WindowsError(ErrorDeviceNotConnected);
  if (medium_->Unwritable.FirstIn(begin / SectorBytes, (begin + count - 1) / SectorBytes + 1))
    return WindowsError(ErrorWriteFault);
  // Stored piece by piece between the sectors whose writes are lost.
  std::int64_t at = begin;
  while (at < begin + count) {
    const std::int64_t lastSector = (begin + count - 1) / SectorBytes;
    const auto lost = medium_->LostWrites.FirstIn(at / SectorBytes, lastSector + 1);
    const std::int64_t pieceEnd = lost ? std::max(at, *lost * SectorBytes) : begin + count;
    if (pieceEnd > at) {
      const auto piece =
          data.subspan(static_cast<std::size_t>(at - begin), static_cast<std::size_t>(pieceEnd - at));
      if (auto written = medium_->Content->WriteAt(at, piece); !written) return written.error();
    }
    if (!lost) break;
    at = std::min(begin + count, (*lost + 1) * SectorBytes);
  }
  position_ += count;
  return data.size();
}

Outcome<void> MediumHandle::Flush() { return {}; }

Outcome<std::int64_t> MediumHandle::Size() {
  if (!medium_->Present) return WindowsError(ErrorNotReady);
  return windowLength_;
}

}  // namespace drivecopy::sim

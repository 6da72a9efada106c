#include "image/BlockIndexCursor.h"

#include <algorithm>

#include "image/ImageFault.h"
#include "image/ImageFileIo.h"
#include "image/LittleEndian.h"

namespace drivecopy {

namespace {
constexpr std::int64_t EntriesPerPiece = 8 * 1024;
}  // namespace

BlockIndexCursor::BlockIndexCursor(DeviceHandle& file, std::int64_t offset, std::int64_t entries)
    : file_(&file), pieceOffset_(offset), entriesLeft_(entries) {}

Outcome<std::int64_t> BlockIndexCursor::Next() {
  if (entriesLeft_ <= 0) return ImageFault(Detail(&DetailTexts::strSIndexNoFurtherEntry));
  if (used_ == pieceBytes_) {
    piece_.resize(static_cast<std::size_t>(8 * std::min(entriesLeft_, EntriesPerPiece)));
    if (auto moved = SeekTo(*file_, pieceOffset_); !moved) return moved.error();
    auto got = ReadUntilFullOrEnd(*file_, piece_, Detail(&DetailTexts::strSWhatBlockIndex));
    if (!got) return got.error();
    if (*got != piece_.size()) return ImageFault(Detail(&DetailTexts::strSEndsInBlockIndex));
    pieceOffset_ += static_cast<std::int64_t>(piece_.size());
    pieceBytes_ = piece_.size();
    used_ = 0;
  }
  const auto entry = LoadLittleEndian<std::int64_t>(piece_.data() + used_);
  used_ += 8;
  --entriesLeft_;
  return entry;
}

}  // namespace drivecopy

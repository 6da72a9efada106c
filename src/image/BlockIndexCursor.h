#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/DeviceHandle.h"
#include "platform/Failure.h"

namespace drivecopy {

// Reads the block index of a headed image one entry after the other, a
// piece of 64 KiB at a time, so that an index of any size (256 MB for an
// image of a 2 TB drive) costs the same small buffer. Each piece is read at
// its own offset, so the file may be read elsewhere between two entries.
class BlockIndexCursor {
 public:
  // The index of `entries` entries at file offset `offset` (both checked
  // against the file by the caller).
  BlockIndexCursor(DeviceHandle& file, std::int64_t offset, std::int64_t entries);

  std::int64_t EntriesLeft() const { return entriesLeft_; }

  // The next entry. Fails when the file cannot be read or ends inside the
  // index; only to be called while EntriesLeft() > 0.
  Outcome<std::int64_t> Next();

 private:
  DeviceHandle* file_;
  std::int64_t pieceOffset_;  // file offset of the next piece to read
  std::int64_t entriesLeft_;
  std::vector<std::byte> piece_;
  std::size_t pieceBytes_ = 0;  // bytes of piece_ read
  std::size_t used_ = 0;        // bytes of piece_ handed out
};

}  // namespace drivecopy

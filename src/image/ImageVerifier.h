#pragma once
#include <cstdint>
#include <string>

#include "platform/DeviceHandle.h"

namespace drivecopy {

// The outcome of checking a whole image file.
struct ImageVerification {
  bool Sound = false;
  // The first fault found, naming the block where there is one; empty when sound.
  std::string Fault;
  // Blocks that decoded to their exact raw size before the fault (all when sound).
  std::int64_t BlocksChecked = 0;
  // A headed image made without writing its blocks (virtual mode): header,
  // list and an index of the blocks it would have had.
  bool IndexOnly = false;
  // Something worth knowing that is not a fault (a trailing part sector of a
  // raw image, which is never restored).
  std::string Note;
};

// Reads the whole image. An image must hold at least one sector; only a
// headed image made in virtual mode (an index of the blocks it would have
// had, IndexOnly) is sound without. Every block must inflate to exactly its
// raw size.
// A headed image's index must stand where IndexOffset says, be IndexSize =
// 8 × (blocks + 1) bytes long, end the file, give each block's real offset
// and, as its last entry, the offset just past the last block, which is
// IndexOffset. Failures to read the file are faults as well.
// Blocks and index are read a piece at a time, side by side, so the memory
// taken is the same small amount for any file, whatever its header says. The
// blocks' streams are inflated in groups of 64 on `workers` threads (0: one
// per processor core); the fault named is still the first in the file.
ImageVerification VerifyImage(DeviceHandle& file, unsigned workers = 0);

}  // namespace drivecopy

#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace drivecopy::fuzz {

// What a reader made of one image file, for comparing two readings of it:
// whether it opened, how far it got, a checksum of the decoded blocks and
// the error that stopped it.
struct ReadOutcome {
  bool Opened = false;
  std::int64_t BlocksRead = 0;
  std::uint32_t Checksum = 0;
  std::string Error;

  bool operator==(const ReadOutcome&) const = default;
};

// Reads `image` with ImageReader as a restore does: open, then every block
// until the end or the first failure, checking each promise of the reader on
// the way. Every Read of the in-memory file returns at most `readPiece` bytes
// (0: no limit), so short reads are exercised.
ReadOutcome ReadWholeImage(const std::vector<std::byte>& image, std::size_t readPiece);

}  // namespace drivecopy::fuzz

#pragma once

namespace drivecopy {

// The compression choice of a headed image. Stored images carry no trace of
// it: any valid zlib stream of the right raw size reads back the same.
enum class CompressionLevel { None, Low, Medium, High };

// The zlib level for a choice: None 0 (stored blocks), Low 1, Medium the
// zlib default (-1, which zlib runs as 6), High 9.
constexpr int ZlibLevel(CompressionLevel level) {
  switch (level) {
    case CompressionLevel::None:
      return 0;
    case CompressionLevel::Low:
      return 1;
    case CompressionLevel::Medium:
      return -1;
    case CompressionLevel::High:
      return 9;
  }
  return -1;
}

}  // namespace drivecopy

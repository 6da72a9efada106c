// The whole-file check behind `info --verify`: a verdict is sound or names a
// fault, and it agrees with the reader a restore uses: an image called sound
// reads back completely, and the count of blocks checked before a fault is
// the count the reader gets through.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "ReadOutcome.h"
#include "image/ImageVerifier.h"
#include "support/MemoryDevice.h"

using namespace drivecopy;

namespace {

ImageVerification Verify(const std::vector<std::byte>& image, std::size_t readPiece) {
  test_support::MemoryDevice file(image);
  if (readPiece != 0) file.ReadPieceLimit = readPiece;
  return VerifyImage(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::byte> image(reinterpret_cast<const std::byte*>(data),
                                     reinterpret_cast<const std::byte*>(data) + size);
  const auto verdict = Verify(image, 0);
  FUZZ_CHECK(verdict.Sound == verdict.Fault.empty(), "a verdict is either sound or names a fault");
  FUZZ_CHECK(!verdict.IndexOnly || verdict.Sound, "an index-only image is sound");
  FUZZ_CHECK(verdict.BlocksChecked >= 0, "no negative block count");

  const auto read = fuzz::ReadWholeImage(image, 0);
  if (verdict.Sound && !verdict.IndexOnly) {
    FUZZ_CHECK(read.Opened && read.Error.empty(), "an image called sound reads back without error");
    FUZZ_CHECK(read.BlocksRead == verdict.BlocksChecked, "every block of a sound image is checked");
  }
  if (!read.Error.empty()) FUZZ_CHECK(!verdict.Sound, "an image the reader fails on is not called sound");
  FUZZ_CHECK(verdict.BlocksChecked <= read.BlocksRead || !read.Opened,
             "no block counted as checked that does not read");

  const auto inPieces = Verify(image, 509 + size % 1024);
  FUZZ_CHECK(inPieces.Sound == verdict.Sound && inPieces.Fault == verdict.Fault &&
                 inPieces.BlocksChecked == verdict.BlocksChecked,
             "short reads of the file change no verdict");
  return 0;
}

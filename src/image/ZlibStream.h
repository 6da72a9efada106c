#pragma once
#include <zlib.h>

#include <memory>

#include "platform/Failure.h"

namespace drivecopy {

// Owners of an initialised zlib stream. zlib's state points back at its
// z_stream, so the z_stream lives on the heap and never moves; the deleter
// ends the stream and frees it.
struct DeflateStreamEnd {
  void operator()(z_stream* stream) const;
};
struct InflateStreamEnd {
  void operator()(z_stream* stream) const;
};
using DeflateStream = std::unique_ptr<z_stream, DeflateStreamEnd>;
using InflateStream = std::unique_ptr<z_stream, InflateStreamEnd>;

// A compressor that makes zlib streams (RFC 1950: header, deflate data,
// Adler-32) with the deflate method, a 15-bit window, memory level 8 and the
// default strategy, at zlib level `zlibLevel` (0..9, or -1 for the default).
Outcome<DeflateStream> OpenDeflateStream(int zlibLevel);

// A decompressor for zlib streams (not gzip, not bare deflate). It reads any
// window size and any level a writer chose.
Outcome<InflateStream> OpenInflateStream();

}  // namespace drivecopy

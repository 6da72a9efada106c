#include "image/ZlibStream.h"

#include <string>

namespace drivecopy {

void DeflateStreamEnd::operator()(z_stream* stream) const {
  deflateEnd(stream);
  delete stream;
}

void InflateStreamEnd::operator()(z_stream* stream) const {
  inflateEnd(stream);
  delete stream;
}

namespace {

Failure ZlibSetUpFailed(const char* what, int result) {
  const std::string reason = result == Z_MEM_ERROR      ? "out of memory"
                             : result == Z_STREAM_ERROR ? "invalid parameters"
                                                        : "zlib error " + std::to_string(result);
  return Failure::Because(std::string("Cannot set up the ") + what + ": " + reason);
}

}  // namespace

Outcome<DeflateStream> OpenDeflateStream(int zlibLevel) {
  auto stream = std::make_unique<z_stream>();
  const int result = deflateInit2(stream.get(), zlibLevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  if (result != Z_OK) return ZlibSetUpFailed("compressor", result);
  return DeflateStream(stream.release());
}

Outcome<InflateStream> OpenInflateStream() {
  auto stream = std::make_unique<z_stream>();
  const int result = inflateInit(stream.get());
  if (result != Z_OK) return ZlibSetUpFailed("decompressor", result);
  return InflateStream(stream.release());
}

}  // namespace drivecopy

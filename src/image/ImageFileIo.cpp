#include "image/ImageFileIo.h"

#include "image/ImageFault.h"

namespace drivecopy {

Outcome<std::size_t> ReadUntilFullOrEnd(DeviceHandle& file, std::span<std::byte> buffer,
                                        const std::string& what) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    auto got = file.Read(buffer.subspan(done));
    if (!got) return FileOperationFailed("Cannot read " + what, got.error());
    if (*got == 0) break;
    done += *got;
  }
  return done;
}

Outcome<void> WriteWhole(DeviceHandle& file, std::span<const std::byte> data, const std::string& what) {
  if (data.empty()) return {};
  auto written = file.Write(data);
  if (!written) return FileOperationFailed("Cannot write " + what, written.error());
  if (*written != data.size()) {
    return Failure::Because("Cannot write " + what + ": only " + std::to_string(*written) + " of " +
                            std::to_string(data.size()) + " bytes were written");
  }
  return {};
}

Outcome<void> SeekTo(DeviceHandle& file, std::int64_t offset, const std::string& what) {
  auto moved = file.Seek(offset);
  if (!moved) return FileOperationFailed("Cannot seek in " + what, moved.error());
  return {};
}

}  // namespace drivecopy

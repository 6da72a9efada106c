#include "image/ImageFileIo.h"

#include "image/ImageFault.h"

namespace drivecopy {

namespace {

std::string Named(const std::string& what) {
  return what.empty() ? Detail(&DetailTexts::strSWhatImageFile) : what;
}

}  // namespace

Outcome<std::size_t> ReadUntilFullOrEnd(DeviceHandle& file, std::span<std::byte> buffer,
                                        const std::string& what) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    auto got = file.Read(buffer.subspan(done));
    if (!got) return FileOperationFailed(&DetailTexts::strSCannotRead, {Named(what)}, got.error());
    if (*got == 0) break;
    done += *got;
  }
  return done;
}

Outcome<void> WriteWhole(DeviceHandle& file, std::span<const std::byte> data, const std::string& what) {
  if (data.empty()) return {};
  auto written = file.Write(data);
  if (!written) return FileOperationFailed(&DetailTexts::strSCannotWrite, {Named(what)}, written.error());
  if (*written != data.size()) {
    return Failure::Because(Detail(&DetailTexts::strSWrittenInPart,
                                   {Named(what), std::to_string(*written), std::to_string(data.size())}));
  }
  return {};
}

Outcome<void> SeekTo(DeviceHandle& file, std::int64_t offset, const std::string& what) {
  auto moved = file.Seek(offset);
  if (!moved) return FileOperationFailed(&DetailTexts::strSCannotSeek, {Named(what)}, moved.error());
  return {};
}

}  // namespace drivecopy

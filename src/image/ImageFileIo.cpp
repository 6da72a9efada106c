#include "image/ImageFileIo.h"

#include "image/ImageFault.h"

namespace drivecopy {

Outcome<std::size_t> ReadUntilFullOrEnd(DeviceHandle& file, std::span<std::byte> buffer,
                                        const std::string& what) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    auto got = file.Read(buffer.subspan(done));
    if (!got) return FileOperationFailed(&DetailTexts::strSCannotRead, {what}, got.error());
    if (*got == 0) break;
    done += *got;
  }
  return done;
}

Outcome<void> WriteWhole(DeviceHandle& file, std::span<const std::byte> data, const std::string& what) {
  if (data.empty()) return {};
  auto written = file.Write(data);
  if (!written) return FileOperationFailed(&DetailTexts::strSCannotWrite, {what}, written.error());
  if (*written != data.size()) {
    return Failure::Because(Detail(&DetailTexts::strSWrittenInPart,
                                   {what, std::to_string(*written), std::to_string(data.size())}));
  }
  return {};
}

Outcome<void> SeekTo(DeviceHandle& file, std::int64_t offset, const std::string& what) {
  auto moved = file.Seek(offset);
  if (!moved) return FileOperationFailed(&DetailTexts::strSCannotSeek, {what}, moved.error());
  return {};
}

}  // namespace drivecopy

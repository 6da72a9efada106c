#include "platform/sim/BackingFile.h"

#include <cstring>
#include <filesystem>

#include "platform/sim/WindowsErrors.h"

namespace drivecopy::sim {

BackingFile::BackingFile(HostFile file, bool removeOnClose, bool writable)
    : file_(std::move(file)), removeOnClose_(removeOnClose), writable_(writable) {}

BackingFile::~BackingFile() {
  // The file is open without a lock against deleting (on Windows too), so
  // it goes once its handle closes right after this.
  std::error_code ignored;  // a leftover temporary file is harmless
  if (removeOnClose_) std::filesystem::remove(file_.Path(), ignored);
}

Outcome<std::unique_ptr<BackingFile>> BackingFile::CreateTemporary(std::int64_t size,
                                                                   const std::string& label) {
  auto created = HostFile::CreateTemporary(label);
  if (!created) return created.error();
  std::unique_ptr<BackingFile> file(new BackingFile(std::move(*created), true, true));
  // Sizing without writing allocates nothing: the file stays sparse.
  if (auto sized = file->file_.Resize(size); !sized) return sized.error();
  return file;
}

Outcome<std::unique_ptr<BackingFile>> BackingFile::OpenExisting(const std::string& path) {
  auto opened = HostFile::Open(path, HostFile::Access::ReadWrite);
  if (!opened && opened.error().systemCode != ErrorAccessDenied &&
      opened.error().systemCode != ErrorWriteProtect)
    return opened.error();
  if (opened) return std::unique_ptr<BackingFile>(new BackingFile(std::move(*opened), false, true));
  auto readOnly = HostFile::Open(path, HostFile::Access::Read);
  if (!readOnly) return readOnly.error();
  return std::unique_ptr<BackingFile>(new BackingFile(std::move(*readOnly), false, false));
}

Outcome<void> BackingFile::ReadAt(std::int64_t offset, std::span<std::byte> buffer) const {
  auto got = file_.ReadAt(offset, buffer);
  if (!got) return got.error();
  std::memset(buffer.data() + *got, 0, buffer.size() - *got);
  return {};
}

Outcome<void> BackingFile::WriteAt(std::int64_t offset, std::span<const std::byte> data) {
  if (!writable_) {
    Failure denied = WindowsError(ErrorAccessDenied);
    denied.text += " (" + Path() + ")";
    return denied;
  }
  return file_.WriteAt(offset, data);
}

}  // namespace drivecopy::sim

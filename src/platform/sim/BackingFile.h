#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Failure.h"
#include "platform/sim/HostFile.h"

namespace drivecopy::sim {

// A host file holding a simulated device's bytes, open for reading and
// writing. A temporary one is sparse (sized without writing) and removed
// when the object goes; a named one is left as it is.
class BackingFile {
 public:
  ~BackingFile();
  BackingFile(const BackingFile&) = delete;
  BackingFile& operator=(const BackingFile&) = delete;

  // A new sparse temporary file of `size` bytes; `label` goes into its name.
  static Outcome<std::unique_ptr<BackingFile>> CreateTemporary(std::int64_t size, const std::string& label);
  // An existing host file, opened read-write (read-only when not permitted).
  static Outcome<std::unique_ptr<BackingFile>> OpenExisting(const std::string& path);

  // Reads exactly buffer.size() bytes at offset; bytes beyond the file's end read as zeros.
  Outcome<void> ReadAt(std::int64_t offset, std::span<std::byte> buffer) const;
  Outcome<void> WriteAt(std::int64_t offset, std::span<const std::byte> data);

  const std::string& Path() const { return file_.Path(); }

 private:
  BackingFile(HostFile file, bool removeOnClose, bool writable);

  HostFile file_;
  bool removeOnClose_;
  bool writable_;
};

}  // namespace drivecopy::sim

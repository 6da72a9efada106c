#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "platform/Failure.h"

namespace drivecopy::sim {

// A file of the host system that holds a simulated device's bytes or an
// image, opened for positioned reads and writes and closed by the
// destructor. Every failure carries the Windows code and text for it, with
// the path, as the simulated machine reports all failures.
class HostFile {
 public:
  enum class Access {
    Read,
    ReadWrite,
    CreateAlways,  // created, or emptied when it exists
  };

  // Only a regular file (or, on Linux, a block device) is opened: a named
  // pipe would make the open wait for a writer, and a character device,
  // folder or socket holds no sectors. Those are refused as access denied,
  // with the reason.
  static Outcome<HostFile> Open(const std::filesystem::path& path, Access access);
  // A new empty file under a unique name in the host's temporary folder,
  // `label` in its name.
  static Outcome<HostFile> CreateTemporary(const std::string& label);

  HostFile(HostFile&& other) noexcept;
  HostFile& operator=(HostFile&& other) noexcept;
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;
  ~HostFile();

  // Reads up to buffer.size() bytes at `offset`: fewer only at the end.
  Outcome<std::size_t> ReadAt(std::int64_t offset, std::span<std::byte> buffer) const;
  // Writes all of `data` at `offset`, or fails.
  Outcome<void> WriteAt(std::int64_t offset, std::span<const std::byte> data);
  Outcome<void> Sync();
  Outcome<std::int64_t> Size() const;
  // Sets the size; growing allocates nothing where the host keeps sparse files.
  Outcome<void> Resize(std::int64_t size);

  const std::string& Path() const { return path_; }

 private:
  HostFile(std::intptr_t native, std::string path) : native_(native), path_(std::move(path)) {}

  static constexpr std::intptr_t Closed = -1;
  std::intptr_t native_ = Closed;  // a descriptor, or a Windows handle
  std::string path_;
};

}  // namespace drivecopy::sim

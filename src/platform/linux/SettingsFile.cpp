#include "platform/linux/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "platform/linux/UniqueFd.h"

namespace drivecopy::linux_backend {
namespace fs = std::filesystem;
namespace {

constexpr const char* kDefaultSettingsPath = "/etc/drivecopy/settings.json";

// The stored object; nullopt when the file is missing, unreadable, or not a
// JSON object.
std::optional<nlohmann::json> LoadObject(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  auto document = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded() || !document.is_object()) return std::nullopt;
  return document;
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pattern) : path_(std::move(pattern)) {
    fd_.Reset(::mkstemp(path_.data()));
    if (!fd_.Valid()) path_.clear();
  }
  ~TemporaryFile() {
    fd_.Reset();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }
  bool CloseAndRenameTo(const std::string& target) {
    fd_.Reset();
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  std::string path_;
  UniqueFd fd_;
};

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    ssize_t put = ::write(fd, text.data() + written, text.size() - written);
    if (put <= 0) return false;
    written += static_cast<std::size_t>(put);
  }
  return true;
}

bool StoreObject(const std::string& path, const nlohmann::json& object) {
  std::error_code error;
  fs::path directory = fs::path(path).parent_path();
  if (!directory.empty()) fs::create_directories(directory, error);
  TemporaryFile temporary(path + ".XXXXXX");
  if (!temporary.Valid()) return false;
  const std::string text = object.dump(2) + "\n";
  if (!WriteAll(temporary.Fd(), text) || ::fchmod(temporary.Fd(), 0644) != 0 || ::fsync(temporary.Fd()) != 0)
    return false;
  return temporary.CloseAndRenameTo(path);
}

}  // namespace

std::string SettingsFilePath() {
  const char* overridden = std::getenv("DRIVECOPY_SETTINGS_FILE");
  return (overridden != nullptr && *overridden != '\0') ? overridden : kDefaultSettingsPath;
}

SettingValue SettingsFile::Read(const std::string& name) const {
  SettingValue setting;
  auto object = LoadObject(path_);
  if (!object) return setting;
  auto found = object->find(name);
  if (found == object->end()) return setting;
  setting.Kind = SettingValue::Type::Other;
  if (found->is_number_unsigned() && found->get<std::uint64_t>() <= 0xFFFFFFFFull) {
    setting.Kind = SettingValue::Type::Number;
    setting.Number = static_cast<std::uint32_t>(found->get<std::uint64_t>());
  }
  return setting;
}

bool SettingsFile::WriteNumber(const std::string& name, std::uint32_t value) const {
  // A damaged file cannot be read by anyone; it is replaced rather than
  // leaving the program unable to keep any setting.
  nlohmann::json object = LoadObject(path_).value_or(nlohmann::json::object());
  object[name] = value;
  return StoreObject(path_, object);
}

bool SettingsFile::Ensure() const {
  std::error_code error;
  // A store that exists but cannot be written counts as not opened: the
  // start-up rule then uses English rather than a value it could not repair.
  if (fs::is_regular_file(path_, error)) return ::access(path_.c_str(), W_OK) == 0;
  return StoreObject(path_, nlohmann::json::object());
}

}  // namespace drivecopy::linux_backend

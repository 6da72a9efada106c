#include "platform/linux/MountTable.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace drivecopy::linux_backend {

std::string DecodeOctalEscapes(std::string_view field) {
  std::string decoded;
  decoded.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      int value = 0;
      bool octal = true;
      for (std::size_t k = 1; k <= 3; ++k) {
        char digit = field[i + k];
        if (digit < '0' || digit > '7') octal = false;
        value = value * 8 + (digit - '0');
      }
      if (octal && value < 256) {
        decoded.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    decoded.push_back(field[i]);
  }
  return decoded;
}

namespace {

std::vector<std::string_view> SplitOnBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) end = line.size();
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

bool ParseDeviceNumber(std::string_view text, MountEntry& entry) {
  auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  auto major = std::from_chars(text.data(), text.data() + colon, entry.Major);
  auto minor = std::from_chars(text.data() + colon + 1, text.data() + text.size(), entry.Minor);
  return major.ec == std::errc() && minor.ec == std::errc();
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    auto fields = SplitOnBlanks(text.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;

    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size()) continue;
    MountEntry entry;
    if (!ParseDeviceNumber(fields[2], entry)) continue;
    entry.Root = DecodeOctalEscapes(fields[3]);
    entry.MountPoint = DecodeOctalEscapes(fields[4]);
    entry.FileSystemType = DecodeOctalEscapes(fields[separator + 1]);
    entry.Source = DecodeOctalEscapes(fields[separator + 2]);
    if (separator + 3 < fields.size()) entry.SuperOptions = std::string(fields[separator + 3]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<MountEntry> ReadMountTable() {
  std::ifstream in("/proc/self/mountinfo");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

bool MountPointContains(std::string_view mountPoint, std::string_view directory) {
  if (mountPoint == "/") return directory.starts_with('/');
  if (!directory.starts_with(mountPoint)) return false;
  return directory.size() == mountPoint.size() || directory[mountPoint.size()] == '/';
}

const MountEntry* MountHoldingPath(const std::vector<MountEntry>& mounts, std::string_view path) {
  const MountEntry* holding = nullptr;
  for (const MountEntry& mount : mounts) {
    if (MountPointContains(mount.MountPoint, path) &&
        (!holding || mount.MountPoint.size() >= holding->MountPoint.size()))
      holding = &mount;
  }
  return holding;
}

std::vector<std::string> OverlayLayerFolders(const MountEntry& mount) {
  std::vector<std::string> folders;
  if (mount.FileSystemType != "overlay") return folders;
  // Options are separated by commas; a comma, blank or backslash inside a
  // value is written as an octal escape. Lower folders are separated by
  // colons ("lowerdir=/a:/b"), or each given as "lowerdir+=/a".
  std::string_view options = mount.SuperOptions;
  while (!options.empty()) {
    const std::size_t comma = std::min(options.find(','), options.size());
    const std::string_view option = options.substr(0, comma);
    options.remove_prefix(std::min(comma + 1, options.size()));
    const std::size_t equals = option.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = option.substr(0, equals);
    if (key != "lowerdir" && key != "lowerdir+" && key != "upperdir" && key != "datadir+") continue;
    std::string_view value = option.substr(equals + 1);
    while (!value.empty()) {
      const std::size_t colon = key == "lowerdir" ? std::min(value.find(':'), value.size()) : value.size();
      if (colon > 0) folders.push_back(DecodeOctalEscapes(value.substr(0, colon)));
      value.remove_prefix(std::min(colon + 1, value.size()));
    }
  }
  return folders;
}

}  // namespace drivecopy::linux_backend

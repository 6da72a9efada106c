#include "image/StoppedImageNote.h"

#include <charconv>
#include <span>
#include <string_view>

#include "image/ImageFileNames.h"

namespace drivecopy {

namespace {

constexpr std::string_view kFirstLine = "drivecopy note: the raw image beside this file was stopped early";
// A note is a few dozen bytes; a larger file of that name is not ours.
constexpr std::int64_t kLargestNote = 4096;

std::string NoteText(const StoppedImageNote& note) {
  return std::string(kFirstLine) + "\nSectorsStored " + std::to_string(note.SectorsStored) +
         "\nSectorCount " + std::to_string(note.SectorCount) + "\n";
}

// The number after "`key` " on a line of its own, or nullopt.
std::optional<std::int64_t> ValueOf(std::string_view text, std::string_view key) {
  const std::string line = "\n" + std::string(key) + " ";
  const std::size_t at = text.find(line);
  if (at == std::string_view::npos) return std::nullopt;
  const char* first = text.data() + at + line.size();
  const char* last = text.data() + text.size();
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || value < 0 || (end != last && *end != '\n' && *end != '\r')) return std::nullopt;
  return value;
}

std::optional<std::string> ReadSmallFile(Platform& platform, const std::string& path) {
  auto file = platform.Open(path, OpenMode::Read);
  if (!file) return std::nullopt;
  auto size = (*file)->Size();
  if (!size || *size > kLargestNote) return std::nullopt;
  std::string text(static_cast<std::size_t>(*size), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    auto read = (*file)->Read(std::as_writable_bytes(std::span(text)).subspan(got));
    if (!read || *read == 0) return std::nullopt;
    got += *read;
  }
  return text;
}

std::optional<StoppedImageNote> ParseNote(std::string_view text) {
  if (!text.starts_with(kFirstLine)) return std::nullopt;
  const auto stored = ValueOf(text, "SectorsStored");
  const auto count = ValueOf(text, "SectorCount");
  if (!stored || !count) return std::nullopt;
  return StoppedImageNote{*stored, *count};
}

}  // namespace

Outcome<void> WriteStoppedNote(Platform& platform, const std::string& imagePath,
                               const StoppedImageNote& note) {
  const std::string notePath = StoppedNotePath(imagePath);
  const std::string written = UnfinishedImagePath(notePath);
  {
    auto file = platform.Open(written, OpenMode::CreateAlways);
    if (!file) return file.error();
    const std::string text = NoteText(note);
    Outcome<void> stored;
    if (auto wrote = (*file)->Write(std::as_bytes(std::span(text))); !wrote) {
      stored = wrote.error();
    } else {
      stored = (*file)->Flush();
    }
    if (!stored) {
      file->reset();
      (void)platform.DeleteFile(written);  // a note half-written is no note; the failure is what counts
      return stored;
    }
  }
  return platform.RenameOver(written, notePath);
}

std::optional<StoppedImageNote> ReadStoppedNote(Platform& platform, const std::string& imagePath) {
  const auto text = ReadSmallFile(platform, StoppedNotePath(imagePath));
  if (!text) return std::nullopt;
  return ParseNote(*text);
}

Outcome<void> RemoveStoppedNote(Platform& platform, const std::string& imagePath) {
  if (!ReadStoppedNote(platform, imagePath)) return {};
  return platform.DeleteFile(StoppedNotePath(imagePath));
}

}  // namespace drivecopy

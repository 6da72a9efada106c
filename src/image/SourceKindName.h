#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// What an image's SourceKind byte says about its source, in words:
// "physical drive", "partition", "fixed volume", "floppy", "removable volume",
// or "unknown" for any other value.
std::string SourceKindName(std::uint8_t kind);

}  // namespace drivecopy

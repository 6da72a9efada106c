#pragma once
#include <cstddef>
#include <span>
#include <string>

#include "platform/DeviceHandle.h"
#include "platform/Failure.h"

namespace drivecopy {

// In each function below, an empty `what` stands for "the image file" in the
// language in force; the words are put together only when something fails,
// so a block read costs no text.

// Reads from the current position until `buffer` is full or the file ends,
// going on after short reads. Returns the count read; below buffer.size()
// only at the end of the file. Failures name `what` ("Cannot read <what>").
Outcome<std::size_t> ReadUntilFullOrEnd(DeviceHandle& file, std::span<std::byte> buffer,
                                        const std::string& what = {});

// Writes all of `data` at the current position; a write that takes less
// than everything is a failure. Failures name `what` ("Cannot write <what>").
Outcome<void> WriteWhole(DeviceHandle& file, std::span<const std::byte> data, const std::string& what = {});

// Moves to `offset`; failures name `what` ("Cannot seek in <what>").
Outcome<void> SeekTo(DeviceHandle& file, std::int64_t offset, const std::string& what = {});

}  // namespace drivecopy

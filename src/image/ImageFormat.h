#pragma once

namespace drivecopy {

// The two variants of an image file: the sectors back to back, or a header,
// a partition-start list, zlib-compressed blocks and a block index.
enum class ImageFormat { Raw, Headed };

}  // namespace drivecopy

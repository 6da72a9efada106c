#pragma once
#include <string>

namespace drivecopy::linux_backend {

// Model of a disk from sysfs vendor and model ("Loop device (disk.img)" for
// a loop device, the card's name for an MMC card); may be empty (a virtio
// disk has none).
std::string DiskModelText(const std::string& diskName);

}  // namespace drivecopy::linux_backend

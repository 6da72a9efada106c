#include "platform/windows/WindowsPlatform.h"
namespace drivecopy {
std::unique_ptr<Platform> MakeWindowsPlatform() { return nullptr; }
}

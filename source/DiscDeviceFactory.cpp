#include "source/DiscDeviceFactory.h"

#include <sys/stat.h>

#include "source/DiscImageFileDevice.h"
#include "source/SgIoDiscDevice.h"

namespace selvo {

bool IsDeviceNode(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  return S_ISBLK(status.st_mode) || S_ISCHR(status.st_mode);
}

std::unique_ptr<RawDiscDevice> MakeDiscDevice(const std::string& path) {
  if (path.empty() || IsDeviceNode(path)) return std::make_unique<SgIoDiscDevice>();
  return std::make_unique<DiscImageFileDevice>();
}

}  // namespace selvo

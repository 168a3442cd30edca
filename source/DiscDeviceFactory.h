#pragma once
// Picks the device that reads what a path names: a CD device node is read
// with SCSI commands, anything else as a dump of the disc's blocks.
#include <memory>
#include <string>

#include "source/RawDiscDevice.h"

namespace selvo {

// An empty path gives the drive device, which OpenByIndex then counts the
// machine's drive list with.
std::unique_ptr<RawDiscDevice> MakeDiscDevice(const std::string& path);

bool IsDeviceNode(const std::string& path);

}  // namespace selvo

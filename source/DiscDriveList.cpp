#include "source/DiscDriveList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "source/DirectoryScanner.h"
#include "source/PathNames.h"
#include "source/SgIoTransport.h"

namespace selvo {

namespace {

constexpr std::size_t kInquiryNameOffset = 8;
constexpr std::size_t kInquiryAdditionalLengthOffset = 4;

// The N of "srN", or -1 when the name is not of that form.
long DriveNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0 || name.size() > 9) return -1;
  for (std::size_t i = 2; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
  }
  return std::strtol(name.c_str() + 2, nullptr, 10);
}

}  // namespace

std::vector<std::string> DiscDriveList::FindDrivePaths(const std::string& deviceFolder) {
  std::vector<std::pair<long, std::string>> found;
  ScanDirectory(deviceFolder, [&](const char* name, EntryType) {
    const long number = DriveNumber(name);
    if (number >= 0) found.emplace_back(number, JoinPath(deviceFolder, name));
    return true;
  });
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (const auto& drive : found) {
    if (paths.size() == kMaxDrives) break;
    paths.push_back(drive.second);
  }
  return paths;
}

std::vector<DiscDrive> DiscDriveList::Scan(const std::string& deviceFolder, const TransportFactory& makeTransport) {
  std::vector<DiscDrive> drives;
  for (const std::string& path : FindDrivePaths(deviceFolder)) {
    DiscDrive drive{path, {}};
    std::unique_ptr<ScsiTransport> transport = makeTransport ? makeTransport() : std::make_unique<SgIoTransport>();
    if (transport) QueryDriveName(*transport, path, drive.name);
    drives.push_back(std::move(drive));
  }
  return drives;
}

bool DiscDriveList::QueryDriveName(ScsiTransport& transport, const std::string& path, std::string& name) {
  if (transport.Open(path) != 0) return false;
  const ScsiCommand inquiry = ScsiCommand::Inquiry();
  std::uint8_t data[ScsiCommand::kInquiryAllocation] = {};
  const ScsiReply reply = transport.Execute(inquiry, data);
  transport.Close();
  if (!reply.good) return false;
  const std::int64_t received = static_cast<std::int64_t>(inquiry.DataLength()) - std::max(reply.residual, 0);
  if (received <= 0) return false;
  return NameFromInquiry(data, static_cast<std::size_t>(received), name);
}

bool DiscDriveList::NameFromInquiry(const std::uint8_t* data, std::size_t length, std::string& name) {
  if (data == nullptr || length <= kInquiryAdditionalLengthOffset) return false;
  const std::size_t additionalLength = data[kInquiryAdditionalLengthOffset];
  if (additionalLength < 3) return false;
  std::size_t limit = additionalLength <= 35 ? additionalLength - 3 : kMaxNameLength;
  limit = std::min(limit, length > kInquiryNameOffset ? length - kInquiryNameOffset : 0);
  std::string result;
  for (std::size_t i = 0; i < limit; ++i) {
    const std::uint8_t byte = data[kInquiryNameOffset + i];
    if (byte < 0x20) break;
    result.push_back(static_cast<char>(byte));
  }
  name = std::move(result);
  return true;
}

}  // namespace selvo

#pragma once
// The machine's CD drives (/dev/srN) with the names their INQUIRY data gives,
// in the order the open dialog lists them and OpenDrive counts them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "source/ScsiTransport.h"

namespace selvo {

struct DiscDrive {
  std::string path;
  // Vendor, product and revision as the drive reports them; empty when the
  // drive could not be asked.
  std::string name;
};

class DiscDriveList {
 public:
  using TransportFactory = std::function<std::unique_ptr<ScsiTransport>()>;

  static constexpr std::size_t kMaxDrives = 100;
  static constexpr std::size_t kMaxNameLength = 33;

  // srN entries of deviceFolder in the order of N, at most kMaxDrives.
  static std::vector<std::string> FindDrivePaths(const std::string& deviceFolder = "/dev");

  // The drives with their names; each drive is opened briefly for INQUIRY.
  static std::vector<DiscDrive> Scan(const std::string& deviceFolder = "/dev",
                                     const TransportFactory& makeTransport = nullptr);

  // Asks one drive for its name. false when it cannot be opened or asked.
  static bool QueryDriveName(ScsiTransport& transport, const std::string& path, std::string& name);

  // The name from INQUIRY data: the bytes from offset 8 up to the first
  // control byte, at most (additional length - 3) of them when the
  // additional length lies in 3..35, at most 33 otherwise, never past the
  // data received. false (name untouched) when the additional length is
  // below 3 or the data is too short to hold it.
  static bool NameFromInquiry(const std::uint8_t* data, std::size_t length, std::string& name);
};

}  // namespace selvo

#include "source/DroppedPath.h"

#include <sys/stat.h>

#include <cctype>
#include <string_view>

#include "source/DirectoryScanner.h"
#include "source/PathNames.h"

namespace selvo {

namespace {

constexpr std::string_view kImageFolderPrefix = "IMG";
constexpr std::size_t kImageFolderDigits = 5;

bool IsNumberedImageFolder(const std::string& name) {
  if (name.size() != kImageFolderPrefix.size() + kImageFolderDigits) return false;
  if (!EqualsIgnoringCase(std::string_view(name).substr(0, kImageFolderPrefix.size()), kImageFolderPrefix))
    return false;
  for (std::size_t i = kImageFolderPrefix.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

// A recording laid out in numbered folders always starts in the first.
bool IsRecordingWithImageFolders(const std::string& folder) {
  return !FindChildIgnoringCase(folder, "IMG00001", EntryType::kDirectory).empty();
}

}  // namespace

std::string RecordingFolderForDroppedPath(const std::string& path) {
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return path;
  std::string folder = FolderOf(path);
  if (folder.empty()) folder = ".";
  const std::string above = FolderOf(folder);
  if (!above.empty() && IsNumberedImageFolder(FileNameOf(folder)) && IsRecordingWithImageFolders(above))
    return above;
  return folder;
}

}  // namespace selvo

#include "source/DirectoryScanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace selvo {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

EntryType TypeFromMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryType::kFile;
  if (S_ISDIR(mode)) return EntryType::kDirectory;
  return EntryType::kOther;
}

// A link is taken for what it points to, as a user who links a recording
// folder somewhere else would expect; a dangling link is neither.
EntryType TypeOfLink(int dirFd, const char* name) {
  struct stat target {};
  if (fstatat(dirFd, name, &target, 0) != 0) return EntryType::kOther;
  return TypeFromMode(target.st_mode);
}

EntryType TypeOfEntry(DIR* dir, const dirent* entry) {
  switch (entry->d_type) {
    case DT_REG:
      return EntryType::kFile;
    case DT_DIR:
      return EntryType::kDirectory;
    case DT_LNK:
      return TypeOfLink(dirfd(dir), entry->d_name);
    case DT_UNKNOWN:
      break;
    default:
      return EntryType::kOther;
  }
  struct stat own {};
  if (fstatat(dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) return EntryType::kOther;
  if (S_ISLNK(own.st_mode)) return TypeOfLink(dirfd(dir), entry->d_name);
  return TypeFromMode(own.st_mode);
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

bool ScanDirectory(const std::string& folder,
                   const std::function<bool(const char* name, EntryType type)>& visit) {
  // Closed however the visit ends, an exception included.
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return false;
  // A listing that breaks off part way is a failure, not a short folder.
  int error = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) {
      error = errno;
      break;
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (!visit(entry->d_name, TypeOfEntry(dir.get(), entry))) break;
  }
  errno = error;
  return error == 0;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

bool HasExtensionIgnoringCase(std::string_view name, std::string_view extension) {
  if (name.size() <= extension.size()) return false;
  const std::size_t dot = name.size() - extension.size() - 1;
  return name[dot] == '.' && EqualsIgnoringCase(name.substr(dot + 1), extension);
}

namespace {

template <typename Accepts>
std::string FindChildWhere(const std::string& folder, std::string_view name, Accepts accepts) {
  std::string best;
  ScanDirectory(folder, [&](const char* entryName, EntryType entryType) {
    if (!accepts(entryType) || !EqualsIgnoringCase(entryName, name)) return true;
    if (name == entryName) {
      best = entryName;
      return false;
    }
    if (best.empty() || std::string_view(entryName) < best) best = entryName;
    return true;
  });
  return best.empty() ? std::string() : JoinPath(folder, best);
}

}  // namespace

std::string FindChildIgnoringCase(const std::string& folder, std::string_view name, EntryType type) {
  return FindChildWhere(folder, name, [type](EntryType entryType) { return entryType == type; });
}

std::string FindNonFolderChildIgnoringCase(const std::string& folder, std::string_view name) {
  return FindChildWhere(folder, name, [](EntryType entryType) { return entryType != EntryType::kDirectory; });
}

}  // namespace selvo

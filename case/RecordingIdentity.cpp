#include "case/RecordingIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "source/DirectoryScanner.h"
#include "source/FileBytes.h"
#include "source/FileDescriptor.h"
#include "source/PathNames.h"
#include "source/Sha256.h"

namespace selvo {

namespace {

constexpr char kIdentityVersion[] = "1";
// Images hashed whole: the first, the last and as many more spread evenly.
constexpr std::size_t kSampledImages = 16;
// What is hashed of a sound track, from each end.
constexpr std::int64_t kSoundEndBytes = 64 * 1024;
// Other files (INFO, time.txt, ...) are hashed whole up to this size; a file
// that large is no index of ours, and of it both ends are hashed.
constexpr std::int64_t kWholeFileLimit = std::int64_t{64} << 20;
constexpr std::int64_t kLargeFileEndBytes = std::int64_t{1} << 20;
// Folders nested deeper than this are not a recorder's export.
constexpr int kMaxDepth = 16;

struct ListedEntry {
  std::string path;  // relative to the recording folder
  std::int64_t size = 0;
  bool isLink = false;
  std::string linkTarget;
};

std::string Failure(const std::string& path, int error) { return path + ": " + std::strerror(error); }

CaseStatus ListFolder(const std::string& root, const std::string& relative, int depth,
                      std::vector<ListedEntry>& entries) {
  const std::string folder = relative.empty() ? root : JoinPath(root, relative);
  if (depth > kMaxDepth) return CaseStatus::Failure(folder + ": folders nested too deep for a recording");
  std::vector<std::string> names;
  if (!ScanDirectory(folder, [&](const char* name, EntryType) {
        names.emplace_back(name);
        return true;
      })) {
    return CaseStatus::Failure(Failure(folder, errno));
  }
  // Names looked up from the folder itself: one step of path resolution per
  // file instead of one per folder above it, on a million files.
  const FileDescriptor dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir.IsOpen()) return CaseStatus::Failure(Failure(folder, errno));
  for (const std::string& name : names) {
    const std::string path = relative.empty() ? name : relative + "/" + name;
    struct stat info {};
    if (fstatat(dir.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return CaseStatus::Failure(Failure(JoinPath(folder, name), errno));
    }
    if (S_ISDIR(info.st_mode)) {
      if (CaseStatus inner = ListFolder(root, path, depth + 1, entries); !inner) return inner;
    } else if (S_ISLNK(info.st_mode)) {
      // Never followed: a link may lead out of the evidence. Where it points
      // is part of what the folder holds.
      std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
      const ssize_t length = readlinkat(dir.Get(), name.c_str(), target.data(), target.size() - 1);
      if (length < 0) return CaseStatus::Failure(Failure(JoinPath(folder, name), errno));
      entries.push_back({path, 0, true, std::string(target.data(), static_cast<std::size_t>(length))});
    } else if (S_ISREG(info.st_mode)) {
      entries.push_back({path, static_cast<std::int64_t>(info.st_size), false, {}});
    }
  }
  return {};
}

CaseResult<std::vector<ListedEntry>> ListRecording(const std::string& root) {
  std::vector<ListedEntry> entries;
  if (CaseStatus listed = ListFolder(root, "", 0, entries); !listed) return listed;
  std::sort(entries.begin(), entries.end(),
            [](const ListedEntry& a, const ListedEntry& b) { return a.path < b.path; });
  return entries;
}

bool IsImage(const std::string& path) {
  return HasExtensionIgnoringCase(path, "jpg") || HasExtensionIgnoringCase(path, "jp2");
}

bool IsSound(const std::string& path) {
  return HasExtensionIgnoringCase(path, "wav") || HasExtensionIgnoringCase(path, "mp3");
}

// A name as the quick identity hashes it: its length first, so that no
// byte of it (a line break, a space) can be read as the start of the next.
std::string CountedName(const std::string& name) { return std::to_string(name.size()) + ":" + name; }

CaseResult<FileDescriptor> OpenForHashing(const std::string& path) {
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) return CaseResult<FileDescriptor>::Failure(Failure(path, errno));
  return fd;
}

// Adds length bytes of the file from offset; fails when the file ends
// first, as a file changed while the identity was taken would.
CaseStatus HashRange(int fd, const std::string& path, std::int64_t offset, std::int64_t length, Sha256& hash,
                     const std::atomic<bool>* cancel = nullptr) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 20)));
  while (length > 0) {
    if (cancel != nullptr && cancel->load()) return CaseStatus::Failure("cancelled");
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(length, static_cast<std::int64_t>(buffer.size())));
    const ssize_t got = pread(fd, buffer.data(), want, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return CaseStatus::Failure(Failure(path, errno));
    if (got == 0) return CaseStatus::Failure(path + ": changed while it was read");
    hash.Add(buffer.data(), static_cast<std::size_t>(got));
    offset += got;
    length -= got;
  }
  return {};
}

// Which parts of a file the quick identity hashes: {offset, length} pairs.
std::vector<std::pair<std::int64_t, std::int64_t>> HashedRanges(const ListedEntry& entry, bool sampledImage) {
  if (IsImage(entry.path)) {
    if (!sampledImage) return {};
    return {{0, entry.size}};
  }
  const std::int64_t ends = IsSound(entry.path) ? kSoundEndBytes : kLargeFileEndBytes;
  const std::int64_t limit = IsSound(entry.path) ? 2 * kSoundEndBytes : kWholeFileLimit;
  if (entry.size <= limit) return {{0, entry.size}};
  return {{0, ends}, {entry.size - ends, ends}};
}

// Images hashed whole: positions in the sorted list of images.
std::vector<bool> SampledImages(const std::vector<ListedEntry>& entries) {
  std::vector<std::size_t> images;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].isLink && IsImage(entries[i].path)) images.push_back(i);
  }
  std::vector<bool> sampled(entries.size(), false);
  const std::size_t count = images.size();
  const std::size_t picks = std::min(count, kSampledImages);
  for (std::size_t k = 0; k < picks; ++k) {
    sampled[images[picks == 1 ? 0 : k * (count - 1) / (picks - 1)]] = true;
  }
  return sampled;
}

std::string CanonicalFolder(const std::string& folder, std::string& error) {
  char* resolved = realpath(folder.c_str(), nullptr);
  if (resolved == nullptr) {
    error = Failure(folder, errno);
    return {};
  }
  std::string canonical = resolved;
  std::free(resolved);
  struct stat info {};
  if (stat(canonical.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = folder + ": not a folder";
    return {};
  }
  return canonical;
}

}  // namespace

namespace {

// Memory running out on a huge listing fails the identity, not the program.
template <class T, class Work>
CaseResult<T> Guarded(const Work& work) {
  try {
    return work();
  } catch (const std::exception& error) {
    return CaseResult<T>::Failure(std::string("the recording identity could not be taken: ") + error.what());
  }
}

}  // namespace

CaseResult<RecordingIdentity> RecordingIdentity::Of(const std::string& folder) {
  return Guarded<RecordingIdentity>([&] { return QuickOf(folder); });
}

CaseResult<std::string> RecordingIdentity::FullOf(const std::string& folder, const std::atomic<bool>* cancel) {
  return Guarded<std::string>([&] { return WholeOf(folder, cancel); });
}

CaseResult<RecordingIdentity> RecordingIdentity::QuickOf(const std::string& folder) {
  RecordingIdentity identity;
  std::string error;
  identity.folder = CanonicalFolder(folder, error);
  if (identity.folder.empty()) return CaseResult<RecordingIdentity>::Failure(error);
  auto listed = ListRecording(identity.folder);
  if (!listed) return listed.status();
  const std::vector<ListedEntry>& entries = listed.value();

  Sha256 hash;
  const auto addText = [&hash](const std::string& text) { hash.Add(text.data(), text.size()); };
  addText(std::string("selvo-recording-identity ") + kIdentityVersion + "\n");
  for (const ListedEntry& entry : entries) {
    if (entry.isLink) {
      addText("L " + CountedName(entry.path) + " " + CountedName(entry.linkTarget) + "\n");
    } else {
      addText("F " + std::to_string(entry.size) + " " + CountedName(entry.path) + "\n");
      ++identity.files;
      identity.bytes += entry.size;
    }
  }
  addText("--\n");
  const std::vector<bool> sampled = SampledImages(entries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ListedEntry& entry = entries[i];
    if (entry.isLink) continue;
    const auto ranges = HashedRanges(entry, sampled[i]);
    if (ranges.empty()) continue;
    const std::string path = JoinPath(identity.folder, entry.path);
    auto fd = OpenForHashing(path);
    if (!fd) return fd.status();
    for (const auto& [offset, length] : ranges) {
      addText("C " + std::to_string(offset) + " " + std::to_string(length) + " " + CountedName(entry.path) + "\n");
      if (CaseStatus read = HashRange(fd.value().Get(), path, offset, length, hash); !read) return read;
    }
  }
  identity.quick = std::string(kIdentityVersion) + ":" + HexDigest(hash.Finish());
  return identity;
}

namespace {

CaseResult<Sha256Digest> DigestOfFile(const std::string& path, const std::atomic<bool>* cancel) {
  auto fd = OpenForHashing(path);
  if (!fd) return fd.status();
  struct stat info {};
  if (fstat(fd.value().Get(), &info) != 0) return CaseResult<Sha256Digest>::Failure(Failure(path, errno));
  if (!S_ISREG(info.st_mode)) return CaseResult<Sha256Digest>::Failure(path + ": " + NotAFileText(info.st_mode));
  Sha256 file;
  const auto size = static_cast<std::int64_t>(info.st_size);
  if (CaseStatus read = HashRange(fd.value().Get(), path, 0, size, file, cancel); !read) return read;
  // A file that grew while it was read is not the file listed.
  std::uint8_t extra = 0;
  if (pread(fd.value().Get(), &extra, 1, size) != 0) {
    return CaseResult<Sha256Digest>::Failure(path + ": changed while it was read");
  }
  return file.Finish();
}

}  // namespace

CaseResult<std::string> FileSha256(const std::string& path, const std::atomic<bool>* cancel) {
  const auto digest = DigestOfFile(path, cancel);
  if (!digest) return digest.status();
  return HexDigest(digest.value());
}

CaseResult<std::string> RecordingIdentity::WholeOf(const std::string& folder, const std::atomic<bool>* cancel) {
  std::string error;
  const std::string root = CanonicalFolder(folder, error);
  if (root.empty()) return CaseResult<std::string>::Failure(error);
  auto listed = ListRecording(root);
  if (!listed) return listed.status();
  Sha256 list;
  for (const ListedEntry& entry : listed.value()) {
    if (entry.isLink) continue;
    const auto digest = DigestOfFile(JoinPath(root, entry.path), cancel);
    if (!digest) return digest.status();
    const std::string line = Sha256SumLine(digest.value(), entry.path);
    list.Add(line.data(), line.size());
  }
  return HexDigest(list.Finish());
}

}  // namespace selvo

#include "source/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "source/TemporaryFileCleanup.h"

namespace selvo {

namespace {

// Small writes (a manifest line) are gathered; a large one goes straight
// through.
constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kNameAttempts = 100;
// Large enough that the syncs cost nothing beside the writes, small enough
// that the disk is kept busy while the next stretch is made.
constexpr std::int64_t kSyncStretchBytes = 4 << 20;

std::string RandomSuffix() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
  std::string suffix(6, 'x');
  for (char& c : suffix) c = kLetters[pick(generator)];
  return suffix;
}

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

}  // namespace

OutputFile::~OutputFile() { Discard(); }

std::string OutputFile::TemporaryPattern(const std::string& target) {
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  // The leading dot keeps it out of file browsers and out of any listing
  // of recorder files.
  return folder + ".selvo-";
}

bool OutputFile::Create(const std::string& target) {
  Discard();
  target_ = target;
  error_ = 0;
  reachedFile_ = syncAsked_ = 0;
  TemporaryFileCleanup::InstallHandlers();
  const std::string stem = TemporaryPattern(target);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = stem + RandomSuffix();
    // Watched before it exists: a signal between the open and the watch
    // would otherwise leave it behind.
    const bool watched = TemporaryFileCleanup::Watch(name);
    // 0666 under the umask: the finished file gets the mode any new file
    // of the user would.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    const int error = ErrnoOr(EIO);
    if (fd < 0 && watched) TemporaryFileCleanup::Forget(name);
    if (fd < 0 && error == EEXIST) continue;
    if (fd < 0) {
      error_ = error;
      return false;
    }
    file_ = FileDescriptor(fd);
    temporary_ = name;
    return true;
  }
  error_ = EEXIST;
  return false;
}

void OutputFile::Fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (error_ != 0 || !file_.IsOpen()) {
    Fail(EBADF);
    return false;
  }
  if (buffer_.size() + size <= kBufferBytes) {
    buffer_.append(static_cast<const char*>(data), size);
    return true;
  }
  if (!Flush()) return false;
  if (size <= kBufferBytes) {
    buffer_.append(static_cast<const char*>(data), size);
    return true;
  }
  const char* bytes = static_cast<const char*>(data);
  std::size_t left = size;
  while (left > 0) {
    const ssize_t written = ::write(file_.Get(), bytes, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      Fail(written < 0 ? ErrnoOr(EIO) : ENOSPC);
      return false;
    }
    bytes += written;
    left -= static_cast<std::size_t>(written);
  }
  reachedFile_ += static_cast<std::int64_t>(size);
  Written(reachedFile_);
  return true;
}

void OutputFile::Written(std::int64_t fileBytes) {
  if (!synced_ || !file_.IsOpen() || fileBytes - syncAsked_ < kSyncStretchBytes) return;
  backgroundSync_.Start(file_.Get());
  syncAsked_ = fileBytes;
}

bool OutputFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t written = ::write(file_.Get(), buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      Fail(written < 0 ? ErrnoOr(EIO) : ENOSPC);
      buffer_.clear();
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  reachedFile_ += static_cast<std::int64_t>(done);
  buffer_.clear();
  Written(reachedFile_);
  return true;
}

bool OutputFile::Commit() {
  if (!file_.IsOpen()) {
    Fail(EBADF);
    Discard();
    return false;
  }
  if (error_ == 0) Flush();
  if (const int lost = backgroundSync_.Finish(); lost != 0) Fail(lost);
  // A file the kernel still holds in memory is not yet a file an
  // investigator can keep: a power cut would leave it empty.
  if (error_ == 0 && synced_ && ::fsync(file_.Get()) != 0) Fail(ErrnoOr(EIO));
  if (!file_.Close()) Fail(ErrnoOr(EIO));
  if (error_ == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(ErrnoOr(EIO));
  if (error_ != 0) {
    Discard();
    return false;
  }
  TemporaryFileCleanup::Forget(temporary_);
  temporary_.clear();
  if (!synced_) return true;
  // The rename itself lives in the folder's entries.
  const std::size_t slash = target_.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
  FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.IsOpen()) ::fsync(directory.Get());
  return true;
}

void OutputFile::Discard() {
  buffer_.clear();
  backgroundSync_.Finish();
  file_.Close();
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  TemporaryFileCleanup::Forget(temporary_);
  temporary_.clear();
}

std::string OutputFile::ErrorText() const { return std::strerror(error_ != 0 ? error_ : EIO); }

}  // namespace selvo

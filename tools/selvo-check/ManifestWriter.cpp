#include "tools/selvo-check/ManifestWriter.h"

#include <cerrno>

namespace selvo {

ManifestWriter::~ManifestWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool ManifestWriter::Open(const std::string& file) {
  file_ = std::fopen(file.c_str(), "w");
  return file_ != nullptr;
}

void ManifestWriter::Add(const Sha256Digest& digest, const std::string& relativePath) {
  const std::string line = Line(digest, relativePath);
  if (file_ != nullptr && std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
  written_.Add(line.data(), line.size());
}

bool ManifestWriter::Close() {
  if (file_ == nullptr) return !failed_;
  int error = std::ferror(file_) ? EIO : 0;
  if (std::fclose(file_) != 0 && error == 0) error = errno;
  file_ = nullptr;
  if (error != 0 || failed_) {
    errno = error != 0 ? error : EIO;
    failed_ = true;
  }
  return !failed_;
}

Sha256Digest ManifestWriter::Digest() {
  if (!finished_) {
    digest_ = written_.Finish();
    finished_ = true;
  }
  return digest_;
}

std::string ManifestWriter::Line(const Sha256Digest& digest, const std::string& relativePath) {
  std::string name;
  bool escaped = false;
  for (char c : relativePath) {
    if (c == '\\' || c == '\n' || c == '\r') {
      escaped = true;
      name += '\\';
      name += c == '\\' ? '\\' : c == '\n' ? 'n' : 'r';
    } else {
      name += c;
    }
  }
  return (escaped ? "\\" : "") + HexDigest(digest) + "  " + name + "\n";
}

std::string PathBelow(const std::string& folder, const std::string& path) {
  std::string base = folder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") return path.size() > 1 && path[0] == '/' ? path.substr(1) : path;
  if (path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/') {
    return path.substr(base.size() + 1);
  }
  return path;
}

}  // namespace selvo

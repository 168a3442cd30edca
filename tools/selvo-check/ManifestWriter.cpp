#include "tools/selvo-check/ManifestWriter.h"

#include <cerrno>

namespace selvo {

bool ManifestWriter::Open(const std::string& file) {
  if (output_.Create(file)) return true;
  errno = output_.Error();
  return false;
}

void ManifestWriter::Add(const Sha256Digest& digest, const std::string& relativePath) {
  const std::string line = Line(digest, relativePath);
  if (output_.IsOpen()) output_.Write(line);
  written_.Add(line.data(), line.size());
}

bool ManifestWriter::Close() {
  if (!output_.IsOpen()) return true;
  if (output_.Commit()) return true;
  errno = output_.Error();
  return false;
}

Sha256Digest ManifestWriter::Digest() {
  if (!finished_) {
    digest_ = written_.Finish();
    finished_ = true;
  }
  return digest_;
}

std::string ManifestWriter::Line(const Sha256Digest& digest, const std::string& relativePath) {
  return Sha256SumLine(digest, relativePath);
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

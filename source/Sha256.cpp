#include "source/Sha256.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <new>

namespace selvo {

namespace {

// Fetched once: an implicit fetch per file would look the algorithm up in
// the provider tables for every image of a large export. The library is
// kept from tearing itself down at exit: a thread still hashing then (the
// case file's identity of a recording is left to finish on its own when
// the viewer closes) crashed the program on its way out.
const EVP_MD* Sha256Algorithm() {
  static EVP_MD* const algorithm = [] {
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
    return EVP_MD_fetch(nullptr, "SHA256", nullptr);
  }();
  return algorithm;
}

void Start(EVP_MD_CTX* context) {
  if (EVP_DigestInit_ex(context, Sha256Algorithm(), nullptr) != 1) throw std::bad_alloc();
}

}  // namespace

std::string HexDigest(const Sha256Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (std::uint8_t byte : digest) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0x0F];
  }
  return hex;
}

std::string Sha256SumLine(const Sha256Digest& digest, const std::string& name) {
  std::string escapedName;
  bool escaped = false;
  for (char c : name) {
    if (c == '\\' || c == '\n' || c == '\r') {
      escaped = true;
      escapedName += '\\';
      escapedName += c == '\\' ? '\\' : c == '\n' ? 'n' : 'r';
    } else {
      escapedName += c;
    }
  }
  return (escaped ? "\\" : "") + HexDigest(digest) + "  " + escapedName + "\n";
}

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  if (context_ == nullptr) throw std::bad_alloc();
  Start(context_);
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_); }

void Sha256::Add(const void* bytes, std::size_t length) {
  if (length > 0) EVP_DigestUpdate(context_, bytes, length);
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_, digest.data(), &length);
  Start(context_);
  return digest;
}

Sha256Digest Sha256::Of(const void* bytes, std::size_t length) {
  Sha256Digest digest{};
  unsigned int written = 0;
  if (EVP_Digest(bytes, length, digest.data(), &written, Sha256Algorithm(), nullptr) != 1) throw std::bad_alloc();
  return digest;
}

}  // namespace selvo

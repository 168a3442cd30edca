#pragma once
// SHA-256 through OpenSSL's EVP interface, for the chain-of-custody hashes
// of a recording's files and of the lists that name them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct evp_md_ctx_st;

namespace selvo {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Lower-case hexadecimal, as sha256sum prints it.
std::string HexDigest(const Sha256Digest& digest);

// sha256sum's line "HEX  NAME\n" for a file: a name holding a backslash, CR
// or LF is escaped and the line marked with a leading backslash, so that
// `sha256sum -c` reads it back.
std::string Sha256SumLine(const Sha256Digest& digest, const std::string& name);

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Add(const void* bytes, std::size_t length);
  // The digest of everything added; the object then starts afresh.
  Sha256Digest Finish();

  static Sha256Digest Of(const void* bytes, std::size_t length);

 private:
  evp_md_ctx_st* context_;
};

}  // namespace selvo

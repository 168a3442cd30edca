#include "view/render/SimdPath.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace selvo {

namespace {

SimdPath DetectSupported() {
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi"))
    return SimdPath::kAvx512;
  if (__builtin_cpu_supports("avx2")) return SimdPath::kAvx2;
  if (__builtin_cpu_supports("ssse3")) return SimdPath::kSsse3;
  return SimdPath::kSse2;
#else
  return SimdPath::kScalar;
#endif
}

// What SELVO_SIMD asks for, within what the processor runs. A name we do not
// know, or a path the processor lacks, is said once on stderr: whoever set
// the variable is measuring or testing and must not take the widest path
// for the one they asked for.
SimdPath FromEnvironment(SimdPath supported) {
  const char* asked = std::getenv("SELVO_SIMD");
  if (asked == nullptr || *asked == '\0') return supported;
  const std::optional<SimdPath> path = ParseSimdPath(asked);
  if (!path) {
    std::fprintf(stderr, "SELVO_SIMD=%s is not one of scalar, sse2, ssse3, avx2, avx512; using %s\n", asked,
                 SimdPathName(supported));
    return supported;
  }
  if (*path > supported) {
    std::fprintf(stderr, "SELVO_SIMD=%s: this processor lacks it; using %s\n", asked, SimdPathName(supported));
    return supported;
  }
  return *path;
}

std::atomic<int>& Active() {
  static std::atomic<int> active{static_cast<int>(FromEnvironment(SupportedSimdPath()))};
  return active;
}

}  // namespace

SimdPath SupportedSimdPath() {
  static const SimdPath supported = DetectSupported();
  return supported;
}

SimdPath ActiveSimdPath() { return static_cast<SimdPath>(Active().load(std::memory_order_relaxed)); }

bool ForceSimdPath(SimdPath path) {
  if (path > SupportedSimdPath()) return false;
  Active().store(static_cast<int>(path), std::memory_order_relaxed);
  return true;
}

const char* SimdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::kScalar: return "scalar";
    case SimdPath::kSse2: return "sse2";
    case SimdPath::kSsse3: return "ssse3";
    case SimdPath::kAvx2: return "avx2";
    case SimdPath::kAvx512: return "avx512";
  }
  return "scalar";
}

std::optional<SimdPath> ParseSimdPath(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (SimdPath path : {SimdPath::kScalar, SimdPath::kSse2, SimdPath::kSsse3, SimdPath::kAvx2, SimdPath::kAvx512}) {
    if (lower == SimdPathName(path)) return path;
  }
  return std::nullopt;
}

}  // namespace selvo

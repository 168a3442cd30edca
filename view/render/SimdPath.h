#pragma once
// Which of the vector paths the renderer's loops take. They pick the widest
// the processor runs; SELVO_SIMD=scalar|sse2|ssse3|avx2 in the environment
// (read once, at the first picture) narrows the choice, and the tests force
// each path in turn, so a fault in a path this machine would not pick still
// shows. Every path writes the same bytes as the scalar one.
#include <optional>
#include <string_view>

namespace selvo {

// Narrowest first: each path also runs the ones before it. kAvx512 is
// AVX-512 with its byte and word instructions (BW) and byte permutes (VBMI).
enum class SimdPath { kScalar, kSse2, kSsse3, kAvx2, kAvx512 };

// The widest path this processor and this build can run.
SimdPath SupportedSimdPath();
// The path the loops take now.
SimdPath ActiveSimdPath();
// Makes the loops take path from now on; false, and nothing changed, when
// the processor cannot run it.
bool ForceSimdPath(SimdPath path);

const char* SimdPathName(SimdPath path);
// "scalar", "sse2", "ssse3", "avx2" or "avx512", in any case; nothing for
// anything else.
std::optional<SimdPath> ParseSimdPath(std::string_view name);

}  // namespace selvo

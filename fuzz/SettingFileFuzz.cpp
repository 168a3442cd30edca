// The setting files that pick the product variant. The input's first byte
// says which exist (bit 0 "Viewer2.ini", bit 1 "Viewer.ini"); the two parts
// after it (see InputParts.h) are their contents.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "source/settings/SettingFile.h"
#include "fuzz/InputParts.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::vector<selvo::fuzz::InputPart> parts = selvo::fuzz::SplitInput(data + 1, size - 1, 2);
  const selvo::fuzz::ScratchFolder& scratch = selvo::fuzz::ScratchFolder::Instance();
  scratch.Empty();
  const char* names[] = {"Viewer2.ini", "Viewer.ini"};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if ((data[0] & (1u << i)) == 0) continue;
    if (!scratch.Write(names[i], parts[i].bytes, parts[i].length)) return 0;
  }
  selvo::VariantFor(selvo::DetectVariant(scratch.Path()));
  return 0;
}

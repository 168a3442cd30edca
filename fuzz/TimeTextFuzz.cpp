// time.txt: the whole text parsed as the folder source parses the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "source/TimeList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  selvo::TimeList list;
  list.LoadText(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}

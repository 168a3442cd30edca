// The viewer's command line: the input is its parameters, separated by zero
// bytes, parsed both from a list and from an argv array.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "source/settings/CommandLineSwitches.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> params;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      params.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  params.push_back(current);

  selvo::ViewerCommandLineInfo fromList;
  fromList.Parse(params);

  std::vector<const char*> argv{"selvo-viewer"};
  for (const std::string& param : params) argv.push_back(param.c_str());
  selvo::ViewerCommandLineInfo fromArgv;
  fromArgv.Parse(static_cast<int>(argv.size()), argv.data());
  return 0;
}

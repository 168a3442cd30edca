#pragma once
// Where an output may not go, judged before anything is read: never into
// the recording being read, never through a link, never onto something
// that is not a plain file, and never two outputs onto one file. The tools
// and the viewer's save paths ask the same question here.
#include <string>
#include <vector>

namespace selvo {

struct NamedOutput {
  std::string role;  // how the user named it: "--manifest", "OUT", "the picture"
  std::string path;
};

// Empty when every output may be written; otherwise one line naming the
// first refused output, which rule it breaks and why. evidence: the
// recording folders, image files or disc images being read.
std::string OutputRefusal(const std::vector<NamedOutput>& outputs, const std::vector<std::string>& evidence);

}  // namespace selvo

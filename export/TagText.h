#pragma once
// Text for a video's container tags. Folder names and camera titles come
// from the recording and may hold anything, but tags are UTF-8 by the
// containers' rules and end up on terminals and in tag editors.
#include <string>

namespace selvo {

// text as valid UTF-8: control characters (C0, DEL and C1) and the
// backslash are written as escapes (\x1b, \\), and so is every byte that is
// not part of a well-formed UTF-8 sequence (\xff), so that the exact bytes
// of a folder name can still be read back from the tag.
std::string TagText(const std::string& text);

}  // namespace selvo

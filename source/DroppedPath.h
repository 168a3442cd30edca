#pragma once
// What a path dropped onto the window stands for as a recording.
#include <string>

namespace selvo {

// The recording folder for a dropped path: a folder stands for itself; a
// file for the folder holding it, or for the recording above when that
// folder is one of the recording's numbered image folders ("IMG00001",
// "IMG00002", ...), so that an image dropped from inside opens the whole
// recording with its index and sound. A path that cannot be examined is
// returned as it is, for the open flow to report.
std::string RecordingFolderForDroppedPath(const std::string& path);

}  // namespace selvo

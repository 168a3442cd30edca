#pragma once
// Paths taken apart and put together as text, '/' being the only separator.
#include <string>
#include <string_view>

namespace selvo {

// folder + "/" + name, without doubling a trailing slash.
std::string JoinPath(const std::string& folder, std::string_view name);
// What follows the last '/' (the whole path when there is none).
std::string FileNameOf(const std::string& path);
// What precedes the last '/': "/" for a file in the root, "" without one.
std::string FolderOf(const std::string& path);
// The name without its last '.' and what follows; a leading dot stays.
std::string WithoutExtension(const std::string& name);
// The extension (from the last '.' of the last path element) in lower case,
// dot included: ".jpg"; empty when there is none.
std::string LowerCaseExtension(const std::string& path);

}  // namespace selvo

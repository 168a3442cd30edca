#pragma once
// Directory listing for recording folders. Exports come from Windows media,
// where names match without regard to case, so every name test here folds
// ASCII case. Entry types come from the directory itself (d_type); only
// file systems that do not report them, and symbolic links, cost a stat.
#include <functional>
#include <string>
#include <string_view>

#include "source/PathNames.h"

namespace selvo {

enum class EntryType { kFile, kDirectory, kOther };

// Calls visit(name, type) for every entry of folder except "." and "..", in
// the order the directory gives them; visit returns false to stop early.
// false (errno telling why) when the folder cannot be opened or its listing
// breaks off.
bool ScanDirectory(const std::string& folder,
                   const std::function<bool(const char* name, EntryType type)>& visit);


// <0, 0, >0 like strcmp, with ASCII letters folded to lower case; bytes
// above 0x7F compare as they are, so multibyte names stay intact.
int CompareIgnoringCase(std::string_view a, std::string_view b);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether name ends in "." + extension, ignoring case ("IMG1.JPG", "jpg").
bool HasExtensionIgnoringCase(std::string_view name, std::string_view extension);

// Full path of the child of folder called name (ignoring case) of the given
// type, or empty. When a case-sensitive file system holds several, the exact
// spelling wins, else the first in byte order, so the choice is stable.
std::string FindChildIgnoringCase(const std::string& folder, std::string_view name, EntryType type);
// The same for a child of any type but a folder: a file, or what stands
// where one should (a link to nothing, a FIFO), so that it can be told.
std::string FindNonFolderChildIgnoringCase(const std::string& folder, std::string_view name);

}  // namespace selvo

#pragma once
// The setting file decides which of the three product variants runs:
// "Viewer2.ini" (5 bytes) or "Viewer.ini" (4 bytes), whose bytes must match
// one of three markers held scrambled in the program. It is looked for in
// the start-up directory first, then where the program is installed.
#include <string>
#include <vector>

namespace selvo {

constexpr int kNoVariant = -1;
constexpr int kVariantCount = 3;

// What a variant changes: window title, About box, settings key.
struct VariantInfo {
  int variant;
  int templateResourceId;
  // Window title and document names, fields separated by '\n'.
  const char* templateString;
  int aboutTemplateId;
  int aboutCommandId;
  int companyStringId;  // settings organization
  int productStringId;  // settings application
};

// Facts of variant 0..2; any other number answers variant 0's.
const VariantInfo& VariantFor(int variant);

// The variant chosen by the setting file in `directory`, or kNoVariant when
// there is none, it cannot be read, has the wrong length or matches no
// marker. Only "Viewer2.ini" is examined when it exists.
int DetectVariant(const std::string& directory = ".");

// Where the setting file is looked for, in order: the current directory
// (a setting file placed there still chooses the variant), the program's
// own directory, the data folder beside it (../share/selvo-viewer), then
// the data folders of the system (dataDirectories). Empty entries and
// repeats are left out.
std::vector<std::string> SettingFileDirectories(const std::string& currentDirectory,
                                                const std::string& programDirectory,
                                                const std::vector<std::string>& dataDirectories);

// The variant chosen by the first directory that holds a setting file; a
// damaged file there decides (kNoVariant) rather than letting a later
// directory choose. kNoVariant when none holds one.
int FindVariant(const std::vector<std::string>& directories);

}  // namespace selvo

#pragma once
// The setting file in the start-up directory decides which of the three
// product variants runs: "Viewer2.ini" (5 bytes) or "Viewer.ini" (4 bytes),
// whose bytes must match one of three markers held scrambled in the program.
#include <string>

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

}  // namespace selvo

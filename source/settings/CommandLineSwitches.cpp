#include "source/settings/CommandLineSwitches.h"

#include <cctype>

namespace selvo {

namespace {

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The switch word without its "-", "--" or "/" lead-in; empty when the
// parameter carries none.
std::string SwitchWord(const std::string& param) {
  if (param.compare(0, 2, "--") == 0) return param.substr(2);
  if (!param.empty() && (param[0] == '-' || param[0] == '/')) return param.substr(1);
  return {};
}

bool IsSwitchLeadIn(char c) { return c == '-' || c == '/'; }

// Every absolute path starts with "/", so a "/" parameter is a switch only
// for the two words "check" and "log"; anything else there is a path.
bool IsSlashSwitch(const std::string& word) {
  std::string lower = Lowercase(word);
  return lower == "check" || lower == "log";
}

}  // namespace

void ViewerCommandLineInfo::Parse(int argc, const char* const* argv) {
  std::vector<std::string> params;
  for (int i = 1; i < argc; ++i) params.emplace_back(argv[i] ? argv[i] : "");
  Parse(params);
}

void ViewerCommandLineInfo::Parse(const std::vector<std::string>& params) {
  for (std::size_t i = 0; i < params.size();) i += ParseParam(params, i);
}

std::size_t ViewerCommandLineInfo::ParseParam(const std::vector<std::string>& params,
                                              std::size_t index) {
  const std::string& param = params[index];
  if (param.empty()) return 1;
  bool looksLikeSwitch = IsSwitchLeadIn(param[0]) && !switchesEnded_;
  if (looksLikeSwitch && param[0] == '/' && !IsSlashSwitch(param.substr(1))) {
    looksLikeSwitch = false;
  }
  if (looksLikeSwitch) {
    const std::string* next = index + 1 < params.size() ? &params[index + 1] : nullptr;
    std::size_t used = 1;
    if (param == "--") {
      switchesEnded_ = true;
    } else {
      ParseSwitch(SwitchWord(param), next, used);
    }
    return used;
  }
  if (openPath.empty()) openPath = param;
  return 1;
}

void ViewerCommandLineInfo::ParseSwitch(const std::string& word, const std::string* next,
                                        std::size_t& used) {
  std::string lower = Lowercase(word);
  if (lower == "check") {
    checkMode = true;
  } else if (lower == "log") {
    logMode = true;
  } else if (lower == "help" || lower == "h") {
    wantsHelp = true;
  } else if (lower == "version") {
    wantsVersion = true;
  } else if (lower == "disc" && next) {
    discPath = *next;
    used = 2;
  } else if (lower.compare(0, 5, "disc=") == 0) {
    discPath = word.substr(5);
  } else if (lower == "case" && next) {
    casePath = *next;
    used = 2;
  } else if (lower.compare(0, 5, "case=") == 0) {
    casePath = word.substr(5);
  }
  // Any other switch is ignored.
}

}  // namespace selvo

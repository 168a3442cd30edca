#pragma once
// The viewer's command line: the switches "check" (draw alteration marks)
// and "log" (disc trace log), compared without regard to case and
// introduced by "-", "--" or "/", and the recording folder to open.
#include <string>
#include <vector>

namespace selvo {

class ViewerCommandLineInfo {
 public:
  // argv[0] is the program and is skipped.
  void Parse(int argc, const char* const* argv);
  // Parameters without the program name.
  void Parse(const std::vector<std::string>& params);

  bool checkMode = false;
  bool logMode = false;
  bool wantsHelp = false;
  bool wantsVersion = false;
  std::string openPath;  // first parameter that is not a switch
  std::string discPath;  // "--disc PATH": disc device or disc image
  std::string casePath;  // "--case FILE": the case file instead of the default one

 private:
  // Returns how many parameters it used (1, or 2 for "--disc PATH" and
  // "--case FILE").
  std::size_t ParseParam(const std::vector<std::string>& params, std::size_t index);
  void ParseSwitch(const std::string& word, const std::string* next, std::size_t& used);

  bool switchesEnded_ = false;  // after "--" every parameter is a path
};

}  // namespace selvo

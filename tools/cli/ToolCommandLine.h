#pragma once
// The command line every selvo tool reads, on getopt_long: long options as
// "--name value" or "--name=value", "--" ending them, operands anywhere,
// --help and --version answered alike, and a usage error told in one line
// with where to read more.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace selvo {

class ToolCommandLine {
 public:
  // Exit status of a usage error, the same in every tool.
  static constexpr int kUsageError = 2;

  // program names the tool in its messages; usage is its --help text.
  ToolCommandLine(std::string program, const char* usage);

  // An option without a value; set runs each time it is given.
  ToolCommandLine& Flag(const char* name, std::function<void()> set);
  // An option with a value; take returns why the value is refused, or an
  // empty text when it was taken.
  ToolCommandLine& Value(const char* name, std::function<std::string(const std::string&)> take);
  // Text printed after the usage by --help, for a second form of the tool.
  ToolCommandLine& MoreHelp(const char* text);

  // Reads the arguments. Empty when the tool should go on with Operands();
  // otherwise the exit status to leave with: 0 after --help or --version,
  // kUsageError after a usage error, which is already told.
  std::optional<int> Parse(int argc, char** argv);
  const std::vector<std::string>& Operands() const { return operands_; }

  // Tells a usage error found after parsing; returns kUsageError.
  int UsageError(const std::string& why) const;

 private:
  struct Option {
    std::string name;
    bool takesValue = false;
    std::function<void()> set;
    std::function<std::string(const std::string&)> take;
  };

  std::string program_;
  const char* usage_;
  const char* moreHelp_ = nullptr;
  std::vector<Option> options_;
  std::vector<std::string> operands_;
};

}  // namespace selvo

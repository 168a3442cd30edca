#include "tools/cli/ToolCommandLine.h"

#include <getopt.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

namespace {

// getopt_long's answers besides an option's index.
constexpr int kOperand = 1;        // "-" first in the option string: operands in turn
constexpr int kMissingValue = ':';  // ":" next: a missing value told apart
constexpr int kNotKnown = '?';
constexpr int kHelp = 'h';
constexpr int kVersion = 255;   // no short form
constexpr int kFirstIndex = 256;   // above every character getopt_long returns

}  // namespace

ToolCommandLine::ToolCommandLine(std::string program, const char* usage)
    : program_(std::move(program)), usage_(usage) {}

ToolCommandLine& ToolCommandLine::Flag(const char* name, std::function<void()> set) {
  options_.push_back({name, false, std::move(set), nullptr});
  return *this;
}

ToolCommandLine& ToolCommandLine::Value(const char* name, std::function<std::string(const std::string&)> take) {
  options_.push_back({name, true, nullptr, std::move(take)});
  return *this;
}

ToolCommandLine& ToolCommandLine::MoreHelp(const char* text) {
  moreHelp_ = text;
  return *this;
}

int ToolCommandLine::UsageError(const std::string& why) const {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program_.c_str(),
               TerminalSafe(why).c_str(), program_.c_str());
  return kUsageError;
}

std::optional<int> ToolCommandLine::Parse(int argc, char** argv) {
  std::vector<option> table;
  for (std::size_t i = 0; i < options_.size(); ++i) {
    table.push_back({options_[i].name.c_str(), options_[i].takesValue ? required_argument : no_argument, nullptr,
                     kFirstIndex + static_cast<int>(i)});
  }
  table.push_back({"help", no_argument, nullptr, kHelp});
  table.push_back({"version", no_argument, nullptr, kVersion});
  table.push_back({nullptr, 0, nullptr, 0});

  operands_.clear();
  // Zero makes getopt_long start afresh; its own messages are replaced by ours.
  optind = 0;
  opterr = 0;
  for (;;) {
    const int got = getopt_long(argc, argv, "-:h", table.data(), nullptr);
    if (got == -1) break;
    // The word getopt_long just read, for the messages.
    const std::string word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    if (got == kOperand) {
      operands_.emplace_back(optarg);
    } else if (got == kHelp) {
      std::fputs(usage_, stdout);
      if (moreHelp_ != nullptr) std::fputs(moreHelp_, stdout);
      return 0;
    } else if (got == kVersion) {
      std::printf("%s %s\n", program_.c_str(), SELVO_VERSION);
      return 0;
    } else if (got == kMissingValue) {
      return UsageError("missing value after " + word);
    } else if (got == kNotKnown) {
      // optopt names a known option given a value it does not take, or
      // an unknown short option; it is 0 for an unknown long one.
      if (optopt == 0) return UsageError("unknown option " + word);
      if (word.rfind("--", 0) == 0) return UsageError(word.substr(0, word.find('=')) + " takes no value");
      return UsageError(std::string("unknown option -") + static_cast<char>(optopt));
    } else {
      const Option& chosen = options_[static_cast<std::size_t>(got - kFirstIndex)];
      if (!chosen.takesValue) {
        chosen.set();
        continue;
      }
      const std::string refusal = chosen.take(optarg);
      if (!refusal.empty()) return UsageError(refusal);
    }
  }
  // Everything after "--" is an operand, even when it looks like an option.
  for (int i = optind; i < argc; ++i) operands_.emplace_back(argv[i]);
  return std::nullopt;
}

}  // namespace selvo

#pragma once
// Runs a program of the build as a user would, through the shell, and keeps
// what it printed.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace selvo::test {

struct CommandRun {
  int exitCode = -1;
  std::string out;
};

// stdout only, unless the command itself sends stderr there with 2>&1.
inline CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  const bool keepsStderr = command.find("2>&1") != std::string::npos;
  std::FILE* pipe = popen((keepsStderr ? command : command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;  // a crash is never a verdict
  return run;
}

// One page's text, each run of spaces made one: the layout is pdftotext's guess.
inline std::string PdfText(const std::string& pdf, int page) {
  const std::string pages = " -f " + std::to_string(page) + " -l " + std::to_string(page);
  const std::string text = RunCommand("pdftotext -layout" + pages + " '" + pdf + "' -").out;
  std::string single;
  for (char c : text) {
    if (c != ' ' || single.empty() || single.back() != ' ') single += c;
  }
  return single;
}

// A program at the build root.
inline std::string Tool(const char* name) { return std::string(SELVO_BINARY_DIR) + "/" + name; }

}  // namespace selvo::test

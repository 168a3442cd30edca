// selvo-check without --decode over a 10,000-image recording, against `cat`
// of the same files to /dev/null: the check should cost little more than
// reading the bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

double SecondsOf(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) == -1) std::perror("system");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const std::string bin = SELVO_BINARY_DIR;
  const std::string demo = bin + "/bench-data/check-10k";
  if (!std::filesystem::exists(demo + "/.complete")) {
    std::filesystem::remove_all(demo);
    const std::string make = bin + "/selvo-make-demo " + demo + " --frames 10000 --fast --no-alter > /dev/null";
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "could not make the benchmark recording\n");
      return 1;
    }
    std::FILE* mark = std::fopen((demo + "/.complete").c_str(), "w");
    if (mark) std::fclose(mark);
  }
  const std::string check = bin + "/selvo-check --quiet " + demo + " > /dev/null";
  const std::string cat = "find " + demo + " -name '*.jpg' -print0 | xargs -0 cat > /dev/null";
  SecondsOf(cat);  // warm the page cache for both
  double best_check = 1e9, best_cat = 1e9;
  for (int round = 0; round < 5; ++round) {
    best_cat = std::min(best_cat, SecondsOf(cat));
    best_check = std::min(best_check, SecondsOf(check));
  }
  std::printf("selvo-check 10k images: %.3f s, cat: %.3f s, ratio %.2f (target <= 1.5)\n", best_check, best_cat,
              best_check / best_cat);
  return 0;
}

#include "source/text/UiLanguage.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace selvo {

namespace {

std::atomic<UiLanguage> g_language{UiLanguage::English};

// The C library treats an empty variable like an unset one.
std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string MessagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = Variable(name);
    if (!value.empty()) return value;
  }
  return {};
}

bool IsPlainCLocale(const std::string& locale) {
  return locale.empty() || locale == "C" || locale == "POSIX";
}

std::string FirstListedLanguage(const std::string& list) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) return list.substr(start, end - start);
    start = end + 1;
  }
  return {};
}

// LANGUAGE never overrides the plain C locale: programs run that way expect
// untranslated output.
std::string EffectiveLanguage() {
  std::string locale = MessagesLocale();
  if (IsPlainCLocale(locale)) return locale;
  std::string listed = FirstListedLanguage(Variable("LANGUAGE"));
  return listed.empty() ? locale : listed;
}

}  // namespace

UiLanguage DetectUiLanguage() {
  return EffectiveLanguage().compare(0, 2, "ja") == 0 ? UiLanguage::Japanese
                                                      : UiLanguage::English;
}

void SetUiLanguage(UiLanguage language) { g_language = language; }

UiLanguage CurrentUiLanguage() { return g_language; }

}  // namespace selvo

#pragma once
// The language the viewer speaks: Japanese when the system's UI language is
// Japanese, English otherwise. Chosen once at start-up.

namespace selvo {

enum class UiLanguage { English, Japanese };

// Reads the environment the way the C library picks the language for
// messages: LC_ALL, else LC_MESSAGES, else LANG names the locale; unless
// that locale is "C"/"POSIX"/unset, a LANGUAGE list overrides it.
UiLanguage DetectUiLanguage();

// Process-wide choice; English until set.
void SetUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();

}  // namespace selvo

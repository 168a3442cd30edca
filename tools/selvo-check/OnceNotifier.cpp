#include "tools/selvo-check/OnceNotifier.h"

#include <algorithm>

#include "tools/selvo-check/TextEscapes.h"

namespace selvo {

void OnceNotifier::Notify(NoticeKind kind, const std::string& text) {
  if (std::find(shown_.begin(), shown_.end(), text) != shown_.end()) return;
  shown_.push_back(text);
  stderr_.Notify(kind, TerminalSafe(text, true));
}

}  // namespace selvo

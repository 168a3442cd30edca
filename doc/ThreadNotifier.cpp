#include "doc/ThreadNotifier.h"

#include <algorithm>

namespace selvo {

ThreadNotifier::ThreadNotifier(Notifier& target) : target_(target), ownerThread_(std::this_thread::get_id()) {}

void ThreadNotifier::Notify(NoticeKind kind, const std::string& text) {
  if (std::this_thread::get_id() == ownerThread_ && !holdAll_) {
    target_.Notify(kind, text);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  const bool known = std::any_of(held_.begin(), held_.end(),
                                 [&](const std::pair<NoticeKind, std::string>& held) { return held.second == text; });
  if (!known) held_.emplace_back(kind, text);
}

void ThreadNotifier::HoldAll() { holdAll_ = true; }

void ThreadNotifier::ShowHeld() {
  holdAll_ = false;
  std::vector<std::pair<NoticeKind, std::string>> held;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    held.swap(held_);
  }
  for (const auto& notice : held) target_.Notify(notice.first, notice.second);
}

}  // namespace selvo

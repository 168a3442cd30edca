#pragma once
// Hands the disc source's messages to the user-interface notifier. A message
// raised on the user-interface thread goes through at once; one raised on a
// worker (the copy thread reads the disc) cannot open a message box there,
// so it is held and shown by ShowHeld once the worker has ended, each text
// once however many sectors failed.
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "source/Notifier.h"

namespace selvo {

class ThreadNotifier : public Notifier {
 public:
  // target must outlive this; its thread is the one that constructs this.
  explicit ThreadNotifier(Notifier& target);

  void Notify(NoticeKind kind, const std::string& text) override;
  // Holds the owner thread's messages too, until ShowHeld: a message box
  // must not come up under the wait cursor while a drive is answering.
  void HoldAll();
  // Shows what was held, in order, and forgets it; stops holding the owner
  // thread's messages. Call on the thread that constructed this.
  void ShowHeld();

 private:
  Notifier& target_;
  std::thread::id ownerThread_;
  std::mutex mutex_;
  std::vector<std::pair<NoticeKind, std::string>> held_;
  bool holdAll_ = false;  // owner thread only
};

}  // namespace selvo

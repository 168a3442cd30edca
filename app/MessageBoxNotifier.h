#pragma once
// The viewer's Notifier: every message of the recording core becomes a
// modal message box over the main window.
#include <QPointer>
#include <QWidget>

#include "source/Notifier.h"

namespace selvo {

class MessageBoxNotifier : public Notifier {
 public:
  explicit MessageBoxNotifier(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Notify(NoticeKind kind, const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace selvo

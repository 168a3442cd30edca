#pragma once
// A directory chooser that opens with a given folder selected and returns
// only file-system folders.
#include <QString>

class QWidget;

namespace selvo {

class FolderBrowser {
 public:
  static constexpr int kChosen = 1;
  static constexpr int kCancelled = 2;
  static constexpr int kRootUnresolved = -1;

  explicit FolderBrowser(QWidget* owner) : owner_(owner) {}
  virtual ~FolderBrowser() = default;

  void SetTitle(const QString& title) { title_ = title; }
  void SetInitialPath(const QString& path) { initialPath_ = path; }
  // Root folder of the browse; empty means the whole file system.
  void SetRoot(const QString& root) { root_ = root; }

  // kChosen, kCancelled, or kRootUnresolved when the root does not exist.
  int Browse();

  const QString& ChosenPath() const { return chosenPath_; }
  const QString& DisplayName() const { return displayName_; }

 protected:
  // Hooks for specialised browsers; they do nothing here.
  virtual void OnInitialized() {}
  virtual void OnSelectionChanged(const QString& /*path*/) {}

 private:
  QWidget* owner_;
  QString title_;
  QString initialPath_;
  QString root_;
  QString chosenPath_;
  QString displayName_;
};

}  // namespace selvo

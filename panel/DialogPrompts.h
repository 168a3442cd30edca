#pragma once
// The document's prompts answered with the viewer's dialogs, parented to the
// main window: the open dialog, the save dialog of a copy, "Searching...",
// "Copying...", the list of failed images and the wait cursor.
#include <QPointer>
#include <QWidget>

#include "doc/DocumentPrompts.h"

namespace selvo {

class DialogPrompts : public DocumentPrompts {
 public:
  explicit DialogPrompts(QWidget* parent = nullptr) : parent_(parent) {}

  RecordingChoice ChooseRecording(const std::string& lastFolder) override;
  std::string ChooseCopyDestination(const std::string& suggestedName, const std::string& lastSaveFolder) override;
  void ShowSearching(std::atomic<int>& cancel, AutoResetEvent& ready, const WatchedWork& loader) override;
  void ShowCopying(const std::string& destination, const std::string& fileTitle, int first, int last,
                   const CopyHandshake& handshake, const WatchedWork& copier) override;
  void ShowCopyFailures(const RangeCopy& job) override;
  void BeginWait() override;
  void EndWait() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace selvo

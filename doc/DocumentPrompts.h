#pragma once
// What the document asks of the user while it works: which recording to
// open, where a copy goes, and the modal progress of the loader and copy
// threads. The frame answers with the panel's dialogs (panel/DialogPrompts);
// a document without prompts opens nothing by dialog and indexes and copies
// without showing progress, which is how the tests drive it.
#include <atomic>
#include <functional>
#include <string>

class QObject;

namespace selvo {

class AutoResetEvent;
class RangeCopy;

// What the copy's progress dialog and the copy thread share; the document
// owns it.
struct CopyHandshake {
  AutoResetEvent* copyEvent = nullptr;
  std::atomic<int>* copyCancel = nullptr;
  // Set by the dialog before the event is first signalled; the thread posts
  // its progress here.
  std::atomic<QObject*>* progressWindow = nullptr;
};

// A worker thread watched by a progress dialog: started once the dialog
// exists, with the window it posts its progress to (ProgressEvent), and
// joined before the dialog goes, so that no post outlives its window.
struct WatchedWork {
  std::function<void(QObject* progressWindow)> start;
  std::function<void()> join;
};

// The recording the open dialog chose.
struct RecordingChoice {
  enum class Kind { None, Folder, Disc };
  Kind kind = Kind::None;
  std::string path;  // the folder, or the drive or disc-image file
};

class DocumentPrompts {
 public:
  virtual ~DocumentPrompts() = default;

  // The open dialog, starting at the folder last opened.
  virtual RecordingChoice ChooseRecording(const std::string& lastFolder) = 0;
  // The save dialog of a copy, suggesting a name in the folder last saved
  // to; empty when cancelled.
  virtual std::string ChooseCopyDestination(const std::string& suggestedName, const std::string& lastSaveFolder) = 0;
  // "Searching..." while the loader indexes; cancel becomes 1 when the user
  // cancels, ready is signalled once the dialog is up.
  virtual void ShowSearching(std::atomic<int>& cancel, AutoResetEvent& ready, const WatchedWork& loader) = 0;
  // "Copying..." over the range first..last (1-based) into destination,
  // pacing the copy thread through the handshake.
  virtual void ShowCopying(const std::string& destination, const std::string& fileTitle, int first, int last,
                           const CopyHandshake& handshake, const WatchedWork& copier) = 0;
  // The images of the last copy that could not be written, when any.
  virtual void ShowCopyFailures(const RangeCopy& copy) = 0;
  // The wait cursor over a long step that shows no dialog.
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;
};

}  // namespace selvo

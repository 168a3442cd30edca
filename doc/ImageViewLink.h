#pragma once
// What the document asks of the image view. CSelvoViewerView implements it
// and the frame attaches it to the document (CSelvoViewerDoc::AttachImageView);
// the document's own tests attach a stand-in. Everything runs on the
// user-interface thread.

namespace selvo {

class ImageViewLink {
 public:
  virtual ~ImageViewLink() = default;

  // Invalidate the whole view and repaint it at once (after every position
  // change).
  virtual void RedrawImageView() = 0;
  // Schedule a repaint without forcing it (an overlay setting changed).
  virtual void UpdateImageView() = 0;

  // One pane showing the recording's first channel; all slots emptied.
  virtual void ResetPanes() = 0;
  virtual void SetSplit1() = 0;
  virtual void SetSplit4() = 0;
  virtual void SetSplit9() = 0;
  virtual void SetSplit16() = 0;
  virtual int GetPaneCount() const = 0;  // 1, 4, 9 or 16

  // Command 57607 reaching the view: the print sequence of the current image.
  virtual void PrintImage() = 0;
  // Command 33001: save dialog and bitmap file of the picture as shown.
  virtual void SaveImage() = 0;
};

}  // namespace selvo

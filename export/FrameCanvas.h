#pragma once
// A frame of the shareable export as its painter fills it: 32-bit pixels,
// blue-green-red-unused in memory (Qt's RGB32), top row first.
#include <cstdint>
#include <functional>
#include <string>

#include "export/ExportInput.h"
#include "source/DibBlock.h"

namespace selvo {

struct FrameCanvas {
  std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row
};

// Draws one picture with its texts and marks into the whole canvas as the
// one-pane view shows it; picture is null when it could not be decoded.
// The engine stays free of any drawing library: the caller supplies this.
using FramePainter = std::function<bool(const DibBlock* picture, const ExportPicture& facts,
                                        const std::string& cameraTitle, FrameCanvas& canvas)>;

// What lies over the picture in a frame, for an export that puts the
// picture into the frame itself (decoded and scaled in YCbCr, never through
// RGB) and has only the texts and marks drawn, as the one-pane view draws
// them. Given by the caller, as the painter is.
class FrameOverlays {
 public:
  virtual ~FrameOverlays() = default;
  // Whether the view stretches a picture over the whole of a width x height
  // frame; when not, the export paints whole frames.
  virtual bool PictureFillsFrame(int width, int height) const = 0;
  // Rows the view leaves out at the top of a picture of this height.
  virtual int TopCutRows(int pictureHeight) const = 0;
  // Draws the time text, camera title and alteration marks for facts over
  // the canvas and leaves every other pixel as it was. What it draws
  // depends on facts.time, facts.status and the title alone.
  virtual bool Draw(const ExportPicture& facts, const std::string& cameraTitle, FrameCanvas& canvas) = 0;
};

}  // namespace selvo

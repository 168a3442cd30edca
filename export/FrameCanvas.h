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

}  // namespace selvo

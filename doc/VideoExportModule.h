#pragma once
// The video export runs in a module of its own, loaded at the first export:
// FFmpeg's libraries and theirs are over a hundred shared objects, which
// took half of the viewer's start-up and a third of its memory before any
// window showed, for a command most sessions never use.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "export/VideoExport.h"

namespace selvo {

// One export, handed to the module and filled in by it.
struct VideoExportCall {
  ExportInput* input = nullptr;
  VideoExportOptions options;
  FramePainter painter;
  std::shared_ptr<FrameOverlays> overlays;
  std::vector<ExportChapter> chapters;
  ExportProgress progress;
  std::string output;

  ExportOutcome outcome = ExportOutcome::kFailed;
  std::string error;
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
};

// Runs the export in the module, loading it the first time. When it cannot
// be loaded the call fails, with the loader's reason as its error.
void RunVideoExportModule(VideoExportCall& call);

// The module file's name, looked for beside the program, in
// ../lib/<architecture>/selvo-viewer for an installed one, and in the folder above (the
// build tree's, for the test programs).
constexpr const char* kVideoExportModuleName = "selvo-video-export.so";

}  // namespace selvo

// The module's one entry. callSize guards against a module from another
// build, whose call would not have this layout: it answers false and does
// nothing.
extern "C" bool selvo_video_export_run(selvo::VideoExportCall* call, std::size_t callSize);

// Built into the video export module only, never into the viewer.
#include "doc/VideoExportModule.h"

extern "C" __attribute__((visibility("default"))) bool selvo_video_export_run(selvo::VideoExportCall* call,
                                                                             std::size_t callSize) {
  if (call == nullptr || callSize != sizeof(selvo::VideoExportCall) || call->input == nullptr) return false;
  selvo::VideoExport run(*call->input, call->options);
  run.SetPainter(call->painter);
  run.SetOverlays(call->overlays);
  run.SetChapters(call->chapters);
  run.SetProgress(call->progress);
  call->outcome = run.Run(call->output);
  call->error = run.ErrorText();
  call->problems = run.Problems();
  call->warnings = run.Warnings();
  return true;
}

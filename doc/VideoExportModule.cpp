#include "doc/VideoExportModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>

namespace selvo {

namespace {

using EntryFunction = bool (*)(VideoExportCall*, std::size_t);

struct LoadedModule {
  EntryFunction entry = nullptr;
  std::string error;
};

std::vector<std::filesystem::path> ModuleCandidates() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const fs::path folder = program.parent_path();
  return {folder / kVideoExportModuleName, folder / ".." / SELVO_MODULE_DIR / kVideoExportModuleName,
          folder / ".." / kVideoExportModuleName};
}

// Loaded once and kept: its code may still be on a worker's stack when the
// next export starts, and unloading FFmpeg saves nothing worth the risk.
LoadedModule Load() {
  LoadedModule loaded;
  loaded.error = std::string("the video export module ") + kVideoExportModuleName + " was not found";
  for (const std::filesystem::path& candidate : ModuleCandidates()) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(candidate, error)) continue;
    void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = dlerror();
      loaded.error = "the video export module could not be loaded: " + std::string(reason ? reason : candidate.string());
      continue;
    }
    loaded.entry = reinterpret_cast<EntryFunction>(dlsym(handle, "selvo_video_export_run"));
    if (loaded.entry != nullptr) return loaded;
    loaded.error = "the video export module " + candidate.string() + " has no entry";
    dlclose(handle);
  }
  return loaded;
}

}  // namespace

void RunVideoExportModule(VideoExportCall& call) {
  static std::once_flag once;
  static LoadedModule module;
  std::call_once(once, [] { module = Load(); });
  if (module.entry == nullptr) {
    call.outcome = ExportOutcome::kFailed;
    call.error = module.error;
    return;
  }
  if (!module.entry(&call, sizeof call)) {
    call.outcome = ExportOutcome::kFailed;
    call.error = "the video export module belongs to another build of the viewer";
  }
}

}  // namespace selvo

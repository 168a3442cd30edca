// A small recording folder written from the input, opened and examined as
// selvo-check and the viewer do it. The input's parts (see InputParts.h):
//   0  layout: first byte bit 0 set for JPEG 2000, bit 1 set for images
//      directly in the folder instead of a numbered subfolder;
//   1  the INFO index (left out when empty);
//   2  time.txt (left out when empty);
//   3… one image file each.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/InputParts.h"
#include "fuzz/ScratchFolder.h"
#include "source/FolderImageSource.h"
#include "source/InfoIndex.h"
#include "source/MediaProbe.h"

namespace {

constexpr std::size_t kMaxImages = 8;
constexpr std::size_t kFirstImagePart = 3;
// An INFO index may list far more images than the folder holds.
constexpr int kMaxRecordsExamined = 64;
constexpr int kRecordsDecoded = 2;
constexpr int kAllChannels = -1;

std::string ImageName(std::size_t number, const std::uint8_t layout) {
  char name[48];
  const char* extension = (layout & 1) != 0 ? "jp2" : "jpg";
  if ((layout & 2) != 0) {
    std::snprintf(name, sizeof name, "IMG%08zu.%s", number, extension);
  } else {
    std::snprintf(name, sizeof name, "IMG00001/IMG%08zu.%s", number, extension);
  }
  return name;
}

bool WriteFolder(const std::vector<selvo::fuzz::InputPart>& parts, const selvo::fuzz::ScratchFolder& scratch) {
  const std::uint8_t layout = parts[0].length > 0 ? parts[0].bytes[0] : 0;
  if (parts.size() > 1 && parts[1].length > 0 && !scratch.Write("INFO/FUZZ.INF", parts[1].bytes, parts[1].length)) {
    return false;
  }
  if (parts.size() > 2 && parts[2].length > 0 && !scratch.Write("time.txt", parts[2].bytes, parts[2].length)) {
    return false;
  }
  for (std::size_t i = kFirstImagePart; i < parts.size(); ++i) {
    if (!scratch.Write(ImageName(i - kFirstImagePart + 1, layout), parts[i].bytes, parts[i].length)) return false;
  }
  return true;
}

void ExamineRecords(selvo::FolderImageSource& source) {
  const int examined = std::min(source.RecordCount(), kMaxRecordsExamined);
  for (int i = 0; i < examined; ++i) {
    source.ExamineRecord(i);
    source.GetStatusAt(i);
    source.GetTimeAt(i);
    source.GetStampAt(i);
    source.GetInfoIndex(i);
  }
  for (int i = 0; i < examined && i < kRecordsDecoded; ++i) {
    if (!source.SetPosition(i)) continue;
    std::uint32_t blockSize = 0;
    source.ReadImage(blockSize, selvo::ImageSource::kReadDecode, selvo::SaveTarget{}, true, false);
    source.GetChannel();
  }
  source.IndexForStamp(0);
  source.IndexForStamp(UINT32_MAX);
}

void ExamineChannels(selvo::FolderImageSource& source) {
  for (int channel = -1; channel <= selvo::InfoIndex::kChannels; ++channel) {
    source.HasChannel(channel);
    source.RecordForInfoIndex(source.FirstInfoIndex(channel));
    source.FindChannelForward(channel, 0);
    source.FindChannelBackward(channel, source.GetCount() - 1);
    source.GetChannelTitle(channel);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<selvo::fuzz::InputPart> parts = selvo::fuzz::SplitInput(data, size, kFirstImagePart + kMaxImages);
  const selvo::fuzz::ScratchFolder& scratch = selvo::fuzz::ScratchFolder::Instance();
  scratch.Empty();
  if (!WriteFolder(parts, scratch)) return 0;

  selvo::MediaProbe probe(scratch.Path());
  if (!probe.Probe() || !probe.Kind().Any()) return 0;
  selvo::FolderImageSource source(probe.Kind(), nullptr);
  if (!source.OpenRecording(scratch.Path(), false)) return 0;

  // As opened (the first channel), then every channel, then four panes.
  ExamineRecords(source);
  ExamineChannels(source);
  source.SelectChannels(kAllChannels, 1, nullptr);
  ExamineRecords(source);
  int panes[selvo::InfoIndex::kChannels];
  for (int& pane : panes) pane = selvo::InfoIndex::kEmptySlot;
  source.SelectChannels(source.FirstChannel(), 4, panes);
  ExamineRecords(source);
  return 0;
}

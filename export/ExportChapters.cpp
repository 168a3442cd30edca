#include "export/ExportChapters.h"

#include <algorithm>
#include <utility>

#include "export/MediaOutput.h"

namespace selvo {

ChapterTimes::ChapterTimes(std::vector<ExportChapter> chapters) : chapters_(std::move(chapters)) {
  std::stable_sort(chapters_.begin(), chapters_.end(),
                   [](const ExportChapter& a, const ExportChapter& b) { return a.index < b.index; });
}

void ChapterTimes::PictureWritten(int index, std::int64_t ms) {
  while (starts_.size() < chapters_.size() && chapters_[starts_.size()].index <= index) starts_.push_back(ms);
}

bool ChapterTimes::AddTo(MediaOutput& output, std::int64_t endMs, const char* leadIn) const {
  if (leadIn != nullptr && !starts_.empty() && starts_.front() > 0 && !output.AddChapter(0, starts_.front(), leadIn)) {
    return false;
  }
  for (std::size_t i = 0; i < starts_.size(); ++i) {
    const std::int64_t end = i + 1 < starts_.size() ? starts_[i + 1] : endMs;
    if (!output.AddChapter(starts_[i], std::max(end, starts_[i]), chapters_[i].title)) return false;
  }
  return true;
}

}  // namespace selvo

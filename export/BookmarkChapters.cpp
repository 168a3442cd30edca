#include "export/BookmarkChapters.h"

#include "export/FolderExportInput.h"
#include "export/TagText.h"
#include "source/text/TimeText.h"

namespace selvo {

namespace {

std::string ChapterTitle(const Bookmark& bookmark) {
  if (!bookmark.note.empty()) return TagText(bookmark.note);
  const BookmarkPlace& place = bookmark.place;
  std::string title = place.recordTime != 0 ? FormatIsoTime(place.recordTime) : "image " + std::to_string(place.number);
  if (place.camera > 0) title += ", camera " + std::to_string(place.camera);
  return title;
}

std::string Where(const Bookmark& bookmark) {
  return "bookmark " + std::to_string(bookmark.id) + " (camera " + std::to_string(bookmark.place.camera) + ", image " +
         std::to_string(bookmark.place.number) + ")";
}

}  // namespace

BookmarkChapterList BookmarkChapters(const std::vector<Bookmark>& bookmarks, FolderExportInput& input) {
  BookmarkChapterList list;
  for (const Bookmark& bookmark : bookmarks) {
    const BookmarkPlace& place = bookmark.place;
    if (!input.HoldsPlace(place.camera, place.number)) continue;
    if (bookmark.differs) {
      list.leftOut.push_back(Where(bookmark) + " was made while the folder held other content; no chapter");
      continue;
    }
    const int index = input.IndexOfImage(place.camera, place.number, place.file);
    if (index < 0) {
      list.leftOut.push_back(Where(bookmark) + ": the image there is no longer " + place.file + "; no chapter");
      continue;
    }
    list.chapters.push_back({index, ChapterTitle(bookmark)});
  }
  return list;
}

}  // namespace selvo

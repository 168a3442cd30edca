#pragma once
// An export's chapters from the case file's bookmarks: those of the
// exported camera within the exported range, each titled with its note, or
// with the image's time and camera when the note is empty.
#include <string>
#include <vector>

#include "case/Bookmark.h"
#include "export/ExportChapters.h"

namespace selvo {

class FolderExportInput;

struct BookmarkChapterList {
  std::vector<ExportChapter> chapters;
  // Bookmarks of the exported pictures left out, one line each: made while
  // the folder held other content, or the image at their place is no
  // longer their file. A chapter must not point at another picture.
  std::vector<std::string> leftOut;
};

BookmarkChapterList BookmarkChapters(const std::vector<Bookmark>& bookmarks, FolderExportInput& input);

}  // namespace selvo

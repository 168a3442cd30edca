#pragma once
// selvo-check --report: a PDF an investigator can file. Page 1 sums the
// check up, page 2 draws each camera's time line, the case file's
// bookmarks of the recording follow with their pictures and notes, and
// every problem image follows on a page of its own, drawn by the renderer that draws the
// viewer's screen, its prints and its saved pictures.
#include <string>

#include "tools/selvo-check/ToolCaseFile.h"
#include "tools/selvo-check/ReportFindings.h"

namespace selvo {

// Needs a QGuiApplication. false with the reason in error when the file
// cannot be written.
// reportCase: the bookmarks to list, or why the case file could not be read.
bool WriteCheckReport(const std::string& file, const ReportFindings& findings, const CaseBookmarks& reportCase,
                      std::string& error);

}  // namespace selvo

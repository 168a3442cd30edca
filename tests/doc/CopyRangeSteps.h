#pragma once
// Sets the document's copy range as the panel's buttons do: by stepping to
// each end (a disc source moves by steps only) and pressing Start / End.
#include "doc/CSelvoViewerDoc.h"

namespace selvo::test {

inline void StepCopyRange(CSelvoViewerDoc& doc, int first, int last) {
  doc.GoFirst(false);
  for (int n = 1; n < first; ++n) doc.GoNext(false);
  doc.SetCopyStart();
  for (int n = first; n < last; ++n) doc.GoNext(false);
  doc.SetCopyEnd();
}

}  // namespace selvo::test

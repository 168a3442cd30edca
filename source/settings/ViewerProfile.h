#pragma once
// Everything the viewer remembers besides the variant's five settings and
// its window (source/settings/AppSettings.h) lives beside them, in the same
// store under groups of its own: the print-title history ("Print Title"),
// the examining choices ("Examine"), the recent recordings. One file per
// variant (on Linux ~/.config/<company>/<product>.conf) holds it all.
//
// Earlier versions kept these in an INI file named after the program
// (~/.config/selvo-viewer/selvo-viewer.ini); its values are taken over once.
#include <memory>

class QSettings;

namespace selvo {

// The variant's store, after taking over the old file's values. Falls back
// to the old file itself when the variant names no store.
std::unique_ptr<QSettings> OpenViewerProfile(int variant);

// Copies every value of old that store does not hold yet, and leaves a mark
// in store so that it happens once; the old file is read, never changed.
// Nothing when old is empty or the mark is there. Returns the values
// copied.
int TakeOverOldProfile(const QSettings& old, QSettings& store);

}  // namespace selvo

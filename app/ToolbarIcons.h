#pragma once
// The toolbar's pictures and the program icon, drawn at start-up so that the
// viewer carries no artwork files of its own.
#include <QIcon>

namespace selvo {

// Icon of a toolbar command (open, save, print, the four splits, about);
// a null icon for any other id.
QIcon ToolbarIcon(int commandId);

// The program's window icon: a camera lens over a film strip.
QIcon ProgramIcon();

}  // namespace selvo

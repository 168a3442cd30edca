#pragma once
// The main window's menu commands, one row each: what the item says in
// either language, its keys, when it is enabled or checked, and what it
// does. The frame builds its menus from these rows and answers every
// command-update and dispatch by them, so a new command is one row here and
// one id in doc/CommandIds.h. Commands the document owns name its
// OnCommand / UpdateCommand as their run and state.
#include <QKeySequence>

#include <vector>

#include "doc/CommandIds.h"

namespace selvo {

class CMainFrame;

// The menus, in the order the menu bar and the View menu show them.
enum class FrameMenu { File, Recent, View, TimePosition, Image, Playback, Zoom, Help };

enum FrameCommandFlag : unsigned {
  kSeparatorBefore = 1,
  // The recorder viewer's Japanese File menu has no line above Exit.
  kEnglishSeparatorBefore = 2,
  // Neighbouring rows with this flag exclude each other (radio items).
  kExclusive = 4,
};

struct FrameCommand {
  int id;
  const char* english;
  const char* japanese;
  std::vector<QKeySequence> keys;
  // Null: always enabled, never checked.
  CommandState (*state)(const CMainFrame& frame, int id);
  void (*run)(CMainFrame& frame, int id);
  FrameMenu menu;
  unsigned flags = 0;
  // String-table row of "status prompt\ntooltip"; 0: the row of the id.
  int promptRow = 0;
};

// A menu's title and the menu it opens from (its own for the menu bar's).
struct FrameMenuTitle {
  FrameMenu menu;
  FrameMenu parent;
  const char* english;
  const char* japanese;
};

}  // namespace selvo

#pragma once
// The image view's memory of what each pane shows: per split mode (1, 4, 9,
// 16 panes) sixteen slots with a camera channel and the last picture of that
// channel, so that returning to a split mode restores its assignment. Holds
// the pane menu's rules as well; it knows nothing of windows, so the rules
// can be exercised directly.
#include <array>
#include <functional>
#include <vector>

#include <QString>

#include "doc/CommandIds.h"
#include "source/CalendarTime.h"
#include "source/DibBlock.h"

namespace selvo {

constexpr int kEmptyPane = -9;
constexpr int kAllChannels = -1;
// selectedPane value for a request from the main menu rather than a pane.
constexpr int kMainMenuRequest = -9;

constexpr int kPaneMenu1Image = 40001;
constexpr int kPaneMenu4Image = 40002;
constexpr int kPaneMenu9Image = 40003;
constexpr int kPaneMenu16Image = 40004;
constexpr int kPaneMenuAllChannels = 40005;
constexpr int kPaneMenuChannel0 = 40006;  // 40006..40021: 1ch..16ch

struct PaneSlot {
  int channel = kEmptyPane;
  DibPtr image;
  CalendarSeconds time = 0;
  QString title;
  int status = -1;
  // Whether the slot has been filled from an image of the recording: a pane
  // whose picture would not decode is marked by its status, an empty pane
  // (whose status is only the -1 it was reset to) is not.
  bool hasRecord = false;
  // Locked to a moment: which image of the list the picture is (so a step
  // that keeps it decodes nothing), and whether it lies far from the moment.
  int listIndex = -1;
  bool farInTime = false;

  void DropPicture();
};

class PaneSlotTable {
 public:
  static constexpr int kModes = 4;
  static constexpr int kSlots = 16;
  using ChannelTest = std::function<bool(int channel)>;

  PaneSlotTable() = default;

  // 0 until the first Reset, then 1..4.
  int SideCount() const { return sideCount_; }
  int PaneCount() const { return sideCount_ * sideCount_; }
  int ModeIndex() const { return sideCount_ > 0 ? sideCount_ - 1 : 0; }
  bool IsSplit() const { return sideCount_ > 1; }

  int SelectedPane() const { return selectedPane_; }
  void SetSelectedPane(int pane) { selectedPane_ = pane; }

  PaneSlot& Slot(int mode, int pane) { return slots_[mode][pane]; }
  const PaneSlot& Slot(int mode, int pane) const { return slots_[mode][pane]; }
  PaneSlot& CurrentSlot(int pane) { return slots_[ModeIndex()][pane]; }
  const PaneSlot& CurrentSlot(int pane) const { return slots_[ModeIndex()][pane]; }
  // Channel of pane i in the current split mode.
  int PaneChannel(int pane) const;
  // The sixteen channels of a split mode, as the source's channel selection
  // wants them.
  std::array<int, kSlots> ChannelsOf(int mode) const;

  // One pane showing firstChannel; every slot of every mode emptied.
  void Reset(int firstChannel);

  // The pane of the current mode that shows channel, or -1.
  int PaneShowing(int channel) const;

  // Ids of the pane menu as shown: channels the recording lacks, the current
  // layout and (when split) "--" are left out.
  std::vector<int> MenuItems(const ChannelTest& hasChannel) const;
  // Enabled and checked state of a pane menu item (40001..40021).
  CommandState ItemState(int id, const ChannelTest& hasChannel) const;

  struct CommandResult {
    int channel = kAllChannels;  // the channel selection for the source
    int mode = 0;                // split mode whose channels go with it
    bool invalidate = false;     // a pane was emptied: repaint at once
  };
  // Applies a pane menu command (also the View > Image commands and the
  // double click) and says which channel selection follows from it.
  CommandResult Apply(int id);

 private:
  bool IsPaneInMode(int pane) const { return pane >= 0 && pane < PaneCount(); }

  int sideCount_ = 0;
  int selectedPane_ = -1;
  std::array<std::array<PaneSlot, kSlots>, kModes> slots_{};
};

}  // namespace selvo

#include "view/PaneSlotTable.h"

namespace selvo {

void PaneSlot::DropPicture() {
  image.reset();
  time = 0;
  title.clear();
  listIndex = -1;
  farInTime = false;
  hasRecord = false;
}

int PaneSlotTable::PaneChannel(int pane) const {
  if (pane < 0 || pane >= kSlots) return kEmptyPane;
  return CurrentSlot(pane).channel;
}

std::array<int, PaneSlotTable::kSlots> PaneSlotTable::ChannelsOf(int mode) const {
  std::array<int, kSlots> channels{};
  for (int i = 0; i < kSlots; ++i) channels[i] = slots_[mode][i].channel;
  return channels;
}

void PaneSlotTable::Reset(int firstChannel) {
  sideCount_ = 1;
  for (auto& mode : slots_) {
    for (auto& slot : mode) {
      slot.channel = kEmptyPane;
      slot.DropPicture();
      slot.status = -1;
    }
  }
  slots_[0][0].channel = firstChannel;
}

int PaneSlotTable::PaneShowing(int channel) const {
  for (int i = 0; i < PaneCount(); ++i) {
    if (CurrentSlot(i).channel == channel) return i;
  }
  return -1;
}

std::vector<int> PaneSlotTable::MenuItems(const ChannelTest& hasChannel) const {
  std::vector<int> ids;
  for (int id = kPaneMenu1Image; id <= kPaneMenu16Image; ++id) {
    const int sides = id - kPaneMenu1Image + 1;
    if (sides != sideCount_) ids.push_back(id);
  }
  if (!IsSplit()) ids.push_back(kPaneMenuAllChannels);
  for (int channel = 0; channel < kSlots; ++channel) {
    if (hasChannel(channel)) ids.push_back(kPaneMenuChannel0 + channel);
  }
  return ids;
}

CommandState PaneSlotTable::ItemState(int id, const ChannelTest& hasChannel) const {
  CommandState state;
  state.checkable = true;
  if (id < kPaneMenuAllChannels) {
    // The layout items carry no channel; they are always available.
    state.enabled = true;
    return state;
  }
  const int channel = id - kPaneMenuChannel0;
  state.enabled = hasChannel(channel);
  if (state.enabled && IsSplit()) {
    for (int i = 0; i < PaneCount(); ++i) {
      if (i != selectedPane_ && CurrentSlot(i).channel == channel) state.enabled = false;
    }
  }
  state.checked = state.enabled && IsPaneInMode(selectedPane_) && CurrentSlot(selectedPane_).channel == channel;
  return state;
}

PaneSlotTable::CommandResult PaneSlotTable::Apply(int id) {
  CommandResult result;
  result.mode = ModeIndex();
  int channel = id - kPaneMenuChannel0;
  if (id == kPaneMenu1Image) {
    const int fromMode = ModeIndex();
    const bool fromPane = selectedPane_ >= 0 && selectedPane_ < (fromMode + 1) * (fromMode + 1);
    sideCount_ = 1;
    PaneSlot& single = slots_[0][0];
    if (!fromPane) {
      channel = single.channel;
      if (channel == kEmptyPane) result.invalidate = true;
    } else {
      channel = slots_[fromMode][selectedPane_].channel;
      if (channel == kEmptyPane) channel = kAllChannels;
      single.channel = channel;
    }
    result.mode = 0;
  } else if (id >= kPaneMenu4Image && id <= kPaneMenu16Image) {
    sideCount_ = id - kPaneMenu1Image + 1;
    channel = kAllChannels;
    result.mode = ModeIndex();
  } else if (IsSplit()) {
    if (IsPaneInMode(selectedPane_)) {
      PaneSlot& slot = CurrentSlot(selectedPane_);
      if (slot.channel != kEmptyPane && slot.image) slot.DropPicture();
      // Choosing the pane's own channel again empties the pane.
      if (slot.channel == channel) channel = kEmptyPane;
      slot.channel = channel;
    }
    result.invalidate = channel == kEmptyPane;
  } else {
    slots_[0][0].channel = channel;
    result.invalidate = channel == kEmptyPane;
  }
  result.channel = channel;
  return result;
}

}  // namespace selvo

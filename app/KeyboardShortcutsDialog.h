#pragma once
// Help > Keyboard Shortcuts: every key of the main window's commands, with
// the item it runs and the menu it is in, and what the mouse does in the
// image view. The frame hands it the entries built from its command table
// (CMainFrame::ShortcutEntries), so the list cannot drift from the keys.
#include <QDialog>
#include <QString>

#include <vector>

class QTableWidget;

namespace selvo {

struct ShortcutEntry {
  QString keys;    // in the platform's words, several separated by ", "
  QString action;  // the menu item's text without mnemonic and "..."
  QString where;   // "View > Playback"
};

class KeyboardShortcutsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit KeyboardShortcutsDialog(const std::vector<ShortcutEntry>& entries, QWidget* parent = nullptr);

  QTableWidget* Table() const { return table_; }

 private:
  QTableWidget* table_ = nullptr;
};

}  // namespace selvo

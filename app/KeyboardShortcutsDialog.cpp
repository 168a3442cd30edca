#include "app/KeyboardShortcutsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

KeyboardShortcutsDialog::KeyboardShortcutsDialog(const std::vector<ShortcutEntry>& entries, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(UiString(str::kKeyboardTitle));
  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(static_cast<int>(entries.size()), 3, this);
  table_->setObjectName("shortcutTable");
  table_->setHorizontalHeaderLabels(
      {UiString(str::kKeyColumnString), UiString(str::kActionColumnString), UiString(str::kMenuColumnString)});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setShowGrid(false);
  table_->setAlternatingRowColors(true);
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    const ShortcutEntry& entry = entries[static_cast<std::size_t>(row)];
    table_->setItem(row, 0, new QTableWidgetItem(entry.keys));
    table_->setItem(row, 1, new QTableWidgetItem(entry.action));
    table_->setItem(row, 2, new QTableWidgetItem(entry.where));
  }
  table_->resizeColumnsToContents();
  table_->resizeRowsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(UiText("Close", "閉じる"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &KeyboardShortcutsDialog::reject);
  layout->addWidget(buttons);
  // Wide enough for the three columns, tall enough for most rows.
  int width = 0;
  for (int column = 0; column < 3; ++column) width += table_->columnWidth(column);
  resize(std::max(520, width + 60), 560);
}

}  // namespace selvo

// The open dialog's "Browse...": where the folder browser starts, and where
// the focus is when it closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "panel/OpenRecordingDialog.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

struct BrowserSeen {
  QString directory;
  QStringList selected;
};

// Closes the folder browser as soon as it is up, noting where it started.
BrowserSeen BrowseFrom(OpenRecordingDialog& dialog, const QString& typed) {
  BrowserSeen seen;
  dialog.PathEdit()->setText(typed);
  QTimer::singleShot(0, [&seen] {
    if (auto* browser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      seen.directory = QDir::cleanPath(browser->directory().absolutePath());
      seen.selected = browser->selectedFiles();
      browser->reject();
    }
  });
  dialog.BrowseButton()->click();
  return seen;
}

class OpenRecordingDialogTest : public ::testing::Test {
 protected:
  OpenRecordingDialogTest() {
    scratch.MakeDir("remembered");
    scratch.MakeDir("typed/rec");
    dialog.initialFolder = Path("remembered");
    dialog.choice = OpenRecordingDialog::kChoiceFolder;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
  }
  QString Path(const char* name) const { return QDir::cleanPath(QString::fromStdString(scratch / name)); }

  test::TestFolder scratch;
  OpenRecordingDialog dialog;
};

TEST_F(OpenRecordingDialogTest, FolderBrowserStartsAtTheTypedPathNotTheRememberedOne) {
  const BrowserSeen seen = BrowseFrom(dialog, Path("typed/rec"));
  EXPECT_EQ(seen.directory, Path("typed"));
  ASSERT_EQ(seen.selected.size(), 1);
  EXPECT_EQ(QDir::cleanPath(seen.selected.first()), Path("typed/rec"));

  // A path typed only partly right starts at the part that exists.
  EXPECT_EQ(BrowseFrom(dialog, Path("typed/rec/not/yet")).directory, Path("typed/rec"));
  // An empty field falls back to the folder opened last.
  EXPECT_EQ(BrowseFrom(dialog, QString()).directory, Path("."));
}

TEST_F(OpenRecordingDialogTest, AfterBrowseTheFocusIsBackOnOk) {
  dialog.BrowseButton()->setFocus();
  BrowseFrom(dialog, Path("typed/rec"));
  EXPECT_EQ(dialog.focusWidget(), dialog.OkButton());
  EXPECT_TRUE(dialog.OkButton()->isDefault());
}

}  // namespace
}  // namespace selvo

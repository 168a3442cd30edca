// The title history kept in the profile and the date format dialog's live
// list and sample.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>

#include <ctime>

#include "app/DateFormatDialog.h"
#include "app/TitleInputDialog.h"
#include "source/CalendarTime.h"
#include "tests/TestFolder.h"

namespace selvo {
namespace {

class TitleHistoryTest : public ::testing::Test {
 protected:
  test::TestFolder scratch;
  QSettings profile{QString::fromStdString(scratch / "profile.ini"), QSettings::IniFormat};

  void Store(const QStringList& titles) {
    for (int key = 1; key <= 10; ++key)
      profile.setValue(QStringLiteral("Print Title/%1").arg(key), key <= titles.size() ? titles[key - 1] : QString());
  }
  // Runs the dialog as the user would: shown, a title typed, OK.
  void Enter(const QString& text) {
    TitleInputDialog dialog(profile);
    dialog.show();
    dialog.TitleBox()->setEditText(text);
    dialog.accept();
    EXPECT_EQ(dialog.title, text);
  }
  QStringList StoredKeys() {
    QStringList values;
    for (int key = 1; key <= 10; ++key) values << profile.value(QStringLiteral("Print Title/%1").arg(key)).toString();
    return values;
  }
};

TEST_F(TitleHistoryTest, DialogOffersStoredTitlesAndPresetsTheCurrentOne) {
  Store({"GATE", "", "LOBBY"});
  TitleInputDialog dialog(profile);
  dialog.title = "本日の記録";
  dialog.show();
  ASSERT_EQ(dialog.TitleBox()->count(), 2);  // the empty key is skipped
  EXPECT_EQ(dialog.TitleBox()->itemText(0), "GATE");
  EXPECT_EQ(dialog.TitleBox()->itemText(1), "LOBBY");
  EXPECT_EQ(dialog.TitleBox()->currentText(), "本日の記録");
}

TEST_F(TitleHistoryTest, EnteredTitlesUpdateTheHistory) {
  const QStringList ten = {"t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9", "t10"};
  struct Case {
    const char* name;
    QStringList stored;
    QString entered;
    QStringList expected;
  };
  const Case cases[] = {
      {"known title moves to the top once", {"A", "B", "C"}, "C", {"C", "A", "B", "", "", "", "", "", "", ""}},
      {"empty title pushes an empty key 1", {"A", "B"}, "", {"", "A", "B", "", "", "", "", "", "", ""}},
      {"eleventh title drops the oldest", ten, "new", QStringList{"new"} + ten.mid(0, 9)},
      {"case matters when matching", {"gate"}, "GATE", {"GATE", "gate", "", "", "", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store(c.stored);
    Enter(c.entered);
    EXPECT_EQ(StoredKeys(), c.expected);
  }
}

TEST_F(TitleHistoryTest, EmptyEntryIsNotOfferedNextTime) {
  Store({"A", "B"});
  Enter("");
  EXPECT_EQ(TitleInputDialog::ReadHistory(profile), (QStringList{"A", "B"}));
}

TEST_F(TitleHistoryTest, TypedTitleIsNotCompletedFromTheHistory) {
  Store({"Gate 2"});
  TitleInputDialog dialog(profile);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  QLineEdit* edit = dialog.TitleBox()->lineEdit();
  edit->setFocus();
  edit->clear();
  for (const QChar c : QStringLiteral("gate")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }

  dialog.accept();

  EXPECT_EQ(dialog.title, QStringLiteral("gate"));
  EXPECT_EQ(StoredKeys().first(), QStringLiteral("gate"));
}

TEST(DateFormatDialogTest, DelimiterChoiceRewritesListAndSampleAtOnce) {
  DateFormatDialog dialog;
  dialog.formatIndex = 2;
  dialog.delimiterIndex = 0;
  dialog.show();
  EXPECT_EQ(dialog.FormatList()->currentIndex(), 2);
  EXPECT_EQ(dialog.FormatList()->itemText(0), "MM/dd/yyyy");

  dialog.DelimiterList()->setCurrentIndex(2);

  EXPECT_EQ(dialog.FormatList()->itemText(0), "MM.dd.yyyy");
  EXPECT_EQ(dialog.FormatList()->itemText(1), "dd.MM.yyyy");
  EXPECT_EQ(dialog.FormatList()->itemText(2), "yyyy.MM.dd");
  EXPECT_EQ(dialog.FormatList()->currentIndex(), 2);  // the selection stays
  CalendarFields today;
  ASSERT_TRUE(BreakDownLocalTime(static_cast<CalendarSeconds>(std::time(nullptr)), today));
  EXPECT_EQ(dialog.SampleText(), DateFormatDialog::FormatSample(today.year, today.month, today.day, 2, 2));
  EXPECT_TRUE(dialog.SampleText().contains('.'));

  dialog.FormatList()->setCurrentIndex(0);
  dialog.accept();
  EXPECT_EQ(dialog.formatIndex, 0);
  EXPECT_EQ(dialog.delimiterIndex, 2);
}

TEST(DateFormatDialogTest, SampleFollowsFormatTable) {
  struct Case {
    int format, delimiter;
    const char* expected;
  };
  const Case cases[] = {{0, 0, "03/07/2004"}, {1, 1, "07-03-2004"}, {2, 2, "2004.03.07"}};
  for (const Case& c : cases)
    EXPECT_EQ(DateFormatDialog::FormatSample(2004, 3, 7, c.format, c.delimiter), c.expected);
}

}  // namespace
}  // namespace selvo

#include "app/DateFormatDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

#include <ctime>

#include "source/CalendarTime.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

QChar DelimiterChar(int delimiterIndex) {
  switch (delimiterIndex) {
    case 1: return QLatin1Char('-');
    case 2: return QLatin1Char('.');
    default: return QLatin1Char('/');
  }
}

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }
QString FourDigits(int value) { return QStringLiteral("%1").arg(value, 4, 10, QLatin1Char(' ')); }

}  // namespace

DateFormatDialog::DateFormatDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(UiText("Date Display Format", "日付表示形式"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(UiText("Sample", "サンプル"), this), 0, 0);
  sample_ = new QLabel(this);
  sample_->setObjectName("static1045");
  sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sample_->setMinimumWidth(160);
  grid->addWidget(sample_, 0, 1);
  grid->addWidget(new QLabel(UiText("Format", "形式"), this), 1, 0);
  formatList_ = new QComboBox(this);
  formatList_->setObjectName("list1043");
  formatList_->addItems(FormatPatterns(0));
  grid->addWidget(formatList_, 1, 1);
  grid->addWidget(new QLabel(UiText("Delimiter", "区切り文字"), this), 2, 0);
  delimiterList_ = new QComboBox(this);
  delimiterList_->setObjectName("list1044");
  delimiterList_->addItems({QStringLiteral("/"), QStringLiteral("-"), QStringLiteral(".")});
  grid->addWidget(delimiterList_, 2, 1);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(UiText("OK", "OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(UiText("Cancel", "キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &DateFormatDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DateFormatDialog::reject);
  grid->addWidget(buttons, 3, 0, 1, 2);
  connect(formatList_, &QComboBox::currentIndexChanged, this, [this] { OnFormatChange(); });
  connect(delimiterList_, &QComboBox::currentIndexChanged, this, [this] { OnFormatChange(); });
}

QStringList DateFormatDialog::FormatPatterns(int delimiterIndex) {
  const QChar d = DelimiterChar(delimiterIndex);
  return {QStringLiteral("MM%1dd%1yyyy").arg(d), QStringLiteral("dd%1MM%1yyyy").arg(d),
          QStringLiteral("yyyy%1MM%1dd").arg(d)};
}

QString DateFormatDialog::FormatSample(int year, int month, int day, int formatIndex, int delimiterIndex) {
  const QChar d = DelimiterChar(delimiterIndex);
  switch (formatIndex) {
    case 1: return TwoDigits(day) + d + TwoDigits(month) + d + FourDigits(year);
    case 2: return FourDigits(year) + d + TwoDigits(month) + d + TwoDigits(day);
    default: return TwoDigits(month) + d + TwoDigits(day) + d + FourDigits(year);
  }
}

QString DateFormatDialog::SampleText() const { return sample_->text(); }

void DateFormatDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!initialised_) Initialise();
}

void DateFormatDialog::Initialise() {
  initialised_ = true;
  FillFormatList(formatIndex, delimiterIndex);
  RenderSample(formatIndex, delimiterIndex);
  OnFormatChange();
}

void DateFormatDialog::FillFormatList(int format, int delimiter) {
  // Rewriting the list must not feed back into OnFormatChange.
  const QSignalBlocker blockFormats(formatList_);
  const QSignalBlocker blockDelimiters(delimiterList_);
  formatList_->clear();
  formatList_->addItems(FormatPatterns(delimiter));
  formatList_->setCurrentIndex(format);
  delimiterList_->setCurrentIndex(delimiter);
}

void DateFormatDialog::RenderSample(int format, int delimiter) {
  CalendarFields today;
  if (!BreakDownLocalTime(static_cast<CalendarSeconds>(std::time(nullptr)), today)) return;
  sample_->setText(FormatSample(today.year, today.month, today.day, format, delimiter));
}

void DateFormatDialog::OnFormatChange() {
  if (!initialised_) return;
  const int format = formatList_->currentIndex();
  const int delimiter = delimiterList_->currentIndex();
  if (format == formatIndex && delimiter == delimiterIndex) return;
  formatIndex = format;
  delimiterIndex = delimiter;
  FillFormatList(format, delimiter);
  RenderSample(format, delimiter);
}

void DateFormatDialog::accept() {
  if (initialised_) {
    formatIndex = formatList_->currentIndex();
    delimiterIndex = delimiterList_->currentIndex();
  }
  QDialog::accept();
}

}  // namespace selvo

#include "app/GoToDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "doc/CSelvoViewerDoc.h"
#include "source/text/GoToInput.h"
#include "source/text/StringIds.h"
#include "source/text/UiText.h"

namespace selvo {

namespace {

// The example is the current image's time, so it is in the format to type
// and near where the user is; an image without one gets a made-up moment.
QString ExampleTime(const CSelvoViewerDoc& doc) {
  CalendarSeconds time = doc.GetCurrentTime();
  if (time == 0) time = MakeLocalTime(CalendarFields{2026, 3, 7, 9, 0, 2});
  return QString::fromStdString(doc.FormatImageTime(time));
}

}  // namespace

GoToDialog::GoToDialog(const CSelvoViewerDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
  setWindowTitle(UiString(str::kGoToTitle));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(UiString(str::kGoToPrompt).arg(doc.GetCount()).arg(ExampleTime(doc)), this));
  input_ = new QLineEdit(this);
  input_->setObjectName("goToInput");
  input_->setMinimumWidth(320);
  layout->addWidget(input_);
  problem_ = new QLabel(this);
  problem_->setObjectName("goToProblem");
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  problem_->hide();
  layout->addWidget(problem_);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(UiText("OK", "OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(UiText("Cancel", "キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &GoToDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &GoToDialog::reject);
  layout->addWidget(buttons);
}

QString GoToDialog::Problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

int GoToDialog::ResolveInput(const CSelvoViewerDoc& doc, const QString& text, QString& problem) {
  const int count = doc.GetCount();
  const GoToInput input = ParseGoToInput(text.toStdString(), doc.GetDateFormat());
  CalendarSeconds time = input.time;
  switch (input.kind) {
    case GoToInput::Kind::Number:
      if (input.number >= 1 && input.number <= count) return static_cast<int>(input.number - 1);
      problem = UiString(str::kGoToNoSuchImage).arg(input.number).arg(count);
      return -1;
    case GoToInput::Kind::TimeOfDay:
      time = TimeOfDayOn(doc.GetCurrentTime(), input.fields);
      if (time == 0) {
        problem = UiString(str::kGoToNoTimes);
        return -1;
      }
      break;
    case GoToInput::Kind::Time:
      break;
    case GoToInput::Kind::BadTime:
      problem = UiString(str::kGoToBadTime).arg(text.trimmed());
      return -1;
    case GoToInput::Kind::Invalid:
      problem = UiString(str::kGoToBadInput).arg(count).arg(ExampleTime(doc));
      return -1;
  }
  const int index = doc.NearestImageAtTime(time);
  if (index < 0) problem = UiString(str::kGoToNoTimes);
  return index;
}

void GoToDialog::accept() {
  QString problem;
  const int index = ResolveInput(doc_, input_->text(), problem);
  if (index < 0) {
    problem_->setText(problem);
    problem_->show();
    input_->setFocus();
    input_->selectAll();
    return;
  }
  chosenIndex = index;
  QDialog::accept();
}

}  // namespace selvo

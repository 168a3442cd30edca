#pragma once
// A document started with the "check" switch and its image view, attached
// to each other, for tests that open a small recording and look at what the
// view draws or prints.
#include <gtest/gtest.h>

#include <memory>

#include "doc/CSelvoViewerDoc.h"
#include "source/Notifier.h"
#include "tests/TestFolder.h"
#include "view/CSelvoViewerView.h"

namespace selvo::test {

class CheckedViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    DocumentOptions options;
    options.persistSettings = false;
    options.checkMode = true;
    doc_ = std::make_unique<CSelvoViewerDoc>(options, notifier_);
    view_ = std::make_unique<CSelvoViewerView>(*doc_);
    doc_->AttachImageView(view_.get());
    view_->resize(640, 480);
  }
  void TearDown() override { doc_->AttachImageView(nullptr); }

  TestFolder scratch_;
  RecordingNotifier notifier_;
  std::unique_ptr<CSelvoViewerDoc> doc_;
  std::unique_ptr<CSelvoViewerView> view_;
};

}  // namespace selvo::test

// The main of the tests that need Qt's event loop: a QApplication for the
// widget tests (SELVO_TEST_WIDGETS), a QGuiApplication for the renderer's
// (SELVO_TEST_GUI), a QCoreApplication for the document's.
#include <gtest/gtest.h>

#if defined(SELVO_TEST_WIDGETS)
#include <QApplication>
#elif defined(SELVO_TEST_GUI)
#include <QGuiApplication>
#else
#include <QCoreApplication>
#endif

#include "source/CalendarTime.h"

// Read by ThreadSanitizer (a build with SELVO_TSAN) and by nothing else. Qt
// is not built with it, and its mutexes and wait conditions work on futexes
// the sanitizer cannot see: the work Qt hands to its own thread pool would
// be reported as races of Qt's with itself. Only what Qt's libraries do
// through the sanitizer's interceptors is set aside; every access our code
// makes stays checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "race:QWaitCondition::~QWaitCondition\n";
}

int main(int argc, char** argv) {
  selvo::FixProcessTimeZone();
#if defined(SELVO_TEST_WIDGETS) || defined(SELVO_TEST_GUI)
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
#endif
#if defined(SELVO_TEST_WIDGETS)
  QApplication app(argc, argv);
#elif defined(SELVO_TEST_GUI)
  QGuiApplication app(argc, argv);
#else
  QCoreApplication app(argc, argv);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>

#include "source/CalendarTime.h"

int main(int argc, char** argv) {
  // The viewer fixes its zone at start-up; the tests must see the same one.
  selvo::FixProcessTimeZone();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

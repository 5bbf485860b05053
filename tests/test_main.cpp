// Entry point shared by every test executable.
#include <gtest/gtest.h>

#include "tests/support/file_helpers.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  test_files::RemoveTempDirs();
  return result;
}

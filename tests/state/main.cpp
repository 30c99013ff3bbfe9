#include <gtest/gtest.h>

#include <QCoreApplication>

// The state layer delivers its results through the Qt event loop, so every
// test runs with a real application object.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

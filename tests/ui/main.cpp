#include <gtest/gtest.h>

#include <QCoreApplication>

// The view-models follow AppState, which delivers probe results and queue
// updates through the Qt event loop: every test runs with a real application object.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// Test main of the window tests: offscreen unless a platform was chosen, no session bus.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No notification reaches the desktop: the only session bus is one a test starts.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quillet-tests", 1);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

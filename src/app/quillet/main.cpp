// quillet: the window program.
#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/quillet/command_line.h"

#include "core/sys/autostart.h"
#include "core/sys/file_system.h"
#include "core/sys/program_dir.h"
#include "net/off_thread.h"
#include "ui/behaviour_dialog.h"
#include "ui/connection_dialog.h"
#include "ui/fetch_progress_dialog.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/program_look.h"
#include "ui/qt_japanese.h"
#include "ui/single_instance.h"

namespace quillet {
namespace {

int RunWindows(int argc, char** argv, CommandLineRequest request) {
  QApplication app(argc, argv);
  InstallQtJapanese(app);
  // Another start on the same folder only brings that one's window forward.
  SingleInstance instance(DataDirectory());
  if (!instance.Claim()) return 0;
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  // The desktop entry's name: Wayland compositors match the window to it.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  QApplication::setWindowIcon(AppIcon());

  // The windows' font, and a selection that reads in every theme.
  ProgramLook look(app);

  // Created in this order and kept until the program ends.
  MainWindow mainWindow;
  FetchProgressDialog progressDialog(mainWindow);
  // The dialogs belong to the main window, so that they open above it.
  ConnectionDialog connectionDialog(&mainWindow);
  BehaviourDialog behaviourDialog(&mainWindow);
  mainWindow.SetWindows(&progressDialog, &connectionDialog, &behaviourDialog);
  instance.OnShowRequested = [&mainWindow] { mainWindow.BringToFront(); };
  if (request == CommandLineRequest::kRunInTray) {
    mainWindow.StartInTray();
  } else {
    mainWindow.show();
  }

  return app.exec();
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
  using namespace quillet;
  const CommandLineRequest request =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (request) {
    case CommandLineRequest::kHelp:
      std::cout << UsageText();
      return 0;
    case CommandLineRequest::kVersion:
      std::cout << "quillet " QUILLET_VERSION "\n";
      return 0;
    case CommandLineRequest::kUnknownOption:
      std::cerr << UsageText();
      return 2;
    case CommandLineRequest::kRun:
    case CommandLineRequest::kRunInTray:
      break;
  }
  if (const std::string home = ChosenHome(); !home.empty() && !DirectoryExists(home)) {
    std::cerr << "quillet: QUILLET_HOME: no such folder: " << home << "\n";
    return 2;
  }
  const int status = RunWindows(argc, argv, request);
  // A page still being cut on its own thread is not waited for: whatever the
  // program keeps has been written by now.
  if (OffThreadWork() > 0) std::_Exit(status);
  return status;
}

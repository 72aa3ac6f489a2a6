// The program's four windows over a temporary folder, message boxes recorded.
#pragma once

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "core/sys/network_check.h"
#include "core/text/text_codec.h"
#include "net/transfer_floor.h"
#include "support/settings_edits.h"
#include "support/spin_until.h"
#include "support/temp_home.h"
#include "ui/behaviour_dialog.h"
#include "ui/browser_launch.h"
#include "ui/connection_dialog.h"
#include "ui/fetch_progress_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/log_search_window.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/report_view.h"

namespace quillet::test {

using Texts = std::vector<std::string>;  // UTF-8

// The control or action named `name` inside `parent`; a missing one fails the test.
template <typename T>
T* Find(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) throw std::runtime_error(std::string("no child named ") + name);
  return child;
}

// The texts of a list's column, top to bottom, as its model gives them.
inline Texts Column(const QAbstractItemView& list, int column) {
  Texts texts;
  const QAbstractItemModel& rows = *list.model();
  for (int row = 0; row < rows.rowCount(); ++row)
    texts.push_back(rows.index(row, column).data().toString().toStdString());
  return texts;
}

// Selects a list's row as a click would.
inline void SelectRow(QAbstractItemView& list, int row) {
  list.setCurrentIndex(list.model()->index(row, 0));
}

struct ShownMessage {
  std::string text, caption;  // UTF-8
  MessageIcon icon;
};

class ProgramWindows {
 public:
  ProgramWindows()  // the dialogs belong to the main window, as in the program
      : progressDialog(mainWindow), connectionDialog(&mainWindow), behaviourDialog(&mainWindow) {
    // The tests close the main window; that must not end the test program.
    QApplication::setQuitOnLastWindowClosed(false);
    mainWindow.SetWindows(&progressDialog, &connectionDialog, &behaviourDialog);
    SetMessageHookForTesting(
        [this](const std::string& text, const std::string& caption, MessageIcon icon) {
          messages.push_back({Cp932ToUtf8(text), Cp932ToUtf8(caption), icon});
          if (OnMessage) OnMessage();
        });
  }
  ~ProgramWindows() { SetMessageHookForTesting(nullptr); }

  template <typename T = QToolButton>
  T* Main(const char* name) {
    return Find<T>(mainWindow, name);
  }
  void UseProxy(uint16_t port) {
    test::PutSetting(settings::key::kProxy, "127.0.0.1:" + std::to_string(port));
  }

  TempHome home;  // first: the windows read their settings from it
  MainWindow mainWindow;
  FetchProgressDialog progressDialog;
  ConnectionDialog connectionDialog;
  BehaviourDialog behaviourDialog;
  std::vector<ShownMessage> messages;
  std::function<void()> OnMessage;  // runs inside the (not shown) box
};

class WindowsTest : public ::testing::Test {  // a hanging request fails in seconds
 protected:
  WindowsTest() { SetTransferFloorForTesting(TransferFloor{1, std::chrono::seconds(10)}); }
  ~WindowsTest() override { SetTransferFloorForTesting(std::nullopt); }
  ProgramWindows w;
};

// Calls `action` once as soon as `condition` holds, also within network waits.
inline void WhenReady(QObject* context, std::function<bool()> condition,
                      std::function<void()> action) {
  auto* poll = new QTimer(context);
  QObject::connect(poll, &QTimer::timeout, context, [=] {
    if (!condition()) return;
    poll->stop();
    poll->deleteLater();
    action();
  });
  poll->start(0);
}

inline void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& at,
                      Qt::MouseButton button) {
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, button,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// A key press as the window system delivers it: to the focused control.
inline void PressKey(QWidget* target, int key, const QString& text = {}) {
  target->setFocus();
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

// Answers the network check with `up`, recording the proxies asked about.
struct NetworkCheckStub {
  explicit NetworkCheckStub(bool up) {
    SetNetworkCheckForTesting([this, up](const std::string& proxy) {
      proxies.push_back(proxy);
      return up;
    });
  }
  ~NetworkCheckStub() { SetNetworkCheckForTesting(nullptr); }
  Texts proxies;
};

// Records the URL (UTF-8) for the browser, after the program if one is started.
struct RecordingOpener : UrlOpener {
  RecordingOpener() { SetUrlOpener(this); }
  ~RecordingOpener() override { SetUrlOpener(nullptr); }
  void OpenUrl(const std::string& url, Failed) override { opened.push_back(url); }
  void StartProgram(const std::string& program, const std::string& url, Failed) override {
    opened.push_back(program + " " + url);
  }
  Texts opened;
};

}  // namespace quillet::test

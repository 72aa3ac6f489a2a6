// The tray icon component: identifier numbering, its errors, registration,
// the tooltip cut, the mouse messages and the busy rule, and the mapping of
// QSystemTrayIcon's activations.
#include "ui/task_tray.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyleHints>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text_codec.h"

namespace quillet {
namespace {

QIcon RedIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  return QIcon(pixmap);
}

// The message of the error `action` raises, as UTF-8; empty if none.
std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const QuilletError& error) {
    return Cp932ToUtf8(error.what());
  }
  return {};
}

// Pretends that the desktop has (or has not) a notification area.
class TrayAvailable {
 public:
  explicit TrayAvailable(bool available) { TrayIconHost::SetAvailableForTesting(available); }
  ~TrayAvailable() { TrayIconHost::SetAvailableForTesting(std::nullopt); }
};

const char* ButtonName(Qt::MouseButton button) {
  return button == Qt::LeftButton ? "L" : button == Qt::RightButton ? "R" : "M";
}

using Log = std::vector<std::string>;

// Records every event of `tray` as text, e.g. "down R 5,6". The button state
// of a press or release is that button alone, of a move empty.
void Record(TTaskTray& tray, Log& log) {
  auto at = [](const QPoint& p) {
    return " " + std::to_string(p.x()) + "," + std::to_string(p.y());
  };
  auto mouse = [&log, at](std::string what) {
    return
        [&log, at, what](TTaskTray&, Qt::MouseButton b, Qt::MouseButtons state, const QPoint& p) {
          EXPECT_EQ(state, Qt::MouseButtons(b));
          log.push_back(what + ButtonName(b) + at(p));
        };
  };
  tray.OnMouseDown = mouse("down ");
  tray.OnMouseUp = mouse("up ");
  tray.OnDblClick = [&log](TTaskTray&, Qt::MouseButton b) {
    log.push_back(std::string("dbl ") + ButtonName(b));
  };
  tray.OnMouseMove = [&log, at](TTaskTray&, Qt::MouseButtons state, const QPoint& p) {
    EXPECT_EQ(state, Qt::MouseButtons());
    log.push_back("move" + at(p));
  };
}

TEST(TaskTrayNumbering, NewIdentifiersFollowTheRegistrysLastEntry) {
  {
    auto first = std::make_unique<TTaskTray>();
    TTaskTray second;
    EXPECT_EQ(first->IconID(), 1);
    EXPECT_EQ(second.IconID(), 2);
    first.reset();
    TTaskTray third;
    EXPECT_EQ(third.IconID(), 3);
    // A changed identifier keeps its place in the registry: numbering goes on
    // from the last entry, not from the largest identifier.
    third.SetIconID(10);
    TTaskTray fourth;
    EXPECT_EQ(fourth.IconID(), 11);
    second.SetIconID(20);
    TTaskTray fifth;
    EXPECT_EQ(fifth.IconID(), 12);
    // The freed identifier 1 can be taken again.
    fifth.SetIconID(1);
    EXPECT_EQ(fifth.IconID(), 1);
  }
  TTaskTray alone;
  EXPECT_EQ(alone.IconID(), 1);
}

TEST(TaskTrayIconId, BadValuesRaiseTheirErrorAndChangeNothing) {
  TTaskTray tray;
  TTaskTray other;
  const int before = tray.IconID();
  const struct {
    int id;
    const char* error;
  } cases[] = {
      {0, "0以下は指定できません"},
      {-7, "0以下は指定できません"},
      {other.IconID(), "同じアイコン識別子が有ります"},
      {before, ""},  // unchanged: nothing happens
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(ErrorText([&] { tray.SetIconID(c.id); }), c.error);
    EXPECT_EQ(tray.IconID(), before);
  }
}

TEST(TaskTrayRegistration, WithoutAnImageOrANotificationAreaItFails) {
  // The window tests run on the offscreen platform, which has no tray.
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  TTaskTray tray;
  EXPECT_EQ(ErrorText([&] { tray.SetRegistered(true); }), "アイコンが指定されていません");
  EXPECT_FALSE(tray.Registered());
  tray.SetIcon(RedIcon());
  // A refusal leaves the component unregistered, so that a second attempt
  // tries again (and fails again) instead of passing as "unchanged".
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(ErrorText([&] { tray.SetRegistered(true); }), "タスクトレイに登録できません");
    EXPECT_FALSE(tray.Registered());
    EXPECT_FALSE(tray.HostForTesting().SystemTrayIcon().isVisible());
  }
}

TEST(TaskTrayRegistration, ShowsUpdatesAndRemovesTheIcon) {
  TrayAvailable available(true);
  TTaskTray tray;
  const QSystemTrayIcon& shown = tray.HostForTesting().SystemTrayIcon();
  tray.SetIcon(RedIcon());
  tray.SetRegistered(true);
  EXPECT_TRUE(tray.Registered());
  EXPECT_TRUE(shown.isVisible());
  EXPECT_FALSE(shown.icon().isNull());
  tray.SetTipString(CP932("巡回中"));
  EXPECT_EQ(shown.toolTip(), QStringLiteral("巡回中"));
  tray.SetIconID(tray.IconID() + 5);  // leaves and comes back
  EXPECT_TRUE(tray.Registered());
  EXPECT_TRUE(shown.isVisible());
  tray.SetIcon(QIcon());  // no image: out of the tray
  EXPECT_FALSE(tray.Registered());
  EXPECT_FALSE(shown.isVisible());
  tray.SetIcon(RedIcon());
  tray.SetRegistered(true);
  tray.SetRegistered(false);
  EXPECT_FALSE(shown.isVisible());
  // A refused update also unregisters.
  tray.SetRegistered(true);
  TrayIconHost::SetAvailableForTesting(false);
  EXPECT_EQ(ErrorText([&] { tray.SetTipString("x"); }), "タスクトレイに登録できません");
  EXPECT_FALSE(tray.Registered());
  EXPECT_FALSE(shown.isVisible());
}

TEST(TaskTrayTip, AtMost63BytesAreShownWithoutSplittingACharacter) {
  TrayAvailable available(true);
  TTaskTray tray;
  tray.SetIcon(RedIcon());
  tray.SetRegistered(true);
  const std::string a62(62, 'a');
  const struct {
    std::string tip;
    std::string shownUtf8;
  } cases[] = {
      {std::string(100, 'a'), std::string(63, 'a')},
      {a62 + "\x82\xA0" + std::string(36, 'b'), a62},            // "あ" at bytes 63-64
      {a62.substr(1) + "\x82\xA0" + "b", a62.substr(1) + "あ"},  // "あ" ends at byte 63
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tip);
    tray.SetTipString(c.tip);
    EXPECT_EQ(tray.TipString(), c.tip);
    EXPECT_EQ(tray.HostForTesting().SystemTrayIcon().toolTip().toStdString(), c.shownUtf8);
  }
}

TEST(TaskTrayMessages, EachMessageFiresItsEventWithTheCursor) {
  TTaskTray tray;
  // In the order of TrayMouseMessage; the middle double click does nothing.
  const char* const events[] = {"move 5,6", "down L 5,6", "up L 5,6",   "dbl L",    "down R 5,6",
                                "up R 5,6", "dbl R",      "down M 5,6", "up M 5,6", nullptr};
  for (int m = 0; m <= static_cast<int>(TrayMouseMessage::kMiddleDblClk); ++m) {
    SCOPED_TRACE(m);
    Log log;
    Record(tray, log);
    const auto message = static_cast<TrayMouseMessage>(m);
    TTaskTray::HandleTrayMessage(tray.IconID(), message, QPoint(5, 6));
    TTaskTray::HandleTrayMessage(tray.IconID() + 1, message, QPoint(5, 6));  // nobody's
    EXPECT_EQ(log, events[m] ? Log{events[m]} : Log{});
  }
}

TEST(TaskTrayMessages, MessagesArrivingWhileOneIsHandledAreDropped) {
  TTaskTray a;
  TTaskTray b;
  Log log;
  Record(b, log);
  a.OnMouseDown = [&](TTaskTray&, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    log.push_back("down a");
    TTaskTray::HandleTrayMessage(b.IconID(), TrayMouseMessage::kLeftDblClk, {});
    TTaskTray::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftUp, {});
  };
  a.OnMouseUp = [&](TTaskTray&, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    throw QuilletError("up a");
  };
  TTaskTray::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftDown, {});
  EXPECT_EQ(log, Log{"down a"});
  // Once the handling has ended, also by an error, messages come through.
  EXPECT_THROW(TTaskTray::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftUp, {}),
               QuilletError);
  TTaskTray::HandleTrayMessage(b.IconID(), TrayMouseMessage::kLeftDblClk, {});
  EXPECT_EQ(log, (Log{"down a", "dbl L"}));
}

TEST(TaskTrayMenus, RightPressOpensTheRightMenuAndTheTrayWaitsWhileItShows) {
  TTaskTray tray;
  QMenu menu;
  menu.addAction(QStringLiteral("x"));
  tray.SetPopupMenuR(&menu);
  Log log;
  Record(tray, log);
  int shown = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
    ++shown;
    QTimer::singleShot(0, &menu, [&] {
      TTaskTray::HandleTrayMessage(tray.IconID(), TrayMouseMessage::kLeftDblClk, {});
      menu.close();
    });
  });
  TTaskTray::HandleTrayMessage(tray.IconID(), TrayMouseMessage::kLeftDown, {});
  EXPECT_EQ(shown, 0);  // the left button has no menu here
  TTaskTray::HandleTrayMessage(tray.IconID(), TrayMouseMessage::kRightDown, {});
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(log, (Log{"down L 0,0", "down R 0,0"}));  // the double click was dropped

  auto* gone = new QMenu;
  tray.SetPopupMenuL(gone);
  delete gone;
  EXPECT_EQ(tray.PopupMenuL(), nullptr);
}

const char* MessageName(TrayMouseMessage message) {
  static const char* const kNames[] = {"move", "LD",   "LU", "LDbl", "RD",
                                       "RU",   "RDbl", "MD", "MU",   "MDbl"};
  return kNames[static_cast<int>(message)];
}

TEST(TrayActivationMapper, ClicksBecomePressAndReleaseAndClosePairsDoubleClicks) {
  using R = QSystemTrayIcon::ActivationReason;
  struct Step {
    R reason;  // QSystemTrayIcon::Unknown with press=true: a right press seen by the program
    int64_t ms;
    QPoint pos;
    bool press = false;
  };
  const QPoint p(100, 200);
  const struct {
    std::vector<Step> steps;
    const char* messages;
  } cases[] = {
      {{{R::Trigger, 0, p}}, "LD LU"},
      {{{R::Trigger, 0, p}, {R::Trigger, 399, p + QPoint(5, -5)}}, "LD LU|LDbl"},
      {{{R::Trigger, 0, p}, {R::Trigger, 400, p}}, "LD LU|LD LU"},
      {{{R::Trigger, 0, p}, {R::Trigger, 10, p + QPoint(6, 0)}}, "LD LU|LD LU"},
      {{{R::Trigger, 0, p}, {R::DoubleClick, 100, p}, {R::Trigger, 200, p}}, "LD LU|LDbl|LD LU"},
      {{{R::Trigger, 0, p}, {R::Trigger, 100, p}, {R::Trigger, 200, p}}, "LD LU|LDbl|LD LU"},
      {{{R::Context, 0, p}, {R::Context, 300, p}}, "RD RU|RDbl"},
      {{{R::MiddleClick, 0, p}, {R::MiddleClick, 100, p}}, "MD MU|MD MU"},
      {{{R::Unknown, 0, p}}, ""},
      {{{R::Context, 0, p}, {R::Unknown, 100, p, true}, {R::Context, 200, p}}, "RD RU|RDbl|RD RU"},
      {{{R::Context, 0, p}, {R::Unknown, 400, p, true}}, "RD RU|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.messages);
    TrayActivationMapper mapper(400, 5);
    std::string got;
    for (const Step& step : c.steps) {
      if (&step != &c.steps.front()) got += "|";
      if (step.press) {
        if (mapper.TakeSecondRightPress(step.ms, step.pos)) got += "RDbl";
        continue;
      }
      const std::vector<TrayMouseMessage> messages = mapper.Map(step.reason, step.ms, step.pos);
      for (size_t i = 0; i < messages.size(); ++i) {
        got += (i ? " " : "") + std::string(MessageName(messages[i]));
      }
    }
    EXPECT_EQ(got, c.messages);
  }
}

TEST(TrayIconHost, ActivationsReachTheEventsAtTheCursor) {
  TTaskTray tray;
  Log log;
  Record(tray, log);
  QSystemTrayIcon& icon = tray.HostForTesting().SystemTrayIcon();
  for (auto reason :
       {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
        QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
    emit icon.activated(reason);
  }
  const QPoint c = QCursor::pos();
  const std::string at = " " + std::to_string(c.x()) + "," + std::to_string(c.y());
  EXPECT_EQ(log, (Log{"down L" + at, "up L" + at, "dbl L", "down R" + at, "up R" + at,
                      "down M" + at, "up M" + at}));
}

TEST(TrayIconHost, ARightPressWhileTheMenuShowsCompletesARightDoubleClick) {
  // A long double-click interval, so that no timing decides the outcome.
  QStyleHints* hints = QGuiApplication::styleHints();
  const int interval = hints->mouseDoubleClickInterval();
  hints->setMouseDoubleClickInterval(60000);
  TTaskTray tray;
  hints->setMouseDoubleClickInterval(interval);
  QMenu menu;
  menu.addAction(QStringLiteral("x"));
  tray.SetPopupMenuR(&menu);
  Log log;
  Record(tray, log);
  // The second press of the double click lands on the open menu.
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
    QTimer::singleShot(0, &menu, [&] {
      const QPoint at = QCursor::pos();
      QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at, Qt::RightButton,
                        Qt::RightButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&menu, &press);
      if (menu.isVisible()) menu.close();  // so that a failure cannot hang the test
    });
  });
  emit tray.HostForTesting().SystemTrayIcon().activated(QSystemTrayIcon::Context);
  const QPoint c = QCursor::pos();
  const std::string at = " " + std::to_string(c.x()) + "," + std::to_string(c.y());
  EXPECT_EQ(log, (Log{"down R" + at, "up R" + at, "dbl R"}));
  EXPECT_FALSE(menu.isVisible());
}

TEST(TrayIconHost, AHandlerMayDestroyTheComponent) {
  // Closing the program from the tray menu can end the component while its
  // own press is still being handled.
  QMenu menu;
  menu.addAction(QStringLiteral("x"));
  int shown = 0;
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] { ++shown; });
  auto* doomed = new TTaskTray;
  doomed->SetPopupMenuR(&menu);
  doomed->OnMouseDown = [&](TTaskTray& sender, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    delete &sender;
  };
  emit doomed->HostForTesting().SystemTrayIcon().activated(QSystemTrayIcon::Context);
  EXPECT_EQ(shown, 0);
  TTaskTray next;
  Log log;
  Record(next, log);
  TTaskTray::HandleTrayMessage(next.IconID(), TrayMouseMessage::kLeftDblClk, {});
  EXPECT_EQ(log, Log{"dbl L"});
}

}  // namespace
}  // namespace quillet

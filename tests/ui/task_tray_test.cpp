// The tray icon component: identifiers and their errors, registration and the
// tooltip, the mouse messages and the busy rule, and the mapping of
// QSystemTrayIcon's activations.
#include "ui/tray/tray_icon.h"

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
#include <utility>
#include <vector>

#include "core/sys/error.h"
#include "core/text/text_codec.h"

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

using Log = std::vector<std::string>;

std::string At(const QPoint& p) {
  return " " + std::to_string(p.x()) + "," + std::to_string(p.y());
}

// Records every event of `tray` as text, e.g. "down R 5,6". The button state
// of a press or release is that button alone, of a move empty.
void Record(TrayIcon& tray, Log& log) {
  static const auto name = [](Qt::MouseButton b) {
    return std::string(b == Qt::LeftButton ? "L" : b == Qt::RightButton ? "R" : "M");
  };
  auto mouse = [&log](std::string what) {
    return [&log, what](TrayIcon&, Qt::MouseButton b, Qt::MouseButtons state, const QPoint& p) {
      EXPECT_EQ(state, Qt::MouseButtons(b));
      log.push_back(what + name(b) + At(p));
    };
  };
  tray.OnMouseDown = mouse("down ");
  tray.OnMouseUp = mouse("up ");
  tray.OnDblClick = [&log](TrayIcon&, Qt::MouseButton b) { log.push_back("dbl " + name(b)); };
  tray.OnMouseMove = [&log](TrayIcon&, Qt::MouseButtons state, const QPoint& p) {
    EXPECT_EQ(state, Qt::MouseButtons());
    log.push_back("move" + At(p));
  };
}

// Gives `tray` the right-button menu `menu`; once it shows, `whileShown` runs
// from its event loop and the menu is closed (if still open).
void SetSelfClosingMenu(TrayIcon& tray, QMenu& menu, std::function<void()> whileShown) {
  menu.addAction(QStringLiteral("x"));
  tray.SetPopupMenuR(&menu);
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu, whileShown] {
    QTimer::singleShot(0, &menu, [&menu, whileShown] {
      whileShown();
      if (menu.isVisible()) menu.close();  // so that a failure cannot hang the test
    });
  });
}

TEST(TaskTrayIconId, NumberingFollowsTheRegistrysLastEntryAndBadValuesAreRefused) {
  {
    auto first = std::make_unique<TrayIcon>();
    TrayIcon second;
    EXPECT_EQ(first->IconID(), 1);
    EXPECT_EQ(second.IconID(), 2);
    first.reset();
    TrayIcon third;
    EXPECT_EQ(third.IconID(), 3);
    // A changed identifier keeps its place in the registry: numbering goes on
    // from the last entry, not from the largest identifier.
    third.SetIconID(10);
    TrayIcon fourth;
    EXPECT_EQ(fourth.IconID(), 11);
    second.SetIconID(20);
    TrayIcon fifth;
    EXPECT_EQ(fifth.IconID(), 12);
    fifth.SetIconID(1);  // freed above
    EXPECT_EQ(fifth.IconID(), 1);

    const std::pair<int, std::string> cases[] = {{0, "0以下は指定できません"},
                                                 {-7, "0以下は指定できません"},
                                                 {11, "同じアイコン識別子が有ります"},
                                                 {1, ""}};  // unchanged: nothing happens
    for (const auto& [id, error] : cases) {
      SCOPED_TRACE(id);
      EXPECT_EQ(ErrorText([&] { fifth.SetIconID(id); }), error);
      EXPECT_EQ(fifth.IconID(), 1);
    }
  }
  TrayIcon alone;
  EXPECT_EQ(alone.IconID(), 1);
}

TEST(TaskTrayRegistration, FailuresLeaveItOutOtherwiseItShowsTheIconAndItsTip) {
  TrayIcon tray;
  const QSystemTrayIcon& shown = tray.HostForTesting().SystemTrayIcon();
  EXPECT_EQ(ErrorText([&] { tray.SetRegistered(true); }), "アイコンが指定されていません");
  EXPECT_FALSE(tray.Registered());
  tray.SetIcon(RedIcon());
  // The offscreen platform has no tray. A refusal leaves the component
  // unregistered, so that the next attempt tries again.
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  EXPECT_EQ(ErrorText([&] { tray.SetRegistered(true); }), "タスクトレイに登録できません");
  EXPECT_FALSE(tray.Registered());
  EXPECT_FALSE(shown.isVisible());

  TrayAvailable available(true);
  tray.SetRegistered(true);
  EXPECT_TRUE(tray.Registered());
  EXPECT_TRUE(shown.isVisible());
  tray.SetIconID(tray.IconID() + 5);  // leaves and comes back
  EXPECT_TRUE(shown.isVisible());

  // The tooltip shows at most 63 bytes, without splitting a character.
  const std::string a62(62, 'a');
  const std::pair<std::string, std::string> tips[] = {
      {std::string(100, 'a'), std::string(63, 'a')},
      {a62 + "\x82\xA0" + std::string(36, 'b'), a62},            // "あ" at bytes 63-64
      {a62.substr(1) + "\x82\xA0" + "b", a62.substr(1) + "あ"},  // "あ" ends at byte 63
      {"", ""},
  };
  for (const auto& [tip, shownUtf8] : tips) {
    SCOPED_TRACE(tip);
    tray.SetTipString(tip);
    EXPECT_EQ(tray.TipString(), tip);
    EXPECT_EQ(shown.toolTip().toStdString(), shownUtf8);
  }

  tray.SetIcon(QIcon());  // no image: out of the tray
  EXPECT_FALSE(tray.Registered());
  EXPECT_FALSE(shown.isVisible());
}

TEST(TaskTrayMessages, EachFiresItsEventAndThoseArrivingWhileOneIsHandledAreDropped) {
  TrayIcon a;
  TrayIcon b;
  // In the order of TrayMouseMessage; the middle double click does nothing.
  const char* const events[] = {"move 5,6", "down L 5,6", "up L 5,6",   "dbl L",    "down R 5,6",
                                "up R 5,6", "dbl R",      "down M 5,6", "up M 5,6", nullptr};
  for (int m = 0; m <= static_cast<int>(TrayMouseMessage::kMiddleDblClk); ++m) {
    SCOPED_TRACE(m);
    Log log;
    Record(b, log);
    const auto message = static_cast<TrayMouseMessage>(m);
    TrayIcon::HandleTrayMessage(b.IconID(), message, QPoint(5, 6));
    TrayIcon::HandleTrayMessage(b.IconID() + 1, message, QPoint(5, 6));  // nobody's
    EXPECT_EQ(log, events[m] ? Log{events[m]} : Log{});
  }

  Log log;
  Record(b, log);
  a.OnMouseDown = [&](TrayIcon&, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    log.push_back("down a");
    TrayIcon::HandleTrayMessage(b.IconID(), TrayMouseMessage::kLeftDblClk, {});
    TrayIcon::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftUp, {});
  };
  a.OnMouseUp = [&](TrayIcon&, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    throw QuilletError("up a");
  };
  TrayIcon::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftDown, {});
  EXPECT_EQ(log, Log{"down a"});
  // Once the handling has ended, also by an error, messages come through.
  EXPECT_THROW(TrayIcon::HandleTrayMessage(a.IconID(), TrayMouseMessage::kLeftUp, {}),
               QuilletError);
  TrayIcon::HandleTrayMessage(b.IconID(), TrayMouseMessage::kLeftDblClk, {});
  EXPECT_EQ(log, (Log{"down a", "dbl L"}));
}

TEST(TrayActivationMapper, ClicksBecomePressAndReleaseAndClosePairsDoubleClicks) {
  using R = QSystemTrayIcon::ActivationReason;
  static const char* const kNames[] = {"move", "LD",   "LU", "LDbl", "RD",
                                       "RU",   "RDbl", "MD", "MU",   "MDbl"};
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
      for (size_t i = 0; i < messages.size(); ++i)
        got += (i ? " " : "") + std::string(kNames[static_cast<int>(messages[i])]);
    }
    EXPECT_EQ(got, c.messages);
  }
}

TEST(TrayIconHost, RightPressOpensTheMenuWhichHoldsTheTrayAndCanCompleteADoubleClick) {
  // A long double-click interval, so that no timing decides the outcome.
  QStyleHints* hints = QGuiApplication::styleHints();
  const int interval = hints->mouseDoubleClickInterval();
  hints->setMouseDoubleClickInterval(60000);
  TrayIcon tray;
  hints->setMouseDoubleClickInterval(interval);
  Log log;
  Record(tray, log);
  QMenu menu;
  int shown = 0;
  bool closedByPress = false;
  SetSelfClosingMenu(tray, menu, [&] {
    ++shown;
    // Tray messages wait while the menu shows: this one is dropped.
    TrayIcon::HandleTrayMessage(tray.IconID(), TrayMouseMessage::kLeftDblClk, {});
    // The second press of a right double click lands on the menu and closes it.
    const QPoint at = QCursor::pos();
    QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at, Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&menu, &press);
    closedByPress = !menu.isVisible();
  });
  TrayIcon::HandleTrayMessage(tray.IconID(), TrayMouseMessage::kLeftDown, QPoint(5, 6));
  EXPECT_EQ(shown, 0);  // the left button has no menu here
  emit tray.HostForTesting().SystemTrayIcon().activated(QSystemTrayIcon::Context);
  EXPECT_EQ(shown, 0);  // handled from the event loop, after the tray's own handler
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 1);
  const std::string at = At(QCursor::pos());
  EXPECT_EQ(log, (Log{"down L 5,6", "down R" + at, "up R" + at, "dbl R"}));
  EXPECT_TRUE(closedByPress);
}

TEST(TrayIconHost, AHandlerMayDestroyTheComponent) {
  // Closing the program from the tray menu can end the component while its
  // own press is still being handled.
  auto* doomed = new TrayIcon;
  QMenu menu;
  int shown = 0;
  SetSelfClosingMenu(*doomed, menu, [&] { ++shown; });
  doomed->OnMouseDown = [](TrayIcon& sender, Qt::MouseButton, Qt::MouseButtons, const QPoint&) {
    delete &sender;
  };
  emit doomed->HostForTesting().SystemTrayIcon().activated(QSystemTrayIcon::Context);
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 0);
  TrayIcon next;
  Log log;
  Record(next, log);
  TrayIcon::HandleTrayMessage(next.IconID(), TrayMouseMessage::kLeftDblClk, {});
  EXPECT_EQ(log, Log{"dbl L"});
}

}  // namespace
}  // namespace quillet

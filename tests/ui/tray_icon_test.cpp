// The tray icon component: the mapping of QSystemTrayIcon's activations to
// clicks, the right-button menu that takes the second press of a double
// click, and handlers that destroy the component.
#include "ui/tray/tray_icon.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyleHints>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_windows.h"

namespace quillet {
namespace {

QIcon RedIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  return QIcon(pixmap);
}

// Once `menu` shows, `whileShown` runs from its event loop and the menu is
// closed (if still open), so that a failure cannot hang the test.
void WhileMenuShows(QMenu& menu, std::function<void()> whileShown) {
  QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&menu, whileShown] {
    QTimer::singleShot(0, &menu, [&menu, whileShown] {
      whileShown();
      if (menu.isVisible()) menu.close();
    });
  });
}

TEST(TrayActivationMapper, ClicksCloseInTimeAndPlaceBecomeDoubleClicks) {
  using R = QSystemTrayIcon::ActivationReason;
  static const char* const kNames[] = {"L", "LDbl", "R", "RDbl", "M"};
  struct Step {
    R reason;  // Unknown with press=true: a right press seen by the program
    int64_t ms;
    QPoint pos;
    bool press = false;
  };
  const QPoint p(100, 200);
  const struct {
    std::vector<Step> steps;
    const char* clicks;
  } cases[] = {
      {{{R::Trigger, 0, p}}, "L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 399, p + QPoint(5, -5)}}, "L LDbl"},
      {{{R::Trigger, 0, p}, {R::Trigger, 400, p}}, "L L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 10, p + QPoint(6, 0)}}, "L L"},
      {{{R::Trigger, 0, p}, {R::DoubleClick, 100, p}, {R::Trigger, 200, p}}, "L LDbl L"},
      {{{R::Trigger, 0, p}, {R::Trigger, 100, p}, {R::Trigger, 200, p}}, "L LDbl L"},
      {{{R::Context, 0, p}, {R::Context, 300, p}}, "R RDbl"},
      {{{R::Trigger, 0, p}, {R::Context, 100, p}}, "L R"},
      {{{R::MiddleClick, 0, p}, {R::MiddleClick, 100, p}}, "M M"},
      {{{R::Unknown, 0, p}}, "-"},
      {{{R::Context, 0, p}, {R::Unknown, 100, p, true}, {R::Context, 200, p}}, "R RDbl R"},
      {{{R::Context, 0, p}, {R::Unknown, 400, p, true}}, "R -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clicks);
    TrayActivationMapper mapper(400, 5);
    std::string got;
    for (const Step& step : c.steps) {
      if (!got.empty()) got += " ";
      if (step.press) {
        got += mapper.TakeSecondRightPress(step.ms, step.pos) ? "RDbl" : "-";
        continue;
      }
      const std::optional<TrayClick> click = mapper.Map(step.reason, step.ms, step.pos);
      got += click ? kNames[static_cast<int>(*click)] : "-";
    }
    EXPECT_EQ(got, c.clicks);
  }
}

TEST(TrayIcon, RightPressOpensTheMenuWhichHoldsTheTrayAndTakesTheSecondPress) {
  // A long double-click interval, so that no timing decides the outcome.
  QStyleHints* hints = QGuiApplication::styleHints();
  const int interval = hints->mouseDoubleClickInterval();
  hints->setMouseDoubleClickInterval(60000);
  QWidget owner;
  TrayIcon tray(&owner, RedIcon());
  hints->setMouseDoubleClickInterval(interval);
  auto* icon = test::Find<QSystemTrayIcon>(owner, "trayIcon");
  int doubleClicks = 0;
  tray.OnDoubleClick = [&] { ++doubleClicks; };
  QMenu menu;
  menu.addAction(QStringLiteral("x"));
  tray.SetRightButtonMenu(&menu);
  int shown = 0;
  bool closedByPress = false;
  WhileMenuShows(menu, [&] {
    ++shown;
    // Clicks wait while the menu shows: this double click is dropped.
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QCoreApplication::processEvents();
    // The second press of a right double click lands on the menu and closes it.
    const QPoint at = QCursor::pos();
    QMouseEvent press(QEvent::MouseButtonPress, menu.mapFromGlobal(at), at, Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&menu, &press);
    closedByPress = !menu.isVisible();
  });
  emit icon->activated(QSystemTrayIcon::Trigger);
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 0);  // the left button has no menu
  emit icon->activated(QSystemTrayIcon::Context);
  EXPECT_EQ(shown, 0);  // handled from the event loop, after the tray's own handler
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(closedByPress);
  EXPECT_EQ(doubleClicks, 1);
}

TEST(TrayIcon, AHandlerMayDestroyTheComponent) {
  QWidget owner;
  auto* doomed = new TrayIcon(&owner, RedIcon());
  auto* icon = test::Find<QSystemTrayIcon>(owner, "trayIcon");
  QMenu menu;
  menu.addAction(QStringLiteral("x"));
  doomed->SetRightButtonMenu(&menu);
  WhileMenuShows(menu, [&] { delete doomed; });
  emit icon->activated(QSystemTrayIcon::Context);
  QCoreApplication::processEvents();
  EXPECT_TRUE(owner.findChildren<QSystemTrayIcon*>().isEmpty());

  // The next component takes clicks as usual.
  TrayIcon next(&owner, RedIcon());
  int doubleClicks = 0;
  next.OnDoubleClick = [&] { ++doubleClicks; };
  emit test::Find<QSystemTrayIcon>(owner, "trayIcon")->activated(QSystemTrayIcon::DoubleClick);
  QCoreApplication::processEvents();
  EXPECT_EQ(doubleClicks, 1);
}

}  // namespace
}  // namespace quillet

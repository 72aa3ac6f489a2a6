// How the windows look, under the palette as it is and under a dark Fusion
// palette, each with content from a real fetch of the sample sites: no
// control cut off or out of its window, no window off the screen, every text
// readable, every icon drawn for twice its shown size. ctest runs it again
// at QT_SCALE_FACTOR=2. With QUILLET_SCREENSHOT_DIR set, a picture of each
// window goes there (dark-main-window.png, ...).
#include <QAbstractSpinBox>
#include <QDir>
#include <QMessageBox>
#include <QPalette>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QThreadPool>
#include <QToolBar>

#include <cmath>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>

#include "core/log/log_store.h"
#include "core/settings/watch_list.h"
#include "program_windows.h"
#include "sample_server.h"
#include "support/settings_edits.h"
#include "ui/message_box.h"
#include "ui/program_look.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

using test::Find;

// WCAG 2's contrast ratio of two opaque colours.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The drawn pixels (alpha 128 and over) of a pixmap, and how many of them
// stand out from `background` at `ratio` at least.
std::pair<int, int> DrawnAndStandingOut(const QPixmap& pixmap, const QColor& background,
                                        double ratio) {
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  int drawn = 0, standingOut = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.alpha() < 128) continue;
      ++drawn;
      if (Contrast(pixel, background) >= ratio) ++standingOut;
    }
  }
  return {drawn, standingOut};
}

QPalette DarkPalette() {
  const QColor window(0x35, 0x35, 0x35), base(0x2a, 0x2a, 0x2a), text(0xe6, 0xe6, 0xe6);
  const QColor muted(0x80, 0x80, 0x80), highlight(0x2a, 0x82, 0xda);
  QPalette palette(text, window, window.lighter(150), window.darker(150), window.darker(120), text,
                   Qt::white, base, window);
  palette.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
  palette.setColor(QPalette::Midlight, QColor(0x3c, 0x3c, 0x40));
  palette.setColor(QPalette::Highlight, highlight);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x40));
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, muted);
  palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, muted);
  palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x44, 0x44, 0x48));
  palette.setColor(QPalette::Disabled, QPalette::HighlightedText, muted);
  return palette;
}

// A theme for the windows made while it is in force; the style and palette
// before it come back at its end.
class Theme {
 public:
  explicit Theme(bool dark)
      : name(dark ? "dark" : "default"),
        style_(QApplication::style()->name()),
        palette_(QApplication::palette()),
        font_(QApplication::font()) {
    look_.emplace(*qApp);  // as the program starts
    if (!dark) return;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(DarkPalette());
  }
  ~Theme() {
    look_.reset();
    QApplication::setStyle(style_);
    QApplication::setPalette(palette_);
    QApplication::setFont(font_);
  }
  const std::string name;

 private:
  QString style_;
  QPalette palette_;
  QFont font_;
  std::optional<ProgramLook> look_;
};

std::string Describe(const QWidget& control) {
  return std::string(control.metaObject()->className()) + " " + control.objectName().toStdString() +
         " \"" + control.property("text").toString().toStdString() + "\"";
}

// The window on its screen, and each of its visible controls whole: as large
// as its size hint (a label or button) or its minimum size hint (a field),
// except in a direction its policy gives up on purpose, and inside the window.
void ExpectWhole(const QWidget& window) {
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window.frameGeometry()))
      << "window off the screen " << screen.width() << "x" << screen.height() << ": "
      << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
      << window.frameGeometry().width() << "x" << window.frameGeometry().height();
  for (const QWidget* control : window.findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&window) || control->isWindow()) continue;
    // The parts of a field or a spin box are theirs to size.
    if (qobject_cast<const QLineEdit*>(control->parentWidget()) ||
        qobject_cast<const QAbstractSpinBox*>(control->parentWidget()))
      continue;
    const bool whole = qobject_cast<const QLabel*>(control) != nullptr ||
                       qobject_cast<const QAbstractButton*>(control) != nullptr;
    if (!whole && !qobject_cast<const QLineEdit*>(control) &&
        !qobject_cast<const QAbstractSpinBox*>(control) &&
        !qobject_cast<const QProgressBar*>(control))
      continue;
    QSize needed = whole ? control->sizeHint() : control->minimumSizeHint();
    if (control->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) needed.setWidth(0);
    if (control->sizePolicy().verticalPolicy() == QSizePolicy::Ignored) needed.setHeight(0);
    const QRect at(control->mapTo(&window, QPoint(0, 0)), control->size());
    EXPECT_TRUE(control->width() >= needed.width() && control->height() >= needed.height())
        << Describe(*control) << " is " << control->width() << "x" << control->height()
        << ", needs " << needed.width() << "x" << needed.height();
    EXPECT_TRUE(window.rect().contains(at)) << Describe(*control) << " reaches out of its window";
  }
}

// Every icon the window shows has a pixmap of twice its shown size: at a
// scale of 2 it is drawn, not blown up. The program's own icons (toolbar,
// tabs, lists, fields) stand out from what they are drawn on: a part of them
// (a tenth of their pixels) at 3:1 at least, WCAG's contrast for graphics.
void ExpectIcons(const QWidget& window) {
  std::set<qint64> seen;
  const auto expect = [&](const QIcon& icon, QSize shown, QPalette::ColorRole behind,
                          const std::string& what) {
    if (icon.isNull() || !seen.insert(icon.cacheKey()).second) return;
    // Never larger than the largest image the icon has; Qt would blow that up.
    const QSize largest = icon.actualSize(2 * shown);
    EXPECT_EQ(largest, 2 * shown) << what << ": no image of twice " << shown.width() << "x"
                                  << shown.height();
    const QPixmap pixmap = icon.pixmap(shown, 2.0);
    if (behind == QPalette::NoRole) return;  // the style's icons
    const QColor background = window.palette().color(behind);
    const auto [drawn, standingOut] = DrawnAndStandingOut(pixmap, background, 3);
    EXPECT_GE(standingOut * 10, drawn)
        << what << ": " << standingOut << " of " << drawn << " pixels stand out from "
        << background.name().toStdString();
  };
  for (const QWidget* control : window.findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&window)) continue;
    const QWidget* parent = control->parentWidget();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
      expect(button->icon(), button->iconSize(),
             qobject_cast<const QToolBar*>(parent)    ? QPalette::Window
             : qobject_cast<const QLineEdit*>(parent) ? QPalette::Base
                                                      : QPalette::NoRole,
             Describe(*button));
    }
    if (const auto* tabs = qobject_cast<const QTabBar*>(control)) {
      for (int i = 0; i < tabs->count(); ++i)
        expect(tabs->tabIcon(i), tabs->iconSize(), QPalette::Window,
               "tab " + tabs->tabText(i).toStdString());
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(control)) {
      const QAbstractItemModel& model = *view->model();
      std::vector<QModelIndex> parents{QModelIndex()};
      while (!parents.empty()) {
        const QModelIndex parentRow = parents.back();
        parents.pop_back();
        for (int row = 0; row < model.rowCount(parentRow); ++row) {
          const QModelIndex at = model.index(row, 0, parentRow);
          expect(at.data(Qt::DecorationRole).value<QIcon>(), view->iconSize(), QPalette::Base,
                 Describe(*view) + " row " + at.data().toString().toStdString());
          parents.push_back(at);
        }
      }
    }
  }
}

// An icon in the ink of a button's text: most of its drawn pixels read on the
// button as its text must (4.5:1).
void ExpectReadableIcon(const QAbstractButton& button) {
  const QColor background = button.palette().color(QPalette::Button);
  const auto [drawn, readable] =
      DrawnAndStandingOut(button.icon().pixmap(button.iconSize(), 2.0), background, 4.5);
  EXPECT_GT(drawn, 0) << Describe(button);
  EXPECT_GE(2 * readable, drawn) << Describe(button) << ": " << readable << " of " << drawn
                                 << " pixels read on " << background.name().toStdString();
}

// The palette's pairs of text and background that the windows draw.
void ExpectReadablePalette(const QPalette& palette) {
  const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
      {QPalette::WindowText, QPalette::Window},
      {QPalette::Text, QPalette::Base},
      {QPalette::Text, QPalette::AlternateBase},
      {QPalette::ButtonText, QPalette::Button},
      {QPalette::HighlightedText, QPalette::Highlight},
      {QPalette::ToolTipText, QPalette::ToolTipBase},
  };
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (const auto& [text, background] : pairs) {
      EXPECT_GE(Contrast(palette.color(group, text), palette.color(group, background)), 4.5)
          << "group " << group << ": role " << text << " on role " << background;
    }
  }
}

// The window whole and crisp; its picture to QUILLET_SCREENSHOT_DIR if set.
void CheckWindow(const std::string& theme, QWidget& window, const char* name) {
  SCOPED_TRACE(name);
  ExpectWhole(window);
  ExpectIcons(window);
  const QString dir = qEnvironmentVariable("QUILLET_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  const QString path = dir + QString::fromStdString("/" + theme + "-" + name + ".png");
  EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

void Fetch(test::ProgramWindows& w) {
  w.Main("fetchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !w.progressDialog.isVisible(); }));
}

TEST(Appearance, EveryWindowIsWholeReadableAndCrispInEachTheme) {
  for (const bool dark : {false, true}) {
    Theme theme(dark);
    SCOPED_TRACE(theme.name);
    ExpectReadablePalette(QApplication::palette());
    test::ProgramWindows w;
    SampleSiteServer sites(QUILLET_SAMPLE_DIR);
    ASSERT_TRUE(sites.Listen());
    w.UseProxy(sites.Port());
    test::PutWatchList({CP932("日銀"), CP932("新幹線")});
    w.mainWindow.show();
    // The second fetch finds new headlines only in the log that went.
    Fetch(w);
    std::remove(LogFilePath(0).c_str());
    bool progressChecked = false;
    test::WhenReady(
        &w.mainWindow,
        [&] { return !Find<QLabel>(w.progressDialog, "amountLabel")->text().isEmpty(); },
        [&] {
          CheckWindow(theme.name, w.progressDialog, "progress-dialog");
          progressChecked = true;
        });
    Fetch(w);
    EXPECT_TRUE(progressChecked);

    ReportView& list = *w.Main<ReportView>("headlineList");
    ReportModel& rows = list.Rows();
    int bold = 0, watched = 0;
    for (int row = 0; row < rows.rowCount(); ++row) {
      const QModelIndex at = rows.index(row, 2);
      if (at.data(Qt::FontRole).value<QFont>().bold()) ++bold;
      const QVariant background = at.data(Qt::BackgroundRole);
      if (!background.isValid()) continue;
      ++watched;
      const QColor shade = background.value<QBrush>().color();
      EXPECT_GE(Contrast(list.palette().color(QPalette::Text), shade), 4.5)
          << "watched row " << row << " on " << shade.name().toStdString();
    }
    EXPECT_GT(bold, 0);
    EXPECT_LT(bold, rows.rowCount());
    EXPECT_GT(watched, 0);
    CheckWindow(theme.name, w.mainWindow, "main-window");

    auto& tabs = *w.Main<QTabWidget>("tabs");
    tabs.setCurrentWidget(w.Main<QWidget>("logTab"));
    auto& tree = *w.Main<QTreeWidget>("siteTree");
    tree.setCurrentItem(tree.topLevelItem(0)->child(0));
    CheckWindow(theme.name, w.mainWindow, "log-tab");
    tabs.setCurrentIndex(0);

    w.Main("logSearchButton")->click();
    LogSearchWindow* search = nullptr;
    for (QWidget* child : w.mainWindow.findChildren<QWidget*>())
      if (auto* window = dynamic_cast<LogSearchWindow*>(child)) search = window;
    ASSERT_NE(search, nullptr);
    Find<QLineEdit>(*search, "keywordEdit")->setText(QStringLiteral("国内"));
    Find<QPushButton>(*search, "searchButton")->click();
    ASSERT_TRUE(test::SpinUntil([&] { return !search->Searching(); }));
    EXPECT_GT(Find<ReportView>(*search, "resultList")->Rows().rowCount(), 0);
    CheckWindow(theme.name, *search, "log-search");
    ExpectReadableIcon(*Find<QPushButton>(*search, "closeButton"));
    search->close();

    w.behaviourDialog.show();
    CheckWindow(theme.name, w.behaviourDialog, "behaviour-dialog");
    // The watch list has room for a dozen keywords of sixteen characters.
    const auto& watchList = *Find<QListWidget>(w.behaviourDialog, "watchList");
    EXPECT_GE(watchList.viewport()->height(), 12 * watchList.sizeHintForRow(0));
    EXPECT_GE(watchList.viewport()->width(),
              watchList.fontMetrics().horizontalAdvance(QString(16, QChar(0x6F22))));
    w.behaviourDialog.close();
    w.connectionDialog.show();
    CheckWindow(theme.name, w.connectionDialog, "connection-dialog");
    w.connectionDialog.close();
    for (const char* button : {"cancelButton", "skipButton"})
      ExpectReadableIcon(*Find<QPushButton>(w.progressDialog, button));
    EXPECT_TRUE(w.messages.empty());
    w.mainWindow.close();
    QThreadPool::globalInstance()->waitForDone();
  }
}

// A message box breaks its lines only where Japanese may break: after 。 or
// 、, at a space, or where the text has a line break; no line is cut off.
TEST(Appearance, MessageBoxesBreakLinesOnlyWhereTheTextMayBreak) {
  Theme theme(false);
  SetMessageHookForTesting(nullptr);
  const std::string texts[] = {
      CP932("YOL に接続できませんでした。ネットワークの接続と、接続設定のプロクシの設定を確かめて"
            "ください。接続できなかった理由: can't resolve hostname to IP address."),
      CP932("次のフィードを取得できませんでした\nテック日誌: フィードの XML が正しくありません "
            "(Premature end of data in tag rss line 1)\n経済ニュース: 404 Not Found"),
  };
  int boxes = 0;
  for (const std::string& text : texts) {
    const QString original = UiText(text);
    SCOPED_TRACE(original.toStdString());
    QString shown;
    bool wrapped = true, whole = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      ASSERT_NE(label, nullptr);
      shown = label->text();
      wrapped = label->wordWrap();  // Qt's own wrapping breaks anywhere
      whole = label->width() >= label->sizeHint().width();
      const QString dir = qEnvironmentVariable("QUILLET_SCREENSHOT_DIR");
      if (!dir.isEmpty())
        box->grab().save(dir + QStringLiteral("/message-box-%1.png").arg(++boxes));
      box->accept();
    });
    ShowMessage(nullptr, text, "Quillet", MessageIcon::kStop);
    EXPECT_FALSE(wrapped);
    EXPECT_TRUE(whole);
    EXPECT_EQ(QString(shown).remove(QLatin1Char('\n')),
              QString(original).remove(QLatin1Char('\n')));
    // Each line the box added ends where the text may break.
    const QStringList lines = shown.split(QLatin1Char('\n'));
    qsizetype at = 0;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
      at += lines[i].size();
      if (original.mid(at, 1) == QStringLiteral("\n")) {
        ++at;
        continue;
      }
      EXPECT_TRUE(lines[i].endsWith(QChar(0x3002)) || lines[i].endsWith(QChar(0x3001)) ||
                  lines[i].endsWith(QLatin1Char(' ')))
          << lines[i].toStdString();
    }
  }
}

}  // namespace
}  // namespace quillet

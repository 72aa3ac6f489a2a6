// The windows, under a dark Fusion palette and filled by a fetch of the sample
// sites, are whole; message boxes break lines only where Japanese may break.
#include <QAbstractSpinBox>
#include <QDir>
#include <QMessageBox>
#include <QScreen>
#include <QThreadPool>

#include <cstdio>
#include <optional>

#include "core/log/log_store.h"
#include "program_windows.h"
#include "sample_server.h"
#include "ui/program_look.h"

namespace quillet {
namespace {

using test::Find;

// The program's look under a dark Fusion palette while it lives.
struct DarkTheme {
  DarkTheme() {
    look.emplace(*qApp);  // as the program starts
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark(QColor(0x35, 0x35, 0x35));  // light text on dark grey, a black base
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));  // made darker to read
    QApplication::setPalette(dark);
  }
  ~DarkTheme() {
    look.reset();
    QApplication::setStyle(style);
    QApplication::setPalette(palette);
    QApplication::setFont(font);
  }
  const QString style = QApplication::style()->name();
  const QPalette palette = QApplication::palette();
  const QFont font = QApplication::font();
  std::optional<ProgramLook> look;
};

// The window on its screen, each visible control inside it and as large as its
// (for a field, minimum) size hint; its picture to QUILLET_SCREENSHOT_DIR if set.
void CheckWindow(QWidget& window, const char* name) {
  SCOPED_TRACE(name);
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window.frameGeometry()))
      << "window off the screen " << screen.width() << "x" << screen.height();
  for (const QWidget* control : window.findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&window) || control->isWindow()) continue;
    // The parts of a field or a spin box are theirs to size.
    if (qobject_cast<const QLineEdit*>(control->parentWidget()) ||
        qobject_cast<const QAbstractSpinBox*>(control->parentWidget()))
      continue;
    const bool whole = qobject_cast<const QLabel*>(control) != nullptr ||
                       qobject_cast<const QAbstractButton*>(control) != nullptr;
    if (!whole && !qobject_cast<const QLineEdit*>(control) &&
        !qobject_cast<const QAbstractSpinBox*>(control))
      continue;
    QSize needed = whole ? control->sizeHint() : control->minimumSizeHint();
    if (control->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) needed.setWidth(0);
    if (control->sizePolicy().verticalPolicy() == QSizePolicy::Ignored) needed.setHeight(0);
    const std::string what = std::string(control->metaObject()->className()) + " " +
                             control->objectName().toStdString() + " \"" +
                             control->property("text").toString().toStdString() + "\"";
    EXPECT_TRUE(control->width() >= needed.width() && control->height() >= needed.height())
        << what << " is " << control->width() << "x" << control->height() << ", needs "
        << needed.width() << "x" << needed.height();
    EXPECT_TRUE(
        window.rect().contains(QRect(control->mapTo(&window, QPoint(0, 0)), control->size())))
        << what << " reaches out of its window";
  }
  const QString dir = qEnvironmentVariable("QUILLET_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  const QString path = dir + QString::fromStdString(std::string("/dark-") + name + ".png");
  EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
}

TEST(Appearance, EveryWindowIsWhole) {
  DarkTheme theme;
  test::ProgramWindows w;
  SampleSiteServer sites(QUILLET_SAMPLE_DIR);
  ASSERT_TRUE(sites.Listen());
  w.UseProxy(sites.Port());
  test::PutWatchList({CP932("日銀"), CP932("新幹線")});
  w.mainWindow.show();
  // The second fetch finds news only in the log that went: bold and plain rows.
  const auto fetch = [&] {
    w.Main("fetchButton")->click();
    return test::SpinUntil([&] { return !w.progressDialog.isVisible(); });
  };
  ASSERT_TRUE(fetch());
  std::remove(LogFilePath(0).c_str());
  ASSERT_TRUE(fetch());
  CheckWindow(w.mainWindow, "main-window");

  w.Main("logSearchButton")->click();
  LogSearchWindow* search = nullptr;
  for (QWidget* child : w.mainWindow.findChildren<QWidget*>())
    if (auto* window = dynamic_cast<LogSearchWindow*>(child)) search = window;
  ASSERT_NE(search, nullptr);
  Find<QLineEdit>(*search, "keywordEdit")->setText(QStringLiteral("国内"));
  Find<QPushButton>(*search, "searchButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !search->Searching(); }));
  EXPECT_GT(Find<ReportView>(*search, "resultList")->Rows().rowCount(), 0);
  CheckWindow(*search, "log-search");
  search->close();

  w.behaviourDialog.show();
  CheckWindow(w.behaviourDialog, "behaviour-dialog");
  w.behaviourDialog.close();
  w.connectionDialog.show();
  CheckWindow(w.connectionDialog, "connection-dialog");
  w.connectionDialog.close();
  EXPECT_TRUE(w.messages.empty());
  w.mainWindow.close();
  QThreadPool::globalInstance()->waitForDone();
}

// After 。 or 、, at a space or at the text's own line breaks; none cut off.
TEST(Appearance, MessageBoxesBreakLinesOnlyWhereTheTextMayBreak) {
  for (const char* text :
       {"YOL に接続できませんでした。ネットワークの接続と、接続設定のプロクシの設定を確かめて"
        "ください。接続できなかった理由: can't resolve hostname to IP address.",
        "次のフィードを取得できませんでした\nテック日誌: フィードの XML が正しくありません "
        "(Premature end of data in tag rss line 1)\n経済ニュース: 404 Not Found"}) {
    const QString original = QString::fromUtf8(text);
    SCOPED_TRACE(text);
    QString shown;
    bool fits = false;  // unwrapped by Qt, which breaks anywhere, and not cut off
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      ASSERT_NE(label, nullptr);
      shown = label->text();
      fits = !label->wordWrap() && label->width() >= label->sizeHint().width();
      box->accept();
    });
    ShowMessage(nullptr, Utf8ToCp932(text), "Quillet", MessageIcon::kStop);
    EXPECT_TRUE(fits);
    EXPECT_EQ(QString(shown).remove(QLatin1Char('\n')),
              QString(original).remove(QLatin1Char('\n')));
    const QStringList lines = shown.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
      EXPECT_TRUE(lines[i].endsWith(QChar(0x3002)) || lines[i].endsWith(QChar(0x3001)) ||
                  lines[i].endsWith(QLatin1Char(' ')) ||
                  original.contains(lines[i] + QLatin1Char('\n')))
          << lines[i].toStdString();
  }
}

}  // namespace
}  // namespace quillet

#include "ui/browser_launch.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <iostream>

#include "core/settings/browser_choice.h"
#include "core/text/text_codec.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

// The text a failed process gives: its last line on stderr, if any.
std::string LastErrorLine(QProcess& process) {
  const QList<QByteArray> lines = process.readAllStandardError().trimmed().split('\n');
  return lines.isEmpty() ? std::string() : Utf8ToCp932(lines.last().trimmed().toStdString());
}

class DesktopOpener : public UrlOpener {
 public:
  // xdg-open, where it is, as Qt's own opener would run it, but watched to
  // its end: its exit status says whether anything could open the URL. It
  // may wait for the browser it started, so it is left running at the
  // program's end (no parent to end it).
  void OpenUrl(const std::string& url, Failed failed) override {
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
      if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(url))))
        failed(CP932("URLを開くプログラム xdg-open が見つかりません (パッケージ xdg-utils)"));
      return;
    }
    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                       if (error != QProcess::FailedToStart) return;
                       failed(CP932("xdg-open を起動できません: ") +
                              Utf8ToCp932(process->errorString().toStdString()));
                       process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int exitCode, QProcess::ExitStatus status) {
                       process->deleteLater();
                       if (status == QProcess::NormalExit && exitCode == 0) return;
                       std::string reason = CP932("xdg-open が失敗しました (終了コード ") +
                                            std::to_string(exitCode) + ")";
                       if (const std::string line = LastErrorLine(*process); !line.empty())
                         reason += ": " + line;
                       failed(reason + CP932("\n既定のブラウザが設定されているか確かめてください"));
                     });
    process->start(xdgOpen, {QString::fromStdString(url)});
  }
  // The URL is one argument of its own: no shell, so a space in it does not
  // split it into several words.
  void StartProgram(const std::string& program, const std::string& url, Failed failed) override {
    QProcess process;
    process.setProgram(QFile::decodeName(QByteArray::fromStdString(program)));
    process.setArguments({QString::fromStdString(url)});
    if (!process.startDetached())
      failed(program + CP932(" を起動できません: ") +
             Utf8ToCp932(process.errorString().toStdString()));
  }
};

UrlOpener*& ReplacedOpener() {
  static UrlOpener* opener = nullptr;
  return opener;
}

UrlOpener& CurrentOpener() {
  static DesktopOpener desktop;
  UrlOpener* replaced = ReplacedOpener();
  return replaced ? *replaced : desktop;
}

}  // namespace

void SetUrlOpener(UrlOpener* opener) {
  ReplacedOpener() = opener;
}

void OpenArticle(const std::string& url, QWidget* owner) {
  const BrowserAction action = ChooseBrowserAction(url);
  // A launch that fails says so, with the URL, in a box over the window it
  // came from (if that is still there).
  const UrlOpener::Failed failed = [url,
                                    owner = QPointer<QWidget>(owner)](const std::string& reason) {
    std::string line = Cp932ToUtf8(reason);
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::cerr << "quillet: " << Cp932ToUtf8(url) << ": " << line << "\n";
    ShowMessage(owner, CP932("この記事をブラウザで開けませんでした\n\n") + url + "\n\n" + reason,
                CP932("ブラウザを起動できません"), MessageIcon::kExclamation);
  };
  switch (action.kind) {
    case BrowserAction::Kind::kOpenDefault:
      CurrentOpener().OpenUrl(Cp932ToUtf8(action.url), failed);
      break;
    case BrowserAction::Kind::kStartProgram:
      CurrentOpener().StartProgram(action.program, Cp932ToUtf8(action.url), failed);
      break;
    case BrowserAction::Kind::kMessage:
      ShowMessage(owner, action.message, action.caption, MessageIcon::kExclamation);
      break;
  }
}

// The clipboard is the boundary where the URL becomes Unicode text.
void CopyUrl(const std::string& url) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(Cp932ToUtf8(url)));
}

}  // namespace quillet

#include "ui/browser_launch.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "core/settings/browser_choice.h"
#include "core/text/text_codec.h"
#include "ui/message_box.h"

namespace quillet {
namespace {

class DesktopOpener : public UrlOpener {
 public:
  bool OpenUrl(const std::string& url) override {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
  }
  // The URL is one argument of its own: no shell, so a space in it does not
  // split it into several words.
  bool StartProgram(const std::string& program, const std::string& url) override {
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)),
                                   QStringList{QString::fromStdString(url)});
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
  // A handler or program that fails to start is not reported.
  switch (action.kind) {
    case BrowserAction::Kind::kOpenDefault:
      CurrentOpener().OpenUrl(Cp932ToUtf8(action.url));
      break;
    case BrowserAction::Kind::kStartProgram:
      CurrentOpener().StartProgram(action.program, Cp932ToUtf8(action.url));
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

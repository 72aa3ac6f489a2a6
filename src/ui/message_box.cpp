#include "ui/message_box.h"

#include <QMessageBox>
#include <QScreen>
#include <QString>
#include <QStyle>

#include <algorithm>

#include "core/text/text_codec.h"

namespace quillet {
namespace {

MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      break;
  }
  return QMessageBox::Information;
}

// Japanese may break after its punctuation and closing brackets, at a space,
// and before an opening bracket; not inside a word.
bool BreaksAfter(QChar c) {
  return QStringView(u" \u3000。、，．！？」』）】)").contains(c);
}

bool BreaksBefore(QChar c) {
  return QStringView(u"「『（【(").contains(c);
}

// The paragraph cut into the pieces between the places where it may break.
QStringList BreakablePieces(const QString& paragraph) {
  QStringList pieces;
  qsizetype start = 0;
  for (qsizetype i = 1; i < paragraph.size(); ++i) {
    const bool closing = BreaksAfter(paragraph[i]) && paragraph[i] != QLatin1Char(' ');
    if ((BreaksAfter(paragraph[i - 1]) || BreaksBefore(paragraph[i])) && !closing) {
      pieces.append(paragraph.mid(start, i - start));
      start = i;
    }
  }
  pieces.append(paragraph.mid(start));
  return pieces;
}

// The text with line breaks added where it may break, so that no line is
// wider than `width` unless one piece alone is.
QString BreakLines(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QString line;
    for (const QString& piece : BreakablePieces(paragraph)) {
      if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > width) {
        lines.append(line);
        line.clear();
      }
      line += piece;
    }
    lines.append(line);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void ShowMessage(QWidget* owner, const std::string& text, const std::string& caption,
                 MessageIcon icon) {
  if (Hook()) {
    Hook()(text, caption, icon);
    return;
  }
  QMessageBox box(ToQt(icon), QString::fromStdString(Cp932ToUtf8(caption)), QString(),
                  QMessageBox::Ok, owner);
  // A text wider than about half the screen would be wrapped by the box, which
  // breaks Japanese between any two characters. Lines broken where the text
  // may break, narrow enough for the box with its icon, are left whole.
  const QScreen* screen = box.screen();
  const int halfScreen = screen != nullptr ? screen->availableGeometry().width() / 2 : 500;
  const int room = std::min(halfScreen, 500) -
                   box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize) -
                   box.fontMetrics().averageCharWidth() * 8;
  box.setTextFormat(Qt::PlainText);  // a message quoting a page's tags is no markup
  box.setText(BreakLines(QString::fromStdString(Cp932ToUtf8(text)), box.fontMetrics(), room));
  box.exec();
}

void SetMessageHookForTesting(MessageHook hook) {
  Hook() = std::move(hook);
}

}  // namespace quillet

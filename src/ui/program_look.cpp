#include "ui/program_look.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QFont>

#include <algorithm>
#include <cmath>

#include "core/text/text_codec.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

constexpr double kReadableContrast = 4.5;

// WCAG 2's relative luminance of an sRGB colour.
double Luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `background` moved in lightness away from `text` until the text reads on it.
QColor ReadableBehind(const QColor& text, const QColor& background) {
  // Above this luminance, black reads better on a colour than white does.
  const bool lightText = Luminance(text) > 0.18;
  int hue = 0, saturation = 0, lightness = 0, alpha = 0;
  background.getHsl(&hue, &saturation, &lightness, &alpha);
  QColor readable = background;
  while (Contrast(text, readable) < kReadableContrast &&
         (lightText ? lightness > 0 : lightness < 255)) {
    lightness = std::clamp(lightness + (lightText ? -3 : 3), 0, 255);
    readable = QColor::fromHsl(hue, saturation, lightness, alpha);
  }
  return readable;
}

}  // namespace

ProgramLook::ProgramLook(QApplication& app) {
  // Proportional faces first, as the first choice is one.
  QFont font = QApplication::font();
  font.setFamilies({UiText(CP932("ＭＳ Ｐゴシック")), QStringLiteral("IPAPGothic"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
                    QStringLiteral("TakaoPGothic"), QStringLiteral("IPAGothic")});
  font.setPixelSize(12);
  QApplication::setFont(font);
  KeepSelectionReadable();
  app.installEventFilter(this);
}

QPalette ProgramLook::WithReadableSelection(QPalette palette) {
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    const QColor highlight = palette.color(group, QPalette::Highlight);
    const QColor readable =
        ReadableBehind(palette.color(group, QPalette::HighlightedText), highlight);
    if (readable != highlight) palette.setColor(group, QPalette::Highlight, readable);
  }
  return palette;
}

bool ProgramLook::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
    KeepSelectionReadable();
  return QObject::eventFilter(watched, event);
}

void ProgramLook::KeepSelectionReadable() {
  const QPalette palette = QApplication::palette();
  const QPalette readable = WithReadableSelection(palette);
  // The change comes back here as an event, and finds nothing more to do.
  if (readable != palette) QApplication::setPalette(readable);
}

}  // namespace quillet

#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include <array>
#include <functional>

// Every image is drawn on a 16-unit grid: fills on whole units and 2-unit
// strokes centred on whole units (1-unit strokes on half units), so the edges
// fall on pixel boundaries at 16 px and at every whole multiple of it. Each
// image has light parts and dark ones, to stand out on light and dark
// backgrounds alike; the close cross is drawn in the text colour instead.

namespace quillet {
namespace {

using Painter = void (*)(QPainter&);

// `paint` draws on the 16-unit grid, scaled to `pixels`.
QPixmap Render(int pixels, const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(pixels, pixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(pixels / 16.0, pixels / 16.0);
  paint(painter);
  return pixmap;
}

QIcon MakeIcon(const std::function<void(QPainter&)>& paint,
               std::initializer_list<int> sizes = {16, 32}) {
  QIcon icon;
  for (int size : sizes)
    icon.addPixmap(Render(size, paint));
  return icon;
}

QPen Stroke(const QColor& color, double width) {
  return QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

// --- Site badges: a coloured tile with a white mark. -----------------------

void Badge(QPainter& p, const QColor& color) {
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
  p.setBrush(Qt::NoBrush);
  p.setPen(Stroke(Qt::white, 2));
}

void SiteYomiuri(QPainter& p) {  // Y
  Badge(p, QColor(0x1e, 0x5a, 0xa8));
  p.drawPolyline(QPolygonF({{3.5, 3}, {8, 8}, {12.5, 3}}));
  p.drawLine(QPointF(8, 8), QPointF(8, 13));
}

void SiteAsahi(QPainter& p) {  // A
  Badge(p, QColor(0xc8, 0x10, 0x2e));
  p.drawPolyline(QPolygonF({{3.5, 13}, {8, 3}, {12.5, 13}}));
  p.drawLine(QPointF(5.5, 10), QPointF(10.5, 10));
}

void SiteImpress(QPainter& p) {  // I
  Badge(p, QColor(0x2e, 0x8b, 0x3d));
  p.drawLine(QPointF(8, 4), QPointF(8, 12));
  p.drawLine(QPointF(5, 4), QPointF(11, 4));
  p.drawLine(QPointF(5, 12), QPointF(11, 12));
}

void SiteZakzak(QPainter& p) {  // Z
  Badge(p, QColor(0xc8, 0x6a, 0x00));
  p.drawPolyline(QPolygonF({{4, 4}, {12, 4}, {4, 12}, {12, 12}}));
}

void SiteCnn(QPainter& p) {  // C
  Badge(p, QColor(0x33, 0x33, 0x33));
  p.drawArc(QRectF(3.5, 3.5, 9, 9), 45 * 16, 270 * 16);
}

void SiteChuou(QPainter& p) {  // 中
  Badge(p, QColor(0x00, 0x83, 0x8f));
  p.drawRect(QRectF(4, 6, 8, 4));
  p.drawLine(QPointF(8, 2), QPointF(8, 14));
}

void SiteMainichi(QPainter& p) {  // M
  Badge(p, QColor(0x5b, 0x3a, 0x8e));
  p.drawPolyline(QPolygonF({{4, 13}, {4, 4}, {8, 9}, {12, 4}, {12, 13}}));
}

void Feed(QPainter& p) {  // a dot with two waves
  Badge(p, QColor(0xd8, 0x4a, 0x1b));
  p.drawArc(QRectF(0, 7, 9, 9), 0, 90 * 16);
  p.drawArc(QRectF(-4, 3, 17, 17), 0, 90 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(4.5, 11.5), 1.5, 1.5);
}

void Page(QPainter& p) {  // a sheet with a part marked out
  const QColor grey(0x55, 0x5d, 0x66);
  p.setPen(Stroke(grey, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(2.5, 0.5, 11, 15));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2e, 0x8b, 0x57));
  p.drawRect(QRectF(4, 5, 8, 5));
  p.setPen(Stroke(grey, 1));
  p.drawLine(QPointF(4, 3.5), QPointF(12, 3.5));
  p.drawLine(QPointF(4, 12.5), QPointF(10, 12.5));
}

// --- Toolbar images. --------------------------------------------------------

void Settings(QPainter& p) {  // a cog
  QPainterPath cog;
  cog.addEllipse(QPointF(8, 8), 5, 5);
  for (int i = 0; i < 8; ++i) {
    QPainterPath tooth;
    tooth.addRect(QRectF(-1.25, -7.5, 2.5, 4));
    cog = cog.united(QTransform().translate(8, 8).rotate(i * 45).map(tooth));
  }
  QPainterPath hole;
  hole.addEllipse(QPointF(8, 8), 2, 2);
  p.setPen(Stroke(QColor(0x55, 0x5d, 0x66), 1));
  p.setBrush(QColor(0xdd, 0xe1, 0xe6));
  p.drawPath(cog.subtracted(hole));
}

void Fetch(QPainter& p) {  // an arrow down into a tray
  const QColor green(0x34, 0x9e, 0x44);
  p.setPen(Stroke(QColor(0x55, 0x5d, 0x66), 1));
  p.drawPolyline(QPolygonF({{1.5, 10}, {1.5, 14.5}, {14.5, 14.5}, {14.5, 10}}));
  p.setPen(Stroke(green, 2));
  p.drawLine(QPointF(8, 1), QPointF(8, 8));
  p.setPen(Qt::NoPen);
  p.setBrush(green);
  p.drawPolygon(QPolygonF({{3.5, 7}, {12.5, 7}, {8, 12}}));
}

void PatrolTimer(QPainter& p) {  // a clock face
  p.setPen(Stroke(QColor(0x1e, 0x5a, 0xa8), 1.5));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
  p.setPen(Stroke(QColor(0x33, 0x33, 0x33), 1.5));
  p.drawPolyline(QPolygonF({{8, 3.5}, {8, 8}, {11.5, 8}}));
}

void Tray(QPainter& p) {  // a window shrinking into a small box
  const QColor grey(0x55, 0x5d, 0x66);
  p.setPen(Stroke(grey, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.5, 0.5, 11, 8));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1e, 0x5a, 0xa8));
  p.drawRect(QRectF(1, 1, 10, 2));
  p.drawRect(QRectF(9, 12, 6, 3));
  p.setBrush(grey);
  p.drawPolygon(QPolygonF({{4, 10}, {8, 10}, {8, 14}}));
}

void AlwaysOnTop(QPainter& p) {  // a push pin: a steel needle, a red head
  p.setPen(Stroke(QColor(0xb8, 0xbe, 0xc4), 1));
  p.drawLine(QPointF(8.5, 10), QPointF(8.5, 16));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf0, 0x6a, 0x7e));
  p.drawRect(QRectF(5, 1, 7, 2));
  p.setBrush(QColor(0xc8, 0x10, 0x2e));
  p.drawPolygon(QPolygonF({{6, 3}, {11, 3}, {11, 7}, {13, 10}, {4, 10}, {6, 7}}));
}

void LogSearch(QPainter& p) {  // a page under a magnifier
  const QColor grey(0x55, 0x5d, 0x66);
  p.setPen(Stroke(grey, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 0.5, 9, 12));
  p.drawLine(QPointF(3, 3.5), QPointF(9, 3.5));
  p.drawLine(QPointF(3, 5.5), QPointF(9, 5.5));
  p.drawLine(QPointF(3, 7.5), QPointF(6, 7.5));
  p.setPen(Stroke(QColor(0x1e, 0x5a, 0xa8), 1.5));
  p.setBrush(QColor(0xd8, 0xe8, 0xf8));
  p.drawEllipse(QPointF(9.5, 9.5), 3.5, 3.5);
  p.setPen(Stroke(QColor(0x33, 0x33, 0x33), 2));
  p.drawLine(QPointF(12, 12), QPointF(15.5, 15.5));
}

void Reveal(QPainter& p) {  // an eye
  p.setPen(Stroke(QColor(0x55, 0x5d, 0x66), 1.5));
  p.setBrush(Qt::white);
  QPainterPath lids;
  lids.moveTo(1, 8);
  lids.quadTo(8, 1, 15, 8);
  lids.quadTo(8, 15, 1, 8);
  p.drawPath(lids);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1e, 0x5a, 0xa8));
  p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
}

// --- The program's own icon: a newspaper page with a quill. -----------------

void App(QPainter& p) {
  p.setPen(Stroke(QColor(0x55, 0x5d, 0x66), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.5, 2.5, 12, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x33, 0x33, 0x33));
  p.drawRect(QRectF(2, 4, 9, 2));
  p.setBrush(QColor(0x99, 0x99, 0x99));
  for (double y : {8.0, 10.0, 12.0})
    p.drawRect(QRectF(2, y, 6, 1));
  QPainterPath quill;
  quill.moveTo(6, 15);
  quill.cubicTo(8, 8, 11, 3, 16, 0);
  quill.cubicTo(15, 5, 12, 10, 6, 15);
  p.setBrush(QColor(0x1e, 0x5a, 0xa8));
  p.drawPath(quill);
}

}  // namespace

QIcon SiteIcon(int site) {
  static const std::array<Painter, 7> kPainters = {SiteYomiuri, SiteAsahi, SiteImpress, SiteZakzak,
                                                   SiteCnn,     SiteChuou, SiteMainichi};
  if (site < 0 || site >= static_cast<int>(kPainters.size())) return QIcon();
  return MakeIcon(kPainters[static_cast<size_t>(site)]);
}

QIcon FeedIcon() {
  return MakeIcon(Feed);
}

QIcon PageIcon() {
  return MakeIcon(Page);
}

QIcon ToolbarIcon(int index) {
  static const std::array<Painter, 6> kPainters = {Settings, Fetch,       PatrolTimer,
                                                   Tray,     AlwaysOnTop, LogSearch};
  if (index < 0 || index >= static_cast<int>(kPainters.size())) return QIcon();
  return MakeIcon(kPainters[static_cast<size_t>(index)]);
}

// The images in one ink: their drawing holds the colour.
QIcon CloseIcon(const QColor& ink) {
  return MakeIcon([&ink](QPainter& p) {
    p.setPen(Stroke(ink, 2));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
  });
}

QIcon SkipIcon(const QColor& ink) {
  return MakeIcon([&ink](QPainter& p) {
    // Two arrowheads pointing right, against a bar.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (double left : {2.0, 7.0}) {
      QPainterPath head;
      head.moveTo(left, 3);
      head.lineTo(left + 5, 8);
      head.lineTo(left, 13);
      head.closeSubpath();
      p.drawPath(head);
    }
    p.drawRect(QRectF(12, 3, 2, 10));
  });
}

QIcon RevealIcon() {
  return MakeIcon(Reveal);
}

QIcon AppIcon() {
  return MakeIcon(App, {16, 32, 48, 64});
}

}  // namespace quillet

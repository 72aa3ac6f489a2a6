// quillet-app-icon: writes the program's icon into an icon theme folder as one
// PNG file per size, at build time, for installation.
//
//   quillet-app-icon SVG THEME_DIR NAME SIZE...
//
// At the sizes AppIcon() holds, the files are its own pixels; the other sizes
// are rendered from SVG, the same picture drawn as vectors. Before anything is
// written, SVG is rendered at AppIcon()'s sizes and compared with it pixel by
// pixel, so the two drawings cannot drift apart unnoticed.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "ui/icons.h"

namespace {

// Largest difference of one colour or alpha channel (0..255) that still
// counts as the same pixel: the two drawings are rasterised by the same
// painter, so only rounding may differ.
constexpr int kChannelTolerance = 2;

QImage FromSvg(QSvgRenderer& svg, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter, QRectF(0, 0, size, size));
  return image;
}

QImage FromAppIcon(const QIcon& icon, int size) {
  return icon.pixmap(QSize(size, size), 1.0)
      .toImage()
      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The largest channel difference between two images of one size.
int LargestDifference(const QImage& a, const QImage& b) {
  int largest = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return largest;
}

bool Save(const QImage& image, const QString& path) {
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 5) {
    std::cerr << "usage: quillet-app-icon SVG THEME_DIR NAME SIZE...\n";
    return 2;
  }
  QSvgRenderer svg(args[1]);
  if (!svg.isValid()) {
    std::cerr << "quillet-app-icon: cannot read " << args[1].toStdString() << '\n';
    return 1;
  }
  const QIcon icon = quillet::AppIcon();
  std::vector<int> iconSizes;
  if (icon.availableSizes().isEmpty()) {
    std::cerr << "quillet-app-icon: AppIcon() holds no image\n";
    return 1;
  }
  for (const QSize& size : icon.availableSizes()) {
    const int pixels = size.width();
    iconSizes.push_back(pixels);
    const int difference = LargestDifference(FromSvg(svg, pixels), FromAppIcon(icon, pixels));
    if (difference > kChannelTolerance) {
      std::cerr << "quillet-app-icon: " << args[1].toStdString() << " differs from AppIcon() at "
                << pixels << " px (by up to " << difference << " of 255 in a channel)\n";
      return 1;
    }
  }

  for (qsizetype i = 4; i < args.size(); ++i) {
    bool isNumber = false;
    const int pixels = args[i].toInt(&isNumber);
    if (!isNumber || pixels <= 0) {
      std::cerr << "quillet-app-icon: not a size: " << args[i].toStdString() << '\n';
      return 2;
    }
    const bool held = std::find(iconSizes.begin(), iconSizes.end(), pixels) != iconSizes.end();
    const QImage image = held ? FromAppIcon(icon, pixels) : FromSvg(svg, pixels);
    const QString size = QString::number(pixels);
    const QString path = args[2] + QStringLiteral("/") + size + QStringLiteral("x") + size +
                         QStringLiteral("/apps/") + args[3] + QStringLiteral(".png");
    if (!QDir().mkpath(QFileInfo(path).path()) || !Save(image, path)) {
      std::cerr << "quillet-app-icon: cannot write " << path.toStdString() << '\n';
      return 1;
    }
  }
  return 0;
}

#include "ui/icon_provider.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include "ui/palette.h"

namespace kivotra::ui {

namespace {

QByteArray gradientDefs() {
  return QStringLiteral(
             "<defs><linearGradient id=\"kivotraAccent\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">"
             "<stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"0.5\" stop-color=\"%2\"/>"
             "<stop offset=\"1\" stop-color=\"%3\"/></linearGradient></defs>")
      .arg(Palette::deep().name(), Palette::primary().name(), Palette::light().name())
      .toUtf8();
}

}  // namespace

QByteArray iconSvg(const QString& name) {
  QFile file(QStringLiteral(":/kivotra/icons/%1.svg").arg(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QImage IconProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
  const QString name = id.section(QLatin1Char('/'), 0, 0);
  const QString colour = id.section(QLatin1Char('/'), 1, 1);
  const bool gradient = colour == QLatin1String("gradient");
  QByteArray svg = iconSvg(name);

  double opacity = 1;
  if (gradient) {
    svg.replace("currentColor", "url(#kivotraAccent)");
    const int tagEnd = svg.indexOf('>', svg.indexOf("<svg"));
    if (tagEnd >= 0) svg.insert(tagEnd + 1, gradientDefs());
  } else {
    QColor c(QLatin1Char('#') + colour);
    if (!c.isValid()) c = Palette::label();
    svg.replace("currentColor", c.name(QColor::HexRgb).toUtf8());
    // SVG colours carry no alpha: the drawing is made opaque and laid down at the colour's alpha.
    opacity = c.alphaF();
  }

  QSvgRenderer renderer(svg);
  QSize target = requestedSize;
  if (target.width() <= 0 && target.height() <= 0) target = renderer.defaultSize();
  if (target.width() <= 0) target.setWidth(target.height());
  if (target.height() <= 0) target.setHeight(target.width());
  if (target.isEmpty()) target = QSize(24, 24);

  QImage drawing(target, QImage::Format_ARGB32_Premultiplied);
  drawing.fill(Qt::transparent);
  if (renderer.isValid()) {
    QPainter painter(&drawing);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
  }
  QImage image = drawing;
  if (opacity < 1) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setOpacity(opacity);
    painter.drawImage(0, 0, drawing);
  }
  if (size) *size = image.size();
  return image;
}

}  // namespace kivotra::ui

#include "ui/thumbnail_provider.h"

#include <QPainter>
#include <QPainterPath>

#include "state/app_state.h"

namespace kivotra::ui {

ThumbnailProvider::ThumbnailProvider(AppState& state)
    : QQuickImageProvider(QQuickImageProvider::Image), state_(&state) {}

QString ThumbnailProvider::source(const VideoItem& item) {
  return QStringLiteral("image://%1/%2").arg(QLatin1String(kId), QString::fromStdString(item.id.toString()));
}

QImage coverImage(const RgbaBitmap& bitmap, QSize target, double radius) {
  if (bitmap.width < 1 || bitmap.height < 1 ||
      bitmap.pixels.size() < static_cast<std::size_t>(bitmap.width) * bitmap.height * 4) {
    return {};
  }
  const QImage source(bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.width * 4, QImage::Format_RGBA8888);
  if (target.isEmpty()) target = source.size();

  const QImage scaled = source.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
  const QRect crop((scaled.width() - target.width()) / 2, (scaled.height() - target.height()) / 2, target.width(),
                   target.height());

  QImage result(target, QImage::Format_ARGB32_Premultiplied);
  result.fill(Qt::transparent);
  QPainter painter(&result);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(target)), radius, radius);
  painter.setClipPath(clip);
  painter.drawImage(QPoint(0, 0), scaled, crop);
  return result;
}

QImage ThumbnailProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
  QImage image;
  const auto uuid = Uuid::parse(id.section(QLatin1Char('/'), 0, 0).toStdString());
  if (state_ && uuid) {
    if (const VideoItem* item = state_->find(*uuid); item && item->thumbnail) {
      // The card's corner radius is 8 at a height of 52; keep the proportion at any pixel density.
      const double radius = requestedSize.height() > 0 ? 8.0 * requestedSize.height() / 52.0 : 0;
      image = coverImage(*item->thumbnail, requestedSize, radius);
    }
  }
  if (size) *size = image.size();
  return image;
}

}  // namespace kivotra::ui

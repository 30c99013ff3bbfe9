#pragma once

#include <QImage>
#include <QPointer>
#include <QQuickImageProvider>

#include "models/probe_info.h"
#include "state/app_state.h"

namespace kivotra::ui {

// The probe's cover of each listed file, "image://kivotra-thumb/<item id>",
// cropped to fill the requested size and rounded like the card's thumbnail.
// Synchronous: the items are read on the thread that owns AppState.
class ThumbnailProvider : public QQuickImageProvider {
 public:
  static constexpr const char* kId = "kivotra-thumb";
  explicit ThumbnailProvider(AppState& state);

  static QString source(const VideoItem& item);
  QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

 private:
  QPointer<AppState> state_;
};

// bitmap scaled to cover target (aspect kept, overflow cut off evenly), with
// corners rounded by radius pixels; the bitmap's own size when target is empty.
QImage coverImage(const RgbaBitmap& bitmap, QSize target, double radius);

}  // namespace kivotra::ui

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "models/item_settings.h"
#include "models/item_status.h"
#include "models/item_text.h"
#include "models/video_item.h"

namespace kivotra::ui {

// Colour roles of the window. The views map them to colours (Palette), so the
// rules below stay plain C++ and testable without a display.
enum class Tone {
  label,
  secondaryLabel,
  tertiaryLabel,
  quaternaryLabel,
  separator,
  controlBackground,
  primary,
  soft,
  portrait,
  wide,
  danger,
};


// Points; the thumbnail is always 52 high.
inline constexpr double kThumbnailHeight = 52;
double thumbnailWidth(int srcWidth, int srcHeight);

// Last path component of the source.
std::string fileName(const VideoItem& item);

// The facts line and the progress percentage are shared with kivotra-cli.
using kivotra::metaText;
using kivotra::progressText;

Tone ratioTone(int srcWidth, int srcHeight);

struct Tag {
  std::string text;
  Tone tone;
  bool operator==(const Tag&) const = default;
};
std::vector<Tag> tags(const VideoItem& item);

// Output W×H with the effective parameters, "—" while loading.
std::string dimsText(const VideoItem& item, const ItemSettings& effective);

struct SizeColumn {
  enum class Kind { loading, estimate, progress, result, failed };
  Kind kind;
  std::string value;    // the big first line
  std::string caption;  // the small second line; empty where a button takes its place
  Tone valueTone;
  std::string note;     // "大于源文件" beside the value, or empty
  bool operator==(const SizeColumn&) const = default;
};
// A waiting file shows its estimate (in size mode the smallest size it can
// reach when that is over the limit); a finished one what it wrote. Either is
// marked when it is bigger than the source.
SizeColumn sizeColumn(const VideoItem& item, const ItemSettings& effective);

// What the card lets the user do, by the item's status and whether the queue runs.
struct CardControls {
  bool clickable;       // a click toggles editing, the hover shows the hand
  bool editEnabled;
  double editOpacity;
  bool removeEnabled;
  double removeOpacity;
  bool showStop;
  bool showReveal;
  bool showProgressBar;
  bool operator==(const CardControls&) const = default;
};
CardControls cardControls(const ItemStatus& status, bool isRunning);

struct Stroke {
  Tone tone;
  double opacity;
  double width;
  bool operator==(const Stroke&) const = default;
};
Stroke cardBorder(bool isEditing, const ItemStatus& status);

struct Fill {
  Tone tone;
  double opacity;
  bool operator==(const Fill&) const = default;
};
Fill cardBackground(bool isEditing);

Tone editIconTone(bool isEditing, bool hasCustomSettings);

// Share of the track the bar fills: all of it once done.
double progressFraction(const ItemStatus& status, double progress);
// Points; never thinner than a 3-point dot so a just-started file shows something.
double progressBarWidth(double trackWidth, double fraction);

}  // namespace kivotra::ui

#pragma once

namespace kivotra::Theme {

// sRGB components 0..1, opaque.
struct Colour {
  double red;
  double green;
  double blue;
};

inline constexpr Colour deep{0.47, 0.19, 0.63};      // first gradient stop, darkest accent
inline constexpr Colour primary{0.65, 0.32, 0.82};   // main accent, middle gradient stop
inline constexpr Colour light{0.84, 0.52, 0.94};     // last gradient stop
inline constexpr Colour soft{0.96, 0.93, 1.0};       // pale background tint
inline constexpr Colour portrait{0.84, 0.50, 0.14};  // ratio tag of portrait sources
inline constexpr Colour wide{0.42, 0.28, 0.88};      // ratio tag of wide-screen sources

inline constexpr Colour stopRed{0.85, 0.25, 0.3};  // the running start control's fill

// The accent gradient runs deep → primary → light, evenly spaced, top-leading
// to bottom-trailing.
inline constexpr Colour gradientStops[3] = {deep, primary, light};

}  // namespace kivotra::Theme

#pragma once

#include <array>
#include <string>

namespace kivotra {

struct Tier {
  int shortSide;
  const char* label;
  int recommendedKbps;
};

// The four resolution tiers the panel offers, smallest first.
inline constexpr std::array<Tier, 4> kTiers{{
    {720, "720P", 3000},
    {1080, "1080P", 5000},
    {1440, "2K", 10000},
    {2160, "4K", 20000},
}};

inline constexpr int kDefaultRecommendedKbps = 5000;

// 5000 for any value that is not one of the four tiers.
int recommendedBitrate(int shortSide);

// "720P", "1080P", "2K", "4K"; any other value in decimal followed by "P".
std::string tierLabel(int shortSide);

}  // namespace kivotra

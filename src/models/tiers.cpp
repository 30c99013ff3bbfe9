#include "models/tiers.h"

namespace kivotra {

int recommendedBitrate(int shortSide) {
  for (const Tier& tier : kTiers) {
    if (tier.shortSide == shortSide) return tier.recommendedKbps;
  }
  return kDefaultRecommendedKbps;
}

std::string tierLabel(int shortSide) {
  for (const Tier& tier : kTiers) {
    if (tier.shortSide == shortSide) return tier.label;
  }
  return std::to_string(shortSide) + "P";
}

}  // namespace kivotra

#pragma once
// The colours and materials shared by every picture: warm woods, earth and ochre, a sun gold
// and a night indigo, one ink for the line art, pale seeds.
#include "tools/assetgen/Relief.h"

#include <cstdint>

namespace style {

using gen::Color;

// Wood seen from above, the grain running across the board.
Color Wood(double x, double y, std::uint32_t seed);
// The dark stained wood of the score bands.
Color DarkWood(double x, double y, std::uint32_t seed);

inline const Color kPitFloor{70, 38, 20};
inline const Color kSunField{205, 98, 40};
inline const Color kSunGold{250, 196, 70};
inline const Color kSunRim{236, 168, 66};
inline const Color kNight{36, 46, 96};
inline const Color kMoonLight{240, 230, 198};
inline const Color kStarLight{250, 214, 120};
inline const Color kMoonRim{170, 180, 210};

// The hands: one deep warm brown.
constexpr std::uint32_t kInk = 0xFF3A2216;

} // namespace style

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours and materials shared by every picture: warm woods, earth and ochre, a sun gold
// and a night indigo, skin tones for the hands, pale seeds.
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

// The hands: warm brown skin lit from the upper left, a dark outline that parts them from the
// light wood, a pale robe sleeve with an indigo hem. The one-colour hands are a light skin tone,
// far in brightness from both the wood and the dark score bands.
inline const Color kSkin{206, 150, 104};
inline const Color kNail{232, 196, 170};
inline const Color kCloth{236, 226, 204};
inline const Color kHem{44, 54, 108};
constexpr std::uint32_t kHandOutline = 0xFF3A2216;
constexpr std::uint32_t kHandCrease = 0xFF6E4028;
constexpr std::uint32_t kHandSilhouette = 0xFFE8BE8E;

} // namespace style

// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AppState.h"

#include <ostream>

TAppState AppState = TAppState::None;

const char* AppStateWord(TAppState state) {
    switch (state) {
    case TAppState::Presentation:
        return "presentation";
    case TAppState::Jeu:
        return "jeu";
    case TAppState::Distribution:
        return "distribution";
    case TAppState::None:
        break;
    }
    return "";
}

void PrintTo(TAppState state, std::ostream* out) {
    *out << '"' << AppStateWord(state) << '"';
}

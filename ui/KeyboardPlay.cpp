// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/KeyboardPlay.h"

#include "game/Game.h"
#include "graphics/BoardMarks.h"
#include "graphics/GameSprites.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <Qt>
#include <algorithm>
#include <iterator>

namespace {
// The pit marked, and the game and ply it was marked at: each turn, and each position a
// take-back shows, starts with the ring on the mover's first playable pit, so the same
// position always looks the same.
int markedPit = 0;
const Tjeu* markedGame = nullptr;
int markedPly = -1;
// Whether the ring is drawn: once the keyboard plays, until the mouse does.
bool ringShown = false;
} // namespace

bool KeyboardRingShown() {
    return ringShown;
}

void HideKeyboardRing() {
    ringShown = false;
}

int MoversPit(int player, int k) {
    // Player 2 sits opposite: his left is player 1's right, where his pit 7 lies.
    return (player == 1 ? 0 : 6) + k;
}

std::vector<int> KeyboardPlayablePits() {
    std::vector<int> pits;
    if (!CurrentGame || AppState != TAppState::Jeu)
        return pits;
    const int mover = CurrentGame->Tour->Player;
    for (int k = 1; k <= 6; ++k)
        if (CurrentGame->Pit(MoversPit(mover, k)).CanPlay())
            pits.push_back(MoversPit(mover, k));
    return pits;
}

int KeyboardMark() {
    const std::vector<int> pits = KeyboardPlayablePits();
    if (pits.empty()) {
        markedPly = -1; // the next person's turn starts afresh
        return 0;
    }
    const int ply = CurrentGame->Record.Cursor();
    if (markedGame != CurrentGame.get() || markedPly != ply ||
        std::find(pits.begin(), pits.end(), markedPit) == pits.end()) {
        markedPit = pits.front();
        markedGame = CurrentGame.get();
        markedPly = ply;
    }
    return markedPit;
}

void SetKeyboardMark(int pit) {
    const std::vector<int> pits = KeyboardPlayablePits();
    if (std::find(pits.begin(), pits.end(), pit) == pits.end())
        return;
    KeyboardMark(); // the mark belongs to this game and ply from now on
    markedPit = pit;
    ringShown = true;
}

namespace {
// The figure 1 to 6 a key gives, or 0: the figure keys, and the same keys unshifted on a French
// keyboard (& é " ' ( -).
int Figure(int key) {
    if (key >= Qt::Key_1 && key <= Qt::Key_6)
        return key - Qt::Key_0;
    const int french[] = {Qt::Key_Ampersand,  Qt::Key_Eacute,    Qt::Key_QuoteDbl,
                          Qt::Key_Apostrophe, Qt::Key_ParenLeft, Qt::Key_Minus};
    const auto* at = std::find(std::begin(french), std::end(french), key);
    return at == std::end(french) ? 0 : static_cast<int>(at - std::begin(french)) + 1;
}
} // namespace

bool HandleBoardKey(int key) {
    const std::vector<int> pits = KeyboardPlayablePits();
    auto play = [](int pit) { PlayMove(pit); };
    if (const int figure = Figure(key)) {
        ringShown = true;
        if (CurrentGame && AppState == TAppState::Jeu) {
            const int pit = MoversPit(CurrentGame->Tour->Player, figure);
            if (std::find(pits.begin(), pits.end(), pit) != pits.end())
                play(pit);
        }
        return true;
    }
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        break;
    default:
        return false;
    }
    ringShown = true;
    if (pits.empty())
        return true;
    const int marked = KeyboardMark();
    const auto at = std::find(pits.begin(), pits.end(), marked) - pits.begin();
    const auto last = static_cast<std::ptrdiff_t>(pits.size()) - 1;
    switch (key) {
    case Qt::Key_Left:
        markedPit = pits[std::max<std::ptrdiff_t>(at - 1, 0)];
        break;
    case Qt::Key_Right:
        markedPit = pits[std::min(at + 1, last)];
        break;
    case Qt::Key_Home:
        markedPit = pits.front();
        break;
    case Qt::Key_End:
        markedPit = pits.back();
        break;
    default: // Enter, Space
        play(marked);
        return true;
    }
    RedrawScene();
    return true;
}

void RefreshKeyboardMark() {
    if (!CurrentGame || !CurrentGame->Mark)
        return;
    const int pit = KeyboardMark();
    CurrentGame->Mark->Visible = pit != 0 && ringShown;
    if (pit != 0) {
        const TMonSprite& sprite = *CurrentGame->Pit(pit).Sprite;
        CurrentGame->Mark->Frame(sprite.X, sprite.Y);
    }
}

void ApplyCountsInSight() {
    if (!CurrentGame)
        return;
    for (int i = 1; i <= 12; ++i)
        CurrentGame->Pit(i).ShowCount();
    RedrawScene();
}

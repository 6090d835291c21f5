// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameHost.h"

namespace {

// A game without a window: the moves are played, nothing is shown, sounded or asked.
class TNoWindow final : public game::TGameHost {
public:
    int WindowWidth() const override { return 0; }
    int WindowHeight() const override { return 0; }
    void Repaint() override {}
    void ShowNotice(const QString&) override {}
    void ReportError(const std::exception&) override {}
    void PlaySound(int) override {}
    QString PlayerName(int) const override { return {}; }
    int PlayedBy(int) const override { return 0; }
    bool SoundsOn() const override { return false; }
    bool ShowCounts() const override { return false; }
    void SetHoverTimer(bool) override {}
    void GameMade() override {}
    void GameEnding() override {}
    void GameGone() override {}
    void ShowMove(const std::function<void()>& steps) override { steps(); }
    void MoveStarting() override {}
    void MovePlayed() override {}
};

TNoWindow noWindow;
game::TGameHost* host = nullptr;

} // namespace

void game::InstallHost(TGameHost* installed) {
    host = installed;
}

game::TGameHost& game::Host() {
    return host ? *host : noWindow;
}

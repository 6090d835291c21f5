#include "ui/ComputerTurn.h"

#include "ai/Player.h"
#include "game/Game.h"
#include "platform/Pause.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QApplication>
#include <QGroupBox>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <random>
#include <system_error>

namespace {
// A move that cannot be played yet (a menu, a question or the preferences panel is open) is tried
// again after this long.
constexpr int RetryMs = 100;
} // namespace

int TComputerTurn::ExpertBudgetMs() {
    const char* const text = std::getenv("EKOBARAMA_EXPERT_MS");
    if (!text)
        return ExpertTimeMs;
    const char* const end = text + std::strlen(text);
    int ms = 0;
    const auto [rest, error] = std::from_chars(text, end, ms);
    if (error != std::errc() || rest != end || ms < 1 || ms > 600000)
        return ExpertTimeMs;
    return ms;
}

TComputerTurn::TComputerTurn() {
    pause_.setSingleShot(true);
    QObject::connect(&pause_, &QTimer::timeout, &receiver_,
                     [this] { Guarded([this] { PlayChosenMove(); }); });
}

TComputerTurn::~TComputerTurn() {
    Cancel();
}

void TComputerTurn::Begin() {
    End();
    std::random_device entropy;
    for (int n = 1; n <= 2; ++n) {
        if (const TPlayedBy& level = Options->PlayedBy(n)) {
            ai::TPlayerOptions options;
            options.TimeMs = ExpertBudgetMs();
            options.Seed = entropy(); // a beginner does not play every game alike
            players_[n] = ai::MakePlayer(*level, options);
        }
    }
    Next();
}

void TComputerTurn::End() {
    Cancel();
    for (auto& player : players_)
        player.reset();
}

void TComputerTurn::Cancel() {
    cancel_ = true;
    ++turn_; // a result already queued finds its turn gone
    pause_.stop();
    thinking_ = false;
    chosen_ = 0;
    // The search returns within microseconds of the flag.
    if (worker_.joinable())
        worker_.join();
}

void TComputerTurn::Next() {
    if (!CurrentGame || AppState != "jeu" || CurrentGame->Over || CurrentGame->Record.Over() ||
        TerminationRequested())
        return;
    ai::TComputerPlayer* const player = players_[CurrentGame->Tour->Player].get();
    if (!player)
        return;
    Cancel();
    cancel_ = false;
    thinking_ = true;
    started_ = std::chrono::steady_clock::now();
    const unsigned turn = turn_;
    const rules::TPosition position = CurrentGame->Position();
    worker_ = std::thread([this, player, position, turn] {
        const int pit = player->ChooseMove(position, cancel_);
        if (!cancel_)
            QMetaObject::invokeMethod(
                &receiver_, [this, turn, pit] { Deliver(turn, pit); }, Qt::QueuedConnection);
    });
}

void TComputerTurn::Deliver(unsigned turn, int pit) {
    if (turn != turn_)
        return;
    if (worker_.joinable())
        worker_.join(); // it has nothing left to do
    chosen_ = pit;
    int wait = 0;
    if (platform::PausesEnabled()) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started_);
        wait = std::max(0, PauseMs - static_cast<int>(spent.count()));
    }
    pause_.start(wait);
}

void TComputerTurn::PlayChosenMove() {
    if (!CurrentGame || chosen_ == 0)
        return;
    // A person in a menu, answering a question or looking at the preferences keeps the board
    // still, as it stays still for a person's own move then: the command chosen there acts on
    // the game as it is.
    const bool panelOpen = Form1->GroupBox1 && Form1->GroupBox1->isVisible();
    if (AppState != "jeu" || QApplication::activePopupWidget() ||
        QApplication::activeModalWidget() || panelOpen) {
        pause_.start(RetryMs);
        return;
    }
    const int pit = chosen_;
    chosen_ = 0;
    thinking_ = false;
    // The move ends by starting the next turn, or by ending the game.
    PlayMove(pit);
}

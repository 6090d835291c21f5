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
#include <exception>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

namespace {
// A move that cannot be played yet (a menu, a question or the preferences panel is open) is tried
// again after this long.
constexpr int RetryMs = 100;

std::atomic<int> searchFailures{0};

// What the person is told when the computer could not choose its move.
QString FailureText(const QString& reason) {
    return QCoreApplication::translate("Messages",
                                       "L'ordinateur n'a pas pu choisir son coup (%1). Jouez ce "
                                       "coup à sa place ; il rejouera au tour suivant.")
        .arg(reason);
}

class TComputerFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
} // namespace

void TComputerTurn::InjectSearchFailures(int count) {
    searchFailures = count;
}

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
    Next();
}

void TComputerTurn::End() {
    Cancel();
    for (auto& player : players_)
        player.reset();
    levels_ = {};
}

void TComputerTurn::FollowOptions() {
    if (!CurrentGame || !Options)
        return;
    for (int n = 1; n <= 2; ++n) {
        const TPlayedBy& level = Options->PlayedBy(n);
        if (level != levels_[n]) {
            // The engine thinking for this side is no longer the one wanted.
            if (thinking_ && CurrentGame->Tour->Player == n)
                Cancel();
            players_[n].reset();
            if (level) {
                ai::TPlayerOptions options;
                options.TimeMs = ExpertBudgetMs();
                options.Seed = std::random_device()(); // a beginner does not play every game alike
                players_[n] = ai::MakePlayer(*level, options);
            }
            levels_[n] = level;
        }
        CurrentGame->Player(n).Computer = level.has_value();
    }
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
    FollowOptions();
    // A search still running is for this turn and for the engine the options still want.
    if (thinking_)
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
        // Nothing the search raises may leave the thread: the window thread hears of it. Keeping
        // the exception itself allocates nothing, which matters when memory has run out.
        std::exception_ptr failure;
        int pit = 0;
        try {
            if (searchFailures > 0) {
                --searchFailures;
                throw std::bad_alloc();
            }
            pit = player->ChooseMove(position, cancel_);
        } catch (...) {
            failure = std::current_exception();
        }
        if (cancel_)
            return;
        try {
            QMetaObject::invokeMethod(
                &receiver_,
                [this, turn, pit, failure] {
                    if (failure)
                        Guarded([&] { Failed(turn, failure); });
                    else
                        Deliver(turn, pit);
                },
                Qt::QueuedConnection);
        } catch (...) {
            // Not even the news could be sent: the turn waits until the game is left.
        }
    });
}

void TComputerTurn::Failed(unsigned turn, const std::exception_ptr& failure) {
    if (turn != turn_ || !CurrentGame)
        return;
    if (worker_.joinable())
        worker_.join(); // it has nothing left to do
    thinking_ = false;
    // The side to move waits for a person for this one move; the options are read again at the
    // next turn.
    CurrentGame->PlayerToMove().Computer = false;
    QString reason;
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        reason = QCoreApplication::translate("Messages", "mémoire insuffisante");
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    } catch (...) {
        reason = QCoreApplication::translate("Messages", "erreur inconnue");
    }
    throw TComputerFailure(FailureText(reason).toStdString());
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

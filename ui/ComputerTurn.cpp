#include "ui/ComputerTurn.h"

#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Search.h"
#include "game/Game.h"
#include "platform/Pause.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QApplication>
#include <QGroupBox>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
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

// What went wrong in a search, for the person.
QString FailureReason(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return QCoreApplication::translate("Messages", "mémoire insuffisante");
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QCoreApplication::translate("Messages", "erreur inconnue");
    }
}

class TComputerFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A whole number from the environment within [least, most]; none when unset or malformed.
std::optional<long long> EnvironmentNumber(const char* name, long long least, long long most) {
    const char* const text = std::getenv(name);
    if (!text)
        return std::nullopt;
    const char* const end = text + std::strlen(text);
    long long value = 0;
    const auto [rest, error] = std::from_chars(text, end, value);
    if (error != std::errc() || rest != end || value < least || value > most)
        return std::nullopt;
    return value;
}
} // namespace

void TComputerTurn::InjectSearchFailures(int count) {
    searchFailures = count;
}

int TComputerTurn::ExpertBudgetMs() {
    return static_cast<int>(
        EnvironmentNumber("EKOBARAMA_EXPERT_MS", 1, 600000).value_or(ExpertTimeMs));
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
    // A person may ask for hints: the endgame table that values them starts building now, on a
    // thread of its own, to be ready by the time he asks.
    if (Options && (!Options->PlayedBy(1) || !Options->PlayedBy(2)))
        ai::SharedEndgameTable();
    Next();
}

void TComputerTurn::End() {
    Cancel();
    for (auto& player : players_)
        player.reset();
    levels_ = {};
    hintSearcher_.reset();
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
                // A beginner does not play every game alike, unless a test fixes his choices.
                options.Seed = static_cast<std::uint32_t>(
                    EnvironmentNumber("EKOBARAMA_BEGINNER_SEED", 0, UINT32_MAX)
                        .value_or(std::random_device()()));
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
    hinting_ = false;
    hintFound_ = nullptr;
    chosen_ = 0;
    // The search returns within microseconds of the flag.
    if (worker_.joinable())
        worker_.join();
}

void TComputerTurn::Next() {
    if (!CurrentGame || AppState != TAppState::Jeu || CurrentGame->Over ||
        CurrentGame->Record.Over() || TerminationRequested())
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
    const rules::TPosition position = CurrentGame->Position();
    StartWorker(
        [player, position](const std::atomic<bool>& cancel) {
            return TFound{player->ChooseMove(position, cancel), std::nullopt};
        },
        &TComputerTurn::MoveLanded);
}

void TComputerTurn::Hint(std::function<void(const TFound&)> found) {
    if (!CurrentGame || thinking_)
        return;
    Cancel();
    if (!hintSearcher_) {
        // The Expert's search, endgame table included; the table starts building now if no
        // computer player has started it, and the hint values the position once it is ready.
        ai::TSearchSettings settings;
        settings.Table = &ai::SharedEndgameTable();
        hintSearcher_ = std::make_unique<ai::TSearcher>(settings);
    }
    cancel_ = false;
    hinting_ = true;
    hinted_ = CurrentGame->Position();
    hintFound_ = std::move(found);
    ai::TSearcher* const searcher = hintSearcher_.get();
    StartWorker(
        [searcher, position = hinted_](const std::atomic<bool>& cancel) {
            // The position as it stands, without the game that led to it: the hint is what the
            // position is worth, which is what the table says. Once the table is ready the search
            // reads the exact value of every move from it, and its best move is one of the
            // table's best.
            const ai::TEndgameTable& table = ai::SharedEndgameTable();
            const bool tableReady = table.Ready();
            ai::TSearchLimits limits;
            limits.TimeMs = HintMs;
            TFound found{searcher->Search(position, limits, cancel).Move, std::nullopt};
            if (int margin = 0; tableReady && table.Probe(position, margin))
                found.Margin = margin;
            return found;
        },
        &TComputerTurn::HintLanded);
}

void TComputerTurn::StartWorker(TSearch search, TLanding land) {
    const unsigned turn = turn_;
    worker_ = std::thread([this, search = std::move(search), land, turn] {
        // Nothing the search raises may leave the thread: the window thread hears of it. Keeping
        // the exception itself allocates nothing, which matters when memory has run out.
        std::exception_ptr failure;
        TFound found;
        try {
            if (searchFailures > 0) {
                --searchFailures;
                throw std::bad_alloc();
            }
            found = search(cancel_);
        } catch (...) {
            failure = std::current_exception();
        }
        if (cancel_)
            return;
        try {
            QMetaObject::invokeMethod(
                &receiver_,
                [this, land, turn, found, failure] { (this->*land)(turn, found, failure); },
                Qt::QueuedConnection);
        } catch (...) {
            // Not even the news could be sent: the turn waits until the game is left.
        }
    });
}

void TComputerTurn::MoveLanded(unsigned turn, const TFound& found,
                               const std::exception_ptr& failure) {
    if (failure)
        Guarded([&] { Failed(turn, failure); });
    else
        Deliver(turn, found.Pit);
}

void TComputerTurn::HintLanded(unsigned turn, const TFound& found,
                               const std::exception_ptr& failure) {
    if (turn != turn_ || !hinting_)
        return;
    if (worker_.joinable())
        worker_.join(); // it has nothing left to do
    hinting_ = false;
    const auto show = std::move(hintFound_);
    hintFound_ = nullptr;
    // Every change of the position cancels the hint; a hint for another position is never shown.
    if (!CurrentGame || !(CurrentGame->Position() == hinted_) || !show)
        return;
    Guarded([&] {
        if (failure)
            throw TComputerFailure(
                QCoreApplication::translate("Messages", "Pas de conseil cette fois (%1).")
                    .arg(FailureReason(failure))
                    .toStdString());
        show(found);
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
    throw TComputerFailure(FailureText(FailureReason(failure)).toStdString());
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
    if (AppState != TAppState::Jeu || QApplication::activePopupWidget() ||
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

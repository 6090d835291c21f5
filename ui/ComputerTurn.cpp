#include "ui/ComputerTurn.h"

#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Search.h"
#include "files/Files.h"
#include "game/Game.h"
#include "platform/Pause.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QApplication>
#include <QGroupBox>
#include <algorithm>
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
int threadStartFailures = 0;

// What the person is told when the computer could not choose its move.
QString FailureText(const QString& reason) {
    return QCoreApplication::translate("Messages",
                                       "L'ordinateur n'a pas pu choisir son coup (%1). Jouez ce "
                                       "coup à sa place ; il rejouera au tour suivant.")
        .arg(reason);
}

// What went wrong in a search, for the person.
QString FailureReason(const std::exception_ptr& failure) {
    const QString memory = QCoreApplication::translate("Messages", "mémoire insuffisante");
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return memory;
    } catch (const std::system_error& error) {
        // A thread that cannot start for want of memory (its stack) says "resource temporarily
        // unavailable": what the person needs to hear is that memory is short.
        if (error.code() == std::errc::resource_unavailable_try_again ||
            error.code() == std::errc::not_enough_memory)
            return memory;
        return QString::fromUtf8(error.what());
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
    return files::ParseInteger(text, least, most);
}
} // namespace

void TComputerTurn::InjectSearchFailures(int count) {
    searchFailures = count;
}

void TComputerTurn::InjectThreadStartFailures(int count) {
    threadStartFailures = count;
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
    // When it cannot start (memory has run out), the hint and the levels go without it; it is
    // tried again when they ask for it.
    try {
        if (Options && CurrentGame && (!Options->PlayedBy(1) || !Options->PlayedBy(2)))
            ai::SharedEndgameTable(CurrentGame->Position().Rules);
    } catch (...) {
    }
    Next();
}

void TComputerTurn::End() {
    Cancel();
    for (auto& player : players_)
        player.reset();
    levels_ = {};
    sidesFollowed_ = false;
    hintSearcher_.reset();
}

void TComputerTurn::FollowOptions() {
    if (!CurrentGame || !Options)
        return;
    bool handedOver = false;
    for (int n = 1; n <= 2; ++n) {
        const TPlayedBy& level = Options->PlayedBy(n);
        if (level != levels_[n]) {
            handedOver = sidesFollowed_;
            // The engine thinking for this side is no longer the one wanted.
            if (thinking_ && CurrentGame->Tour->Player == n)
                Cancel();
            players_[n].reset();
            if (level) {
                ai::TPlayerOptions options;
                options.TimeMs = ExpertBudgetMs();
                options.Rules = CurrentGame->Position().Rules;
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
    // A side handed over in the middle of a game is kept at once, not at the next move.
    if (handedOver)
        KeepUnfinishedGame();
    sidesFollowed_ = true;
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
    try {
        FollowOptions();
    } catch (...) {
        // An engine that cannot be made (memory has run out) fails the side's move as a search
        // that fails does.
        if (!Options->PlayedBy(CurrentGame->Tour->Player))
            throw;
        Cancel();
        thinking_ = true;
        Land(&TComputerTurn::MoveLanded, turn_, std::current_exception());
        return;
    }
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
            TFound found;
            found.Pit = player->ChooseMove(position, cancel);
            return found;
        },
        &TComputerTurn::MoveLanded);
}

void TComputerTurn::Hint(std::function<void(const TFound&)> found) {
    if (!CurrentGame || thinking_)
        return;
    Cancel();
    cancel_ = false;
    hinting_ = true;
    hinted_ = CurrentGame->Position();
    hintFound_ = std::move(found);
    try {
        if (!hintSearcher_) {
            // The Expert's search, endgame table included; the table starts building now if no
            // computer player has started it, and the hint values the position once it is ready.
            ai::TSearchSettings settings;
            settings.Table = &ai::SharedEndgameTable(hinted_.Rules);
            settings.Threads = ai::GameThreads();
            hintSearcher_ = std::make_unique<ai::TSearcher>(settings);
        }
    } catch (...) {
        Land(&TComputerTurn::HintLanded, turn_, std::current_exception());
        return;
    }
    ai::TSearcher* const searcher = hintSearcher_.get();
    StartWorker(
        [searcher, position = hinted_](const std::atomic<bool>& cancel) {
            // The position as it stands, without the game that led to it: the hint is what the
            // position is worth, which is what the table says.
            ai::TSearchLimits limits;
            limits.TimeMs = HintMs;
            return TableHint(ai::SharedEndgameTable(position.Rules), position,
                             searcher->Search(position, limits, cancel).Move);
        },
        &TComputerTurn::HintLanded);
}

TComputerTurn::TFound TComputerTurn::TableHint(const ai::TEndgameTable& table,
                                               const rules::TPosition& position, int searched) {
    // The large table may become ready during the search, after the search read the small one:
    // the value and the move are both read from the table now, so that the move is worth the
    // value given. Every table that holds a position gives its exact value.
    TFound unvalued;
    unvalued.Pit = searched;
    int value = 0;
    if (!table.Probe(position, value))
        return unvalued;
    int best = 0;
    for (const int pit : rules::LegalMoves(position)) {
        rules::TPosition child = position;
        const int taken = rules::Play(child, pit).Captured;
        int after = 0;
        if (!table.Probe(child, after))
            return unvalued;
        // The search's move when it is one of the best (it prefers the shortest win).
        if (taken - after == value && (best == 0 || pit == searched))
            best = pit;
    }
    if (best == 0)
        return unvalued;
    TFound found;
    found.Pit = best;
    found.Margin = value;
    return found;
}

void TComputerTurn::StartWorker(TSearch search, TLanding land) {
    const unsigned turn = turn_;
    try {
        if (threadStartFailures > 0) {
            --threadStartFailures;
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                    "thread");
        }
        worker_ = std::thread([this, search = std::move(search), land, turn] {
            // Nothing the search raises may leave the thread: the window thread hears of it.
            // Keeping the exception itself allocates nothing, which matters when memory has run
            // out.
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
    } catch (...) {
        // No thread (memory or threads ran out): the failure lands as a search's would.
        Land(land, turn, std::current_exception());
    }
}

void TComputerTurn::Land(TLanding land, unsigned turn, const std::exception_ptr& failure) {
    // After the handler that asked for the search, as a worker's result lands, or now when even
    // that cannot be arranged.
    try {
        QMetaObject::invokeMethod(
            &receiver_, [this, land, turn, failure] { (this->*land)(turn, TFound{}, failure); },
            Qt::QueuedConnection);
    } catch (...) {
        (this->*land)(turn, TFound{}, failure);
    }
}

bool TComputerTurn::Landed(unsigned turn) {
    if (turn != turn_)
        return false;
    if (worker_.joinable())
        worker_.join(); // it has nothing left to do
    return true;
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
    if (!hinting_ || !Landed(turn))
        return;
    hinting_ = false;
    const auto show = std::move(hintFound_);
    hintFound_ = nullptr;
    // Every change of the position cancels the hint; a hint for another position is never shown.
    if (!CurrentGame || !(CurrentGame->Position() == hinted_) || !show)
        return;
    Guarded([&] {
        if (!failure) {
            show(found);
            return;
        }
        TFound none;
        none.Failure = FailureReason(failure);
        show(none);
    });
}

void TComputerTurn::Failed(unsigned turn, const std::exception_ptr& failure) {
    if (!CurrentGame || !Landed(turn))
        return;
    thinking_ = false;
    // The side to move waits for a person for this one move; the options are read again at the
    // next turn.
    CurrentGame->PlayerToMove().Computer = false;
    throw TComputerFailure(FailureText(FailureReason(failure)).toStdString());
}

int TComputerTurn::LeastTimeMs() {
    // Without animation the person's move is over at once: the computer's answer still waits
    // long enough for the person's own move to be seen on the board.
    switch (Options ? Options->AnimationSpeed : TAnimationSpeed::Normal) {
    case TAnimationSpeed::Fast:
        return PauseMs * 3 / 5;
    case TAnimationSpeed::None:
        return PauseMs / 5;
    default:
        return PauseMs;
    }
}

void TComputerTurn::Deliver(unsigned turn, int pit) {
    if (!Landed(turn))
        return;
    chosen_ = pit;
    int wait = 0;
    if (platform::PausesEnabled()) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started_);
        wait = std::max(0, LeastTimeMs() - static_cast<int>(spent.count()));
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

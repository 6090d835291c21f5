#pragma once
// The computer's turns. When the side to move is played by the computer, its engine looks for
// a move on a worker thread while the window stays responsive; the pit it chooses is played on
// the user-interface thread exactly as a person's double-click plays it, after a short pause
// that lets a person see the turn pass. Leaving the game cancels the thinking at once, and a
// move found for a game that is gone is never played.
//
// Who plays each side is read from the options at every turn and when the preferences panel is
// accepted: a side handed to the computer in the middle of a game is played by it from then on,
// a side taken back from it is a person's at once (its thinking stops).
//
// A search that fails (out of memory, or any other error), or whose thread or engine cannot even
// be made, does not end the program: the failure is shown once, on the user-interface thread,
// and the person plays that one move in the computer's place; the computer tries again at the
// side's next turn.
//
// A person may ask for a hint on his turn: the same worker searches his best move with the
// engine, and what it finds comes back to the user-interface thread as the computer's move does;
// anything that cancels a computer's move (a move, a take-back, a new game, leaving) cancels it.
// A hint that fails is told in the hint's own line, which needs no window of its own.
#include "rules/Rules.h"
#include "ui/Options.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace ai {
class TComputerPlayer;
class TEndgameTable;
class TSearcher;
} // namespace ai

class TComputerTurn {
public:
    // The least time from the start of a turn to its move when pauses are on, at the normal
    // animation speed; quicker animations wait less (LeastTimeMs).
    static constexpr int PauseMs = 500;
    static int LeastTimeMs();
    // Expert's thinking time for a move (Fort takes a quarter of it).
    static constexpr int ExpertTimeMs = 1000;
    // ExpertTimeMs, unless the environment variable EKOBARAMA_EXPERT_MS holds a whole number of
    // milliseconds from 1 to 600000 (tests that must act while a search is still running);
    // anything else in it is ignored.
    static int ExpertBudgetMs();

    TComputerTurn();
    ~TComputerTurn(); // cancels
    TComputerTurn(const TComputerTurn&) = delete;
    TComputerTurn& operator=(const TComputerTurn&) = delete;

    // A new game is on the board: one engine for each side the options give to the computer,
    // kept as long as the side stays the computer's at that level; the first turn starts if it
    // is the computer's.
    void Begin();
    // After a move, and when the preferences panel is accepted: who plays each side is read
    // again from the options, and the turn starts if the side to move is the computer's.
    void Next();
    // The game is over or left: the thinking stops at once and the engines go.
    void End();
    // Stops the thinking at once; a move found and not yet played is dropped.
    void Cancel();
    // A search is running or its move waits to be played.
    bool Thinking() const { return thinking_; }

    // What a search found: the move, and the position's exact margin for the player to move (the
    // seeds he will still gain minus those his opponent will, under best play on both sides) when
    // the endgame table holds the position; the move is then one of the table's best. A hint
    // that could not be searched has no move and says why in Failure.
    struct TFound {
        int Pit = 0;
        std::optional<int> Margin;
        QString Failure;
    };
    // The hint for position from the table when it holds the position and its children: a move
    // worth the table's value (searched when it is one) and that value; otherwise searched alone.
    static TFound TableHint(const ai::TEndgameTable& table, const rules::TPosition& position,
                            int searched);
    // The longest a hint thinks.
    static constexpr int HintMs = 1000;
    // Searches the best move of the position on the board for the side to move, for at most
    // HintMs, on the worker thread; found is called with it on the user-interface thread unless
    // Cancel comes first. Nothing is done while the computer's turn is under way.
    void Hint(std::function<void(const TFound&)> found);
    // A hint is being searched.
    bool Hinting() const { return hinting_; }

    // Test hook: the next count searches fail as if memory ran out.
    static void InjectSearchFailures(int count);
    // Test hook: the next count worker threads cannot start, as when memory runs out.
    static void InjectThreadStartFailures(int count);

private:
    // Makes or drops each side's engine as the options now say, and tells the game whose pits
    // a person may pick. A side whose thinking is no longer wanted stops thinking. A side handed
    // over during the game is written to the kept game at once.
    void FollowOptions();
    using TSearch = std::function<TFound(const std::atomic<bool>& cancel)>;
    using TLanding = void (TComputerTurn::*)(unsigned turn, const TFound& found,
                                             const std::exception_ptr& failure);
    // Runs search on the worker thread; what it finds, or what it raises, lands on the
    // user-interface thread with the turn it was started for, unless it was cancelled. A thread
    // that cannot be started lands as a failed search.
    void StartWorker(TSearch search, TLanding land);
    // A search of turn that failed before it started lands with failure.
    void Land(TLanding land, unsigned turn, const std::exception_ptr& failure);
    // A result of turn has landed: false when the turn is gone (the result is dropped), else the
    // worker, done, is joined.
    bool Landed(unsigned turn);
    void MoveLanded(unsigned turn, const TFound& found, const std::exception_ptr& failure);
    void HintLanded(unsigned turn, const TFound& found, const std::exception_ptr& failure);
    void Deliver(unsigned turn, int pit);
    void Failed(unsigned turn, const std::exception_ptr& failure);
    void PlayChosenMove();

    std::array<std::unique_ptr<ai::TComputerPlayer>, 3> players_; // 1 and 2; none for a person
    std::array<TPlayedBy, 3> levels_;                             // of players_
    bool sidesFollowed_ = false; // levels_ are the game's since its first turn
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    unsigned turn_ = 0; // the turn whose move may still be played; user-interface thread only
    bool thinking_ = false;
    int chosen_ = 0;
    // The hint's engine, made at the game's first hint, and the hint under way.
    std::unique_ptr<ai::TSearcher> hintSearcher_;
    bool hinting_ = false;
    rules::TPosition hinted_;
    std::function<void(const TFound&)> hintFound_;
    std::chrono::steady_clock::time_point started_;
    QObject receiver_; // the worker's result is queued to it, on the user-interface thread
    QTimer pause_;
};

// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-engine: the computer opponent behind a text protocol on standard input and output
// (docs/engine-protocol.md), for the arena and for other programs. The search runs on a thread
// of its own, so that "stop", "isready" and "quit" are read and answered while it thinks.

#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Search.h"
#include "tools/engine/Protocol.h"

#include <atomic>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

class TEngine {
public:
    TEngine() : searcher_(std::make_unique<ai::TSearcher>(Settings())) {}
    ~TEngine() { StopThinking(); }

    // Carries out one line; false once the engine is to quit.
    bool Handle(const std::string& line) {
        protocol::TCommand command;
        std::string error;
        if (!protocol::Read(line, command, error)) {
            Say("error " + error);
            return true;
        }
        if (Finished())
            worker_.join();
        switch (command.Verb) {
        case protocol::TVerb::Nothing:
            break;
        case protocol::TVerb::Identify:
            Say("id name Ekobarama " EKOBA_VERSION);
            Say("id author The Ekobarama developers");
            Say("identified");
            break;
        case protocol::TVerb::IsReady:
            Say("readyok");
            break;
        case protocol::TVerb::Show:
            Say("position " + protocol::Describe(position_.Position));
            break;
        case protocol::TVerb::Table:
            Say(TableLine(position_.Position));
            break;
        case protocol::TVerb::Stop:
            StopThinking();
            break;
        case protocol::TVerb::Quit:
            StopThinking();
            return false;
        case protocol::TVerb::NewGame:
        case protocol::TVerb::Position:
        case protocol::TVerb::Go:
            if (worker_.joinable()) {
                Say("error still thinking: stop first");
                break;
            }
            if (command.Verb == protocol::TVerb::NewGame)
                searcher_ = std::make_unique<ai::TSearcher>(Settings());
            else if (command.Verb == protocol::TVerb::Position)
                position_ = command;
            else
                StartThinking(command.Depth, command.TimeMs);
            break;
        }
        return true;
    }

private:
    static ai::TSearchSettings Settings() {
        ai::TSearchSettings settings;
        settings.Table = &ai::SharedEndgameTable();
        return settings;
    }

    // What the endgame table says of the position and of each of its moves, for the player to
    // move, in eighths of a seed: the value of a move is the seeds it harvests plus what the
    // position it leaves is worth to him. The table is only read: this may run while a search
    // uses it.
    static std::string TableLine(const rules::TPosition& position) {
        const ai::TEndgameTable& table = ai::SharedEndgameTable();
        if (position.SeedsOnBoard() > table.MaxSeeds())
            return "table none";
        int margin = 0;
        if (!table.Probe(position, margin))
            return "table building";
        std::string line = "table value " + std::to_string(ai::kSeed * margin);
        if (rules::IsOver(position))
            return line;
        for (const int pit : rules::LegalMoves(position)) {
            rules::TPosition child = position;
            const int taken = rules::Play(child, pit).Captured;
            int after = 0;
            if (!table.Probe(child, after))
                return "table building";
            line +=
                " pit " + std::to_string(pit) + " " + std::to_string(ai::kSeed * (taken - after));
        }
        return line;
    }

    void Say(const std::string& line) {
        const std::lock_guard<std::mutex> lock(output_);
        std::fputs((line + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

    bool Finished() const { return worker_.joinable() && done_.load(); }

    void StopThinking() {
        cancel_ = true;
        if (worker_.joinable())
            worker_.join();
    }

    // Searches the position on the worker thread and says its best move. The search knows the
    // game given by the moves, as the game's computer players do (ai::SearchInGame): the
    // positions before that can come back, and the moves played from this one.
    void StartThinking(int depth, int timeMs) {
        const rules::TPosition root = position_.Position;
        if (rules::IsOver(root)) {
            Say("bestmove none");
            return;
        }
        ai::TSearchLimits limits;
        limits.MaxDepth = depth > 0 ? depth : protocol::kMaxDepth;
        limits.TimeMs = timeMs;
        ai::TGameKnowledge game;
        game.Table = &ai::SharedEndgameTable();
        game.Exact = ai::TExactPlay::Always;
        ai::TMovesPlayed& played = game.Played;
        const std::uint64_t key = ai::Key(root);
        for (std::size_t i = 0; i < position_.Before.size(); ++i) {
            const rules::TPosition& before = position_.Before[i];
            if (before.SeedsOnBoard() != root.SeedsOnBoard())
                continue;
            limits.Game.push_back(ai::Key(before));
            if (limits.Game.back() == key && played[position_.Played[i]] < UINT16_MAX)
                ++played[position_.Played[i]];
        }
        cancel_ = false;
        done_ = false;
        worker_ = std::thread([this, root, limits, game] {
            const auto start = std::chrono::steady_clock::now();
            const ai::TSearchResult result =
                ai::SearchInGame(*searcher_, root, limits, game, cancel_);
            const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count();
            std::string line = "bestmove " + std::to_string(result.Move) + " depth " +
                               std::to_string(result.Depth) + " value " +
                               std::to_string(result.Value) + " nodes " +
                               std::to_string(result.Nodes) + " time " + std::to_string(ms) + " pv";
            for (const int pit : result.Line)
                line += " " + std::to_string(pit);
            // Done before the line goes out: the command that follows it finds the worker over.
            done_ = true;
            Say(line);
        });
    }

    std::unique_ptr<ai::TSearcher> searcher_;
    protocol::TCommand position_{
        protocol::TVerb::Position, rules::TPosition::Start(), {}, {}, 0, 0};
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::mutex output_;
};

} // namespace

int main() {
    std::ios::sync_with_stdio(false);
    TEngine engine;
    std::string line;
    while (std::getline(std::cin, line))
        if (!engine.Handle(line))
            return 0;
    return 0; // the end of the input quits, once a search under way is stopped
}

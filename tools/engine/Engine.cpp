// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-engine: the computer opponent behind a text protocol on standard input and output
// (docs/engine-protocol.md), for the arena and for other programs. The search runs on a thread
// of its own, so that "stop", "isready" and "quit" are read and answered while it thinks.

#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Review.h"
#include "ai/Search.h"
#include "tools/engine/Protocol.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
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

    // Carries out one line; false once the engine is to quit. A command that fails (out of
    // memory) is answered with an error line, and the engine goes on.
    bool Handle(const std::string& line) {
        try {
            return Carry(line);
        } catch (const std::exception& failure) {
            Say(std::string("error the command failed: ") + failure.what());
        } catch (...) {
            Say("error the command failed");
        }
        return true;
    }

private:
    bool Carry(const std::string& line) {
        protocol::TCommand command;
        std::string error;
        if (!protocol::Read(line, command, error, rules_)) {
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
        case protocol::TVerb::Threads:
        case protocol::TVerb::Rules:
        case protocol::TVerb::Go:
        case protocol::TVerb::Analyse:
            if (worker_.joinable()) {
                Say("error still thinking: stop first");
                break;
            }
            if (command.Verb == protocol::TVerb::NewGame) {
                searcher_ = std::make_unique<ai::TSearcher>(Settings());
            } else if (command.Verb == protocol::TVerb::Position) {
                position_ = command;
            } else if (command.Verb == protocol::TVerb::Rules) {
                // A game by other rules: from their opening position, with a table of theirs.
                rules_ = command.Rules;
                position_ = Opening(rules_);
                searcher_ = std::make_unique<ai::TSearcher>(Settings());
            } else if (command.Verb == protocol::TVerb::Threads) {
                threads_ = command.Threads;
                searcher_->SetThreads(threads_);
            } else if (command.Verb == protocol::TVerb::Analyse) {
                StartAnalysing(command.Depth);
            } else {
                StartThinking(command.Depth, command.TimeMs);
            }
            break;
        }
        return true;
    }

    ai::TSearchSettings Settings() const {
        ai::TSearchSettings settings;
        settings.Table = &ai::SharedEndgameTable(rules_);
        settings.Threads = threads_;
        return settings;
    }

    static protocol::TCommand Opening(rules::TRuleSet ruleSet) {
        protocol::TCommand command;
        command.Verb = protocol::TVerb::Position;
        command.Position = rules::TPosition::Start(ruleSet);
        return command;
    }

    // What the endgame table says of the position and of each of its moves, for the player to
    // move, in eighths of a seed: the value of a move is the seeds it harvests plus what the
    // position it leaves is worth to him. The table is only read: this may run while a search
    // uses it. "building" while a table still to come will hold the position (the small table
    // first, then the large one, mapped or built); "none" only once no table will.
    static std::string TableLine(const rules::TPosition& position) {
        const ai::TEndgameTable& table = ai::SharedEndgameTable(position.Rules);
        // Read before the probe: once the builds are over, the probe's answer is final.
        const bool building = table.Building();
        int margin = 0;
        if (!table.Probe(position, margin))
            return building && position.SeedsOnBoard() <=
                                   std::max(table.MaxSeeds(), table.StoredSeeds())
                       ? "table building"
                       : "table none";
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
        game.Table = &ai::SharedEndgameTable(root.Rules);
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
            // Nothing leaves the thread: a search that fails (out of memory) answers an error
            // line instead of its move, and the engine waits for the next command.
            try {
                Think(root, limits, game);
            } catch (const std::exception& failure) {
                done_ = true;
                Say(std::string("error the search failed: ") + failure.what());
            } catch (...) {
                done_ = true;
                Say("error the search failed");
            }
        });
    }

    // Reviews the moves that led to the position set on the worker thread, as the game's window
    // does (ai::ReviewGame): once done or stopped, one line a move reviewed, then "analysed" and
    // their count.
    void StartAnalysing(int depth) {
        const std::vector<int> moves = position_.Played;
        const rules::TPosition start =
            position_.Before.empty() ? position_.Position : position_.Before.front();
        ai::TReviewSettings settings;
        settings.Table = &ai::SharedEndgameTable(start.Rules);
        if (depth > 0)
            settings.Depth = depth;
        cancel_ = false;
        done_ = false;
        worker_ = std::thread([this, start, moves, settings] {
            try {
                const auto review = ai::ReviewGame(start, moves, settings, cancel_);
                std::string lines;
                for (std::size_t i = 0; i < review.size(); ++i) {
                    const ai::TMoveReview& move = review[i];
                    lines += "move " + std::to_string(i + 1) + " pit " + std::to_string(move.Move) +
                             " value " + std::to_string(move.Value) + " best " +
                             std::to_string(move.BestMove) + " bestvalue " +
                             std::to_string(move.BestValue) + " loss " +
                             std::to_string(move.Loss()) +
                             (move.Source == ai::TValueSource::Table ? " exact\n" : " searched\n");
                }
                done_ = true;
                Say(lines + "analysed " + std::to_string(review.size()));
            } catch (const std::exception& failure) {
                done_ = true;
                Say(std::string("error the analysis failed: ") + failure.what());
            } catch (...) {
                done_ = true;
                Say("error the analysis failed");
            }
        });
    }

    void Think(const rules::TPosition& root, const ai::TSearchLimits& limits,
               const ai::TGameKnowledge& game) {
        const auto start = std::chrono::steady_clock::now();
        const ai::TSearchResult result = ai::SearchInGame(*searcher_, root, limits, game, cancel_);
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        std::string line = "bestmove " + std::to_string(result.Move) + " depth " +
                           std::to_string(result.Depth) + " value " + std::to_string(result.Value) +
                           " nodes " + std::to_string(result.Nodes) + " time " +
                           std::to_string(ms) + " pv";
        for (const int pit : result.Line)
            line += " " + std::to_string(pit);
        // Done before the line goes out: the command that follows it finds the worker over.
        done_ = true;
        Say(line);
    }

    // One thread until told otherwise, so that two engines on one machine do not share its cores.
    int threads_ = 1;
    rules::TRuleSet rules_ = rules::TRuleSet::Standard; // of the positions given
    std::unique_ptr<ai::TSearcher> searcher_;
    protocol::TCommand position_ = Opening(rules::TRuleSet::Standard);
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    std::mutex output_;
};

// Reads one line into line, without its end, keeping one character more than the protocol's
// longest line at most: a longer one is cut there, its rest read and dropped by SkipLine once it
// is answered. Returns the characters read, 0 at the end of the input.
std::size_t ReadLine(std::streambuf& input, std::string& line, bool& cut) {
    line.clear();
    cut = false;
    std::size_t read = 0;
    for (int c = input.sbumpc(); c != std::char_traits<char>::eof(); c = input.sbumpc()) {
        ++read;
        if (c == '\n')
            return read;
        line.push_back(static_cast<char>(c));
        if (line.size() > protocol::kMaxLine) {
            cut = true;
            return read;
        }
    }
    return read;
}

void SkipLine(std::streambuf& input) {
    for (int c = input.sbumpc(); c != std::char_traits<char>::eof() && c != '\n';
         c = input.sbumpc()) {
    }
}

} // namespace

int main() {
    std::ios::sync_with_stdio(false);
    TEngine engine;
    std::streambuf& input = *std::cin.rdbuf();
    std::string line;
    bool cut = false;
    while (ReadLine(input, line, cut) > 0) {
        // A line too long is answered at once (with an error) and the rest of it dropped.
        if (!engine.Handle(line))
            return 0;
        if (cut)
            SkipLine(input);
    }
    return 0; // the end of the input quits, once a search under way is stopped
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of the engine protocol (docs/engine-protocol.md), one a line, read into a
// TCommand or refused with a message. Reading checks everything a command says: a position's
// seeds add up to the game's 48, every move given is legal where it is played.

#include "rules/Rules.h"

#include <string>
#include <string_view>
#include <vector>

namespace protocol {

enum class TVerb {
    Nothing, // an empty line or a comment
    Identify,
    IsReady,
    NewGame,
    Position,
    Go,
    Analyse,
    Stop,
    Show,
    Table,
    Threads,
    Rules,
    Quit,
};

struct TCommand {
    TVerb Verb = TVerb::Nothing;
    // Position: where the game stands, and the positions met before it in the moves given,
    // oldest first, each with the pit played from it.
    rules::TPosition Position;
    std::vector<rules::TPosition> Before;
    std::vector<int> Played;
    // Go: 0 for no limit of that kind. Analyse: the depth of its search, 0 for the review's.
    int Depth = 0;
    int TimeMs = 0;
    // Threads: how many the searches to come use.
    int Threads = 0;
    // Rules: the rules of the positions to come.
    rules::TRuleSet Rules = rules::TRuleSet::Standard;
};

constexpr int kMaxDepth = 64;
constexpr int kMaxTimeMs = 24 * 3600 * 1000;
constexpr std::size_t kMaxLine = 65536;

// Reads one line (without its end of line); a position and its moves are by the rules given.
// False, with a message in error, when the line is not a command the engine can carry out.
bool Read(std::string_view line, TCommand& command, std::string& error,
          rules::TRuleSet ruleSet = rules::TRuleSet::Standard);

// "pits 4 4 4 4 4 4 4 4 4 4 4 4 tomove 1 score 0 0": the form a position command reads.
std::string Describe(const rules::TPosition& position);

} // namespace protocol

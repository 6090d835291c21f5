// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/engine/Protocol.h"

#include "ai/Search.h"
#include "files/Files.h"

namespace protocol {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const std::size_t begin = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > begin)
            words.push_back(line.substr(begin, i - begin));
    }
    return words;
}

// A whole number from low to high, the word and nothing else.
bool Number(std::string_view word, int low, int high, int& value) {
    const std::optional<long long> number = files::ParseInteger(word, low, high);
    if (number)
        value = static_cast<int>(*number);
    return number.has_value();
}

std::string Quoted(std::string_view word) {
    std::string shown;
    for (const char c : word.substr(0, 40))
        shown += c >= 0x20 && c < 0x7f ? c : '?';
    return "'" + shown + (word.size() > 40 ? "...'" : "'");
}

bool ReadPosition(const std::vector<std::string_view>& words, rules::TRuleSet ruleSet,
                  TCommand& command, std::string& error) {
    std::size_t i = 1;
    rules::TPosition position;
    position.Rules = ruleSet;
    if (i < words.size() && words[i] == "start") {
        position = rules::TPosition::Start(ruleSet);
        ++i;
    } else if (i < words.size() && words[i] == "pits") {
        ++i;
        int total = 0;
        for (int pit = 1; pit <= rules::kPits; ++pit, ++i) {
            int seeds = 0;
            if (i >= words.size() || !Number(words[i], 0, rules::kTotalSeeds, seeds)) {
                error = "position pits: 12 counts of seeds from 0 to 48 expected";
                return false;
            }
            position.Seeds[pit] = static_cast<std::uint8_t>(seeds);
            total += seeds;
        }
        int toMove = 0, first = 0, second = 0;
        if (i + 1 >= words.size() || words[i] != "tomove" || !Number(words[i + 1], 1, 2, toMove)) {
            error = "position pits: 'tomove 1' or 'tomove 2' expected after the 12 pits";
            return false;
        }
        i += 2;
        if (i + 2 >= words.size() || words[i] != "score" ||
            !Number(words[i + 1], 0, rules::kTotalSeeds, first) ||
            !Number(words[i + 2], 0, rules::kTotalSeeds, second)) {
            error = "position pits: 'score A B' expected after tomove";
            return false;
        }
        i += 3;
        if (total + first + second != rules::kTotalSeeds) {
            error = "position pits: the pits and the scores hold " +
                    std::to_string(total + first + second) + " seeds, not 48";
            return false;
        }
        position.ToMove = static_cast<std::uint8_t>(toMove);
        position.Score[1] = static_cast<std::uint8_t>(first);
        position.Score[2] = static_cast<std::uint8_t>(second);
    } else {
        error = "position: 'start' or 'pits' expected";
        return false;
    }
    command.Before.clear();
    command.Played.clear();
    if (i < words.size()) {
        if (words[i] != "moves") {
            error = "position: 'moves' or the end of the line expected, not " + Quoted(words[i]);
            return false;
        }
        for (++i; i < words.size(); ++i) {
            int pit = 0;
            if (!Number(words[i], 1, rules::kPits, pit)) {
                error = "position: move " + Quoted(words[i]) + " is not a pit from 1 to 12";
                return false;
            }
            if (rules::IsOver(position) || !position.IsLegal(pit)) {
                const rules::TPosition::TRefusal refusal = position.Refusal(pit);
                error = "position: move " + std::to_string(command.Played.size() + 1) + " (pit " +
                        std::to_string(pit) + ") is not legal there";
                if (refusal == rules::TPosition::TRefusal::Kills)
                    error += " (it would take all of the opponent's seeds)";
                else if (refusal == rules::TPosition::TRefusal::DoesNotFeed)
                    error += " (the opponent has no seed and it gives him none)";
                return false;
            }
            command.Before.push_back(position);
            command.Played.push_back(pit);
            rules::Play(position, pit);
        }
    }
    command.Position = position;
    return true;
}

bool ReadGo(const std::vector<std::string_view>& words, TCommand& command, std::string& error) {
    command.Depth = 0;
    command.TimeMs = 0;
    for (std::size_t i = 1; i < words.size(); i += 2) {
        const bool depth = words[i] == "depth", time = words[i] == "ms";
        if (!depth && !time) {
            error = "go: 'depth N' or 'ms T' expected, not " + Quoted(words[i]);
            return false;
        }
        if (i + 1 >= words.size() || !Number(words[i + 1], 1, depth ? kMaxDepth : kMaxTimeMs,
                                             depth ? command.Depth : command.TimeMs)) {
            error = depth ? "go depth: a depth from 1 to 64 expected"
                          : "go ms: a time from 1 to 86400000 milliseconds expected";
            return false;
        }
    }
    return true;
}

bool ReadAnalyse(const std::vector<std::string_view>& words, TCommand& command,
                 std::string& error) {
    command.Depth = 0;
    if (words.size() == 1)
        return true;
    if (words.size() != 3 || words[1] != "depth" ||
        !Number(words[2], 1, kMaxDepth, command.Depth)) {
        error = "analyse: nothing or 'depth N' (1 to 64) expected";
        return false;
    }
    return true;
}

} // namespace

bool Read(std::string_view line, TCommand& command, std::string& error, rules::TRuleSet ruleSet) {
    command = TCommand{};
    if (line.size() > kMaxLine) {
        error = "line longer than 65536 characters";
        return false;
    }
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0][0] == '#')
        return true;
    const std::string_view verb = words[0];
    const auto alone = [&](TVerb value) {
        if (words.size() > 1) {
            error = std::string(verb) + ": nothing expected after it";
            return false;
        }
        command.Verb = value;
        return true;
    };
    if (verb == "identify")
        return alone(TVerb::Identify);
    if (verb == "isready")
        return alone(TVerb::IsReady);
    if (verb == "newgame")
        return alone(TVerb::NewGame);
    if (verb == "stop")
        return alone(TVerb::Stop);
    if (verb == "show")
        return alone(TVerb::Show);
    if (verb == "table")
        return alone(TVerb::Table);
    if (verb == "quit")
        return alone(TVerb::Quit);
    if (verb == "position") {
        command.Verb = TVerb::Position;
        return ReadPosition(words, ruleSet, command, error);
    }
    if (verb == "rules") {
        command.Verb = TVerb::Rules;
        if (words.size() != 2 || (words[1] != "standard" && words[1] != "full")) {
            error = "rules: 'standard' or 'full' expected";
            return false;
        }
        command.Rules = words[1] == "full" ? rules::TRuleSet::Full : rules::TRuleSet::Standard;
        return true;
    }
    if (verb == "threads") {
        command.Verb = TVerb::Threads;
        if (words.size() != 2 || !Number(words[1], 1, ai::kMaxThreads, command.Threads)) {
            error = "threads: a number of threads from 1 to " + std::to_string(ai::kMaxThreads) +
                    " expected";
            return false;
        }
        return true;
    }
    if (verb == "go") {
        command.Verb = TVerb::Go;
        return ReadGo(words, command, error);
    }
    if (verb == "analyse") {
        command.Verb = TVerb::Analyse;
        return ReadAnalyse(words, command, error);
    }
    error = "unknown command " + Quoted(verb);
    return false;
}

std::string Describe(const rules::TPosition& position) {
    std::string text = "pits";
    for (int pit = 1; pit <= rules::kPits; ++pit)
        text += " " + std::to_string(position.Seeds[pit]);
    return text + " tomove " + std::to_string(position.ToMove) + " score " +
           std::to_string(position.Score[1]) + " " + std::to_string(position.Score[2]);
}

} // namespace protocol

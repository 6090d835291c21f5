// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Review.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

namespace ai {
namespace {

// The exact review of a move from a position the table holds; false when it does not hold the
// position or one the move leads to.
bool ReviewExactly(const TEndgameTable& table, const rules::TPosition& position, int move,
                   TMoveReview& review) {
    int margin = 0;
    if (!table.Probe(position, margin))
        return false;
    std::array<int, rules::kPits + 1> values{};
    for (const int pit : rules::LegalMoves(position)) {
        rules::TPosition child = position;
        const int taken = rules::Play(child, pit).Captured;
        int after = 0;
        if (!table.Probe(child, after))
            return false;
        values[pit] = kSeed * (taken - after);
    }
    review.Source = TValueSource::Table;
    review.Value = values[move];
    review.BestValue = kSeed * margin;
    review.BestMove = move;
    if (review.Value != review.BestValue)
        for (const int pit : rules::LegalMoves(position))
            if (values[pit] == review.BestValue) {
                review.BestMove = pit;
                break;
            }
    return true;
}

// The review of a move from the search at the fixed effort: the position searched over all its
// moves, then over the move played alone when it is not the best found. False once cancelled.
bool ReviewBySearch(const TSearchSettings& settings, int depth, const rules::TPosition& position,
                    int move, const std::vector<std::uint64_t>& game,
                    const std::atomic<bool>& cancel, TMoveReview& review) {
    TSearcher searcher(settings);
    TSearchLimits limits;
    limits.MaxDepth = std::clamp(depth, 1, 64);
    limits.Game = game;
    limits.SearchForced = true;
    const TSearchResult best = searcher.Search(position, limits, cancel);
    if (cancel.load())
        return false;
    review.Source = TValueSource::Search;
    review.BestMove = best.Move;
    review.BestValue = best.Value;
    review.Value = best.Value;
    if (best.Move == move)
        return true;
    limits.RootMoves = 1u << move;
    const TSearchResult played = searcher.Search(position, limits, cancel);
    if (cancel.load())
        return false;
    review.Value = played.Value;
    // Without a transposition table the search is minimax to its depth (alpha-beta changes no
    // value), so the move alone is worth what it was worth among the others: at most the best,
    // and the best exactly only when it is one of the best moves.
    if (review.Value == review.BestValue)
        review.BestMove = move;
    return true;
}

// Seeds in 1/kSeed units as a decimal number: "2.5", "-0.125", "0"; a sign before a value, not
// before a loss.
std::string Seeds(int value, bool sign) {
    const int whole = std::abs(value) / kSeed, part = std::abs(value) % kSeed;
    std::string text = value < 0 ? "-" : sign && value > 0 ? "+" : "";
    text += std::to_string(whole);
    if (part) {
        std::string fraction = std::to_string(1000 + part * 1000 / kSeed).substr(1);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text;
}

char LetterOf(int pit) {
    return static_cast<char>('a' + (pit - 1) % 6);
}

// Reads a number Seeds wrote (with or without a sign) at the start of text and takes it off;
// false for anything else.
bool ReadSeeds(std::string_view& text, int& value) {
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    long thousandths = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
        thousandths = thousandths * 10 + (text[i] - '0');
    if (digits == 0)
        return false;
    thousandths *= 1000;
    if (i < text.size() && text[i] == '.') {
        long scale = 100;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && scale > 0;
             ++i, scale /= 10)
            thousandths += (text[i] - '0') * scale;
    }
    if (thousandths % (1000 / kSeed))
        return false;
    value = static_cast<int>(thousandths / (1000 / kSeed)) * (negative ? -1 : 1);
    text.remove_prefix(i);
    return true;
}

bool Take(std::string_view& text, std::string_view word) {
    if (text.substr(0, word.size()) != word)
        return false;
    text.remove_prefix(word.size());
    return true;
}

constexpr std::string_view kPrefix = "review: ";

} // namespace

TSearchSettings ReviewSearchSettings(const TEndgameTable* table) {
    TSearchSettings settings;
    settings.TranspositionTable = false;
    settings.LateMoveReductions = false;
    settings.Table = table;
    return settings;
}

std::vector<TMoveReview> ReviewGame(const rules::TPosition& start, const std::vector<int>& moves,
                                    const TReviewSettings& settings,
                                    const std::atomic<bool>& cancel,
                                    const std::function<void(int, int)>& progress) {
    const TSearchSettings searchSettings = ReviewSearchSettings(settings.Table);
    std::vector<TMoveReview> reviews;
    std::vector<std::uint64_t> game; // the positions met since the last harvest
    rules::TPosition position = start;
    const int total = static_cast<int>(moves.size());
    for (const int move : moves) {
        if (cancel.load() || rules::IsOver(position) || !position.IsLegal(move))
            break;
        TMoveReview review;
        review.Move = move;
        if (!(settings.Table && ReviewExactly(*settings.Table, position, move, review)) &&
            !ReviewBySearch(searchSettings, settings.Depth, position, move, game, cancel, review))
            break;
        reviews.push_back(review);
        const int seeds = position.SeedsOnBoard();
        game.push_back(Key(position));
        rules::Play(position, move);
        if (position.SeedsOnBoard() != seeds)
            game.clear();
        if (progress)
            progress(static_cast<int>(reviews.size()), total);
    }
    return reviews;
}

std::string ReviewComment(const TMoveReview& review) {
    const std::string source = review.Source == TValueSource::Table ? "exact" : "searched";
    if (review.BestMove == review.Move)
        return std::string(kPrefix) + "best move, worth " + Seeds(review.Value, true) + ", " +
               source;
    return std::string(kPrefix) + "loses " + Seeds(review.Loss(), false) + ", worth " +
           Seeds(review.Value, true) + ", best " + LetterOf(review.BestMove) + " worth " +
           Seeds(review.BestValue, true) + ", " + source;
}

std::optional<TMoveReview> ReadReviewComment(std::string_view comment, int move) {
    if (move < 1 || move > rules::kPits)
        return std::nullopt;
    // The review may be one line of a comment that says more.
    while (!comment.empty()) {
        const std::size_t end = comment.find('\n');
        std::string_view line = comment.substr(0, end);
        comment = end == std::string_view::npos ? std::string_view() : comment.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
            line.remove_suffix(1);
        const std::string whole(line);
        if (!Take(line, kPrefix))
            continue;
        TMoveReview review;
        review.Move = move;
        review.BestMove = move;
        int loss = 0;
        bool read = false;
        if (Take(line, "best move, worth ")) {
            read = ReadSeeds(line, review.Value);
            review.BestValue = review.Value;
        } else if (Take(line, "loses ") && ReadSeeds(line, loss) && Take(line, ", worth ") &&
                   ReadSeeds(line, review.Value) && Take(line, ", best ") && !line.empty() &&
                   line.front() >= 'a' && line.front() <= 'f') {
            review.BestMove = (move - 1) / 6 * 6 + (line.front() - 'a') + 1;
            line.remove_prefix(1);
            read = Take(line, " worth ") && ReadSeeds(line, review.BestValue);
        }
        if (!read)
            continue;
        if (line == ", exact")
            review.Source = TValueSource::Table;
        else if (line != ", searched")
            continue;
        // Only what the review writes: the loss agrees with the values, numbers as written.
        if (ReviewComment(review) == whole)
            return review;
    }
    return std::nullopt;
}

std::string WithReviewComment(std::string_view comment, const TMoveReview& review) {
    std::string text;
    while (!comment.empty()) {
        const std::size_t end = comment.find('\n');
        const std::string_view line = comment.substr(0, end);
        comment = end == std::string_view::npos ? std::string_view() : comment.substr(end + 1);
        if (!ReadReviewComment(line, review.Move))
            text.append(line).append("\n");
    }
    return text + ReviewComment(review);
}

} // namespace ai

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Search.h"

#include <algorithm>
#include <random>

namespace ai {
namespace {

using rules::TPosition;

constexpr int kInfinity = 30000;
constexpr int kCountsKept = 64;
enum : std::uint8_t { kExact = 1, kLower = 2, kUpper = 3 };
// Move order in bands: the table's move, then the harvests (the larger first), then the quiet
// moves by their history score, which stays below the harvests' band.
constexpr int kTableMoveOrder = 1 << 30;
constexpr int kHarvestOrder = 1 << 29;
// Late-move reductions: from this depth on, the moves after the first ones.
constexpr int kReductionDepth = 3;
constexpr int kMovesNotReduced = 2;
// Half the width of the root's first aspiration window: two seeds.
constexpr int kAspiration = 2 * kSeed;

struct TZobrist {
    std::array<std::array<std::uint64_t, kCountsKept>, rules::kPits + 1> Seeds{};
    std::uint64_t Player2 = 0;
    TZobrist() {
        std::mt19937_64 random(0x656b6f6261ULL);
        for (auto& pit : Seeds)
            for (auto& key : pit)
                key = random();
        Player2 = random();
    }
};
const TZobrist Zobrist;

int LeftMargin(const TPosition& position) {
    return position.SeedsOnSide(position.ToMove) -
           position.SeedsOnSide(rules::Opponent(position.ToMove));
}

} // namespace

std::uint64_t Key(const TPosition& position) {
    std::uint64_t key = position.ToMove == 2 ? Zobrist.Player2 : 0;
    for (int i = 1; i <= rules::kPits; ++i)
        key ^= Zobrist.Seeds[i][std::min<int>(position.Seeds[i], kCountsKept - 1)];
    return key;
}

TSearcher::TSearcher(const TSearchSettings& settings) : settings_(settings) {
    if (settings_.TranspositionTable)
        table_.resize(std::size_t{1} << settings_.TableBits);
}

int TSearcher::Evaluate(const TPosition& position) const {
    const TWeights& w = settings_.Weights;
    int score = 0;
    for (int i = 1; i <= rules::kPits; ++i) {
        const int sign = rules::Owner(i) == position.ToMove ? 1 : -1;
        const int seeds = position.Seeds[i];
        score += sign * (w.SeedsOnSide * seeds + (seeds == 1 || seeds == 2 ? w.Exposed : 0) +
                         (seeds > 0 ? w.Moves : 0) + (seeds >= 12 ? w.BigPit : 0));
    }
    return score;
}

void TSearcher::Begin(const TSearchLimits& limits, const std::atomic<bool>& cancel) {
    limits_ = limits;
    cancel_ = &cancel;
    start_ = std::chrono::steady_clock::now();
    nodes_ = 0;
    stopped_ = false;
    line_.clear();
    AgeHistory();
}

// What cut off in earlier searches still counts, for half as much.
void TSearcher::AgeHistory() {
    for (auto& side : history_)
        for (int& score : side)
            score /= 2;
}

bool TSearcher::ShouldStop() {
    if (stopped_)
        return true;
    if (cancel_->load(std::memory_order_relaxed))
        return stopped_ = true;
    if (limits_.MaxNodes && nodes_ >= limits_.MaxNodes)
        return stopped_ = true;
    if (limits_.TimeMs && (nodes_ & 255) == 0) {
        const auto elapsed = std::chrono::steady_clock::now() - start_;
        if (elapsed >= std::chrono::milliseconds(limits_.TimeMs))
            return stopped_ = true;
    }
    return false;
}

int TSearcher::Negamax(const TPosition& position, int depth, int alpha, int beta, int ply) {
    ++nodes_;
    if (ShouldStop())
        return 0;
    if (rules::IsOver(position))
        return kSeed * LeftMargin(position);
    // At the root the moves are searched all the same: the table gives values, not moves.
    if (int exact = 0; ply > 0 && settings_.Table && settings_.Table->Probe(position, exact))
        return kSeed * exact;
    const std::uint64_t key = Key(position);
    // A repetition: the position is that of an ancestor on the line searched from the root, with
    // the same player to move (every second one back), so the line could turn in circles for
    // ever; it is valued 0, as the endgame table values an endless line. The scan goes back to
    // the root, past harvests (the positions before one hold more seeds and never match), then
    // through the game's positions before the root that the limits name.
    for (int back = static_cast<int>(line_.size()) - 2; back >= 0; back -= 2)
        if (line_[back] == key)
            return 0;
    if (ply > 0)
        for (const std::uint64_t earlier : limits_.Game)
            if (earlier == key)
                return 0;
    if (depth <= 0)
        return settings_.Evaluation ? Evaluate(position) : 0;

    const int alphaBefore = alpha;
    int tableMove = 0;
    TEntry* entry = nullptr;
    if (!table_.empty()) {
        entry = &table_[key & (table_.size() - 1)];
        if (entry->Key == key) {
            tableMove = entry->Move;
            if (entry->Depth >= depth && ply > 0) {
                const int value = entry->Value;
                if (entry->Bound == kExact || (entry->Bound == kLower && value >= beta) ||
                    (entry->Bound == kUpper && value <= alpha))
                    return value;
            }
        }
    }

    struct TChild {
        TPosition Position;
        int Pit, Taken, Order;
    };
    std::array<TChild, 6> children;
    int count = 0;
    for (const int pit : rules::LegalMoves(position)) {
        if (ply == 0 && rootMoves_ && !(rootMoves_ >> pit & 1u))
            continue;
        TChild& child = children[count++];
        child.Position = position;
        child.Pit = pit;
        child.Taken = rules::Play(child.Position, pit).Captured;
        child.Order = !settings_.Ordering ? 0
                      : pit == tableMove  ? kTableMoveOrder
                      : child.Taken > 0   ? kHarvestOrder + child.Taken
                                          : history_[position.ToMove][pit];
    }
    if (settings_.Ordering)
        std::stable_sort(children.begin(), children.begin() + count,
                         [](const TChild& a, const TChild& b) { return a.Order > b.Order; });

    line_.push_back(key);
    int best = -kInfinity, bestMove = children[0].Pit;
    for (int c = 0; c < count; ++c) {
        const TChild& child = children[c];
        const int gain = kSeed * child.Taken;
        int value = 0;
        // Late-move reductions: a late quiet move, well inside the tree, is first searched one
        // move less deep with a null window, and again as usual only when it beats alpha.
        const bool reduced = settings_.LateMoveReductions && ply > 0 && depth >= kReductionDepth &&
                             c >= kMovesNotReduced && child.Taken == 0;
        if (reduced)
            value = -Negamax(child.Position, depth - 2, -alpha - 1, -alpha, ply + 1);
        if (!reduced || (value > alpha && !stopped_)) {
            // Principal-variation search: the first move is searched with the whole window, the
            // others only to show that they are no better (a window of one unit above alpha),
            // and searched again with the whole window when one is.
            if (c == 0 || !settings_.PrincipalVariation) {
                value =
                    gain - Negamax(child.Position, depth - 1, -beta + gain, -alpha + gain, ply + 1);
            } else {
                value = gain - Negamax(child.Position, depth - 1, -alpha - 1 + gain, -alpha + gain,
                                       ply + 1);
                if (value > alpha && value < beta && !stopped_)
                    value = gain - Negamax(child.Position, depth - 1, -beta + gain, -alpha + gain,
                                           ply + 1);
            }
        }
        if (stopped_)
            break;
        if (value > best) {
            best = value;
            bestMove = child.Pit;
        }
        if (value > alpha)
            alpha = value;
        if (alpha >= beta) {
            if (settings_.Ordering && child.Taken == 0) {
                int& score = history_[position.ToMove][child.Pit];
                score += depth * depth;
                if (score >= kHarvestOrder)
                    AgeHistory();
            }
            break;
        }
    }
    line_.pop_back();
    if (stopped_)
        return 0;
    if (ply == 0)
        rootBest_ = bestMove;
    // A root searched over some of its moves only has no value of its own.
    if (entry && !(ply == 0 && rootMoves_)) {
        entry->Key = key;
        entry->Value = static_cast<std::int16_t>(best);
        entry->Depth = static_cast<std::int8_t>(std::min(depth, 127));
        entry->Bound = best <= alphaBefore ? kUpper : best >= beta ? kLower : kExact;
        entry->Move = static_cast<std::uint8_t>(bestMove);
    }
    return best;
}

TSearchResult TSearcher::Search(const TPosition& position, const TSearchLimits& limits,
                                const std::atomic<bool>& cancel) {
    Begin(limits, cancel);
    TSearchResult result;
    const rules::TMoves legal = rules::LegalMoves(position);
    if (rules::IsOver(position) || legal.Count == 0)
        return result;
    rules::TMoves moves;
    for (const int pit : legal)
        if (limits.RootMoves >> pit & 1u)
            moves.Pit[moves.Count++] = static_cast<std::uint8_t>(pit);
    if (moves.Count == 0)
        moves = legal;
    rootMoves_ = moves.Count < legal.Count ? limits.RootMoves : 0u;
    // Until a depth is finished: the move that harvests most.
    int mostTaken = -1;
    for (const int pit : moves) {
        TPosition child = position;
        const int taken = rules::Play(child, pit).Captured;
        if (taken > mostTaken) {
            mostTaken = taken;
            result.Move = pit;
        }
    }
    result.Line = {result.Move};
    if (legal.Count == 1 && !limits.SearchForced)
        return result;
    // Without a clock or move ordering the shallower depths would serve nothing.
    const int firstDepth = limits.TimeMs || settings_.Ordering ? 1 : limits.MaxDepth;
    for (int depth = firstDepth; depth <= limits.MaxDepth; ++depth) {
        if (depth > firstDepth)
            AgeHistory();
        const int value = RootValue(position, depth, depth > firstDepth ? result.Value : 0,
                                    depth > firstDepth && settings_.Aspiration);
        if (stopped_)
            break;
        result.Move = rootBest_;
        result.Value = value;
        result.Depth = depth;
        result.Line = PrincipalLine(position, rootBest_, depth);
        // Half the budget spent: the next depth would not finish.
        if (limits.TimeMs && std::chrono::steady_clock::now() - start_ >=
                                 std::chrono::milliseconds(limits.TimeMs) / 2)
            break;
    }
    result.Nodes = nodes_;
    return result;
}

// With an aspiration window: first a window of kAspiration either side of the value of the depth
// before, then, on the side where the value falls out of it, a window twice as wide, and so on
// up to the whole window; the value found inside a window is the exact one.
int TSearcher::RootValue(const TPosition& position, int depth, int guess, bool aspiration) {
    if (!aspiration)
        return Negamax(position, depth, -kInfinity, kInfinity, 0);
    int below = kAspiration, above = kAspiration;
    for (;;) {
        const int alpha = below >= kInfinity ? -kInfinity : guess - below;
        const int beta = above >= kInfinity ? kInfinity : guess + above;
        const int value = Negamax(position, depth, alpha, beta, 0);
        if (stopped_ || (value > alpha && value < beta))
            return value;
        int& widened = value <= alpha ? below : above;
        widened = widened >= kInfinity / 4 ? kInfinity : widened * 2;
    }
}

std::vector<int> TSearcher::PrincipalLine(const TPosition& root, int first, int length) const {
    std::vector<int> line{first};
    std::vector<std::uint64_t> met{Key(root)};
    TPosition position = root;
    rules::Play(position, first);
    while (static_cast<int>(line.size()) < length && !table_.empty() && !rules::IsOver(position)) {
        const std::uint64_t key = Key(position);
        const TEntry& entry = table_[key & (table_.size() - 1)];
        if (entry.Key != key || !position.IsLegal(entry.Move) ||
            std::find(met.begin(), met.end(), key) != met.end())
            break;
        met.push_back(key);
        line.push_back(entry.Move);
        rules::Play(position, entry.Move);
    }
    return line;
}

int TSearcher::Value(const TPosition& position, int depth, const std::atomic<bool>& cancel) {
    Begin({}, cancel);
    return Negamax(position, depth, -kInfinity, kInfinity, 1);
}

} // namespace ai

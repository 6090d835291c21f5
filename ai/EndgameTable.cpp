// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/EndgameTable.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <mutex>

namespace ai {
namespace {

using rules::kPits;
using rules::TPosition;

// The number of ways to put n seeds into k pits: C(n + k - 1, k - 1).
struct TWays {
    std::array<std::array<std::uint64_t, kPits + 2>, rules::kTotalSeeds + 1> ways{};
    TWays() {
        for (int n = 0; n <= rules::kTotalSeeds; ++n) {
            ways[n][0] = n == 0 ? 1 : 0;
            for (int k = 1; k <= kPits + 1; ++k)
                ways[n][k] = n == 0 ? 1 : ways[n][k - 1] + ways[n - 1][k];
        }
    }
    std::uint64_t operator()(int n, int k) const { return n < 0 ? 0 : ways[n][k]; }
};
const TWays Ways;

// The rank of a board of n seeds among all boards of n seeds, in lexicographic order of the
// counts of pits 1 to 12.
std::size_t Rank(const TPosition& position, int seeds) {
    std::size_t rank = 0;
    int left = seeds;
    for (int i = 1; i < kPits; ++i) {
        const int parts = kPits - i + 1;
        // boards whose pit i holds fewer seeds than this one, the earlier pits being equal
        rank += Ways(left, parts) - Ways(left - position.Seeds[i], parts);
        left -= position.Seeds[i];
    }
    return rank;
}

// Calls visit for every board of n seeds, in rank order.
void ForEachBoard(int seeds, const std::function<void(const TPosition&)>& visit) {
    TPosition position;
    std::function<void(int, int)> fill = [&](int pit, int left) {
        if (pit == kPits) {
            position.Seeds[pit] = static_cast<std::uint8_t>(left);
            visit(position);
            return;
        }
        for (int s = 0; s <= left; ++s) {
            position.Seeds[pit] = static_cast<std::uint8_t>(s);
            fill(pit + 1, left - s);
        }
    };
    fill(1, seeds);
}

int LeftMargin(const TPosition& position) {
    return position.SeedsOnSide(position.ToMove) -
           position.SeedsOnSide(rules::Opponent(position.ToMove));
}

} // namespace

TEndgameTable::TEndgameTable(int maxSeeds) : maxSeeds_(std::clamp(maxSeeds, 0, 24)) {}

TEndgameTable::~TEndgameTable() {
    stop_ = true;
    if (builder_.joinable())
        builder_.join();
}

void TEndgameTable::StartBuilding() {
    if (!builder_.joinable() && !Ready())
        builder_ = std::thread([this] {
            // Nothing may leave the thread: a table that could not be built (out of memory) is
            // never ready, and the search goes on without it.
            try {
                Build();
            } catch (...) {
            }
        });
}

void TEndgameTable::BuildNow() {
    if (builder_.joinable())
        builder_.join();
    if (!Ready())
        Build();
}

std::size_t TEndgameTable::Index(const TPosition& position, int seeds) const {
    return offset_[seeds] + 2 * Rank(position, seeds) + (position.ToMove - 1);
}

bool TEndgameTable::Probe(const TPosition& position, int& margin) const {
    if (!Ready())
        return false;
    const int seeds = position.SeedsOnBoard();
    if (seeds > maxSeeds_)
        return false;
    margin = values_[Index(position, seeds)];
    return true;
}

void TEndgameTable::Build() {
    ++builds_;
    const auto start = std::chrono::steady_clock::now();
    offset_.assign(maxSeeds_ + 2, 0);
    for (int n = 0; n <= maxSeeds_; ++n)
        offset_[n + 1] = offset_[n] + 2 * Ways(n, kPits);
    values_.assign(offset_[maxSeeds_ + 1], 0);
    peakBytes_ = values_.size();
    for (int n = 0; n <= maxSeeds_ && !stop_; ++n)
        BuildLayer(n);
    if (stop_)
        return;
    buildSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ready_.store(true, std::memory_order_release);
}

// The positions of one layer (n seeds on the board) depend on the layer itself, through the
// moves that take nothing, and on the finished lower layers, through the harvests. Within the
// layer the values are found by iterating from 0: after k rounds every value is that of the game
// cut off after k moves with the rest valued 0; the rounds stop when nothing changes, which is the
// value of the game where an endless line counts 0.
void TEndgameTable::BuildLayer(int seeds) {
    const std::size_t size = 2 * Ways(seeds, kPits);
    const std::size_t base = offset_[seeds];
    constexpr int kNone = -128;
    std::vector<std::int8_t> exitBest(size, kNone); // best harvest line, or the final margin
    std::vector<bool> final(size, false);
    std::vector<std::uint32_t> first(size + 1, 0);
    std::vector<std::uint32_t> children;
    children.reserve(size * 3);

    std::size_t rank = 0;
    ForEachBoard(seeds, [&](const TPosition& board) {
        if (stop_.load(std::memory_order_relaxed))
            return;
        for (int side = 1; side <= 2; ++side, ++rank) {
            TPosition position = board;
            position.ToMove = static_cast<std::uint8_t>(side);
            first[rank] = static_cast<std::uint32_t>(children.size());
            if (rules::IsOver(position)) {
                final[rank] = true;
                exitBest[rank] = static_cast<std::int8_t>(LeftMargin(position));
                continue;
            }
            int best = kNone;
            for (const int pit : rules::LegalMoves(position)) {
                TPosition child = position;
                const int taken = rules::Play(child, pit).Captured;
                if (taken == 0) {
                    children.push_back(static_cast<std::uint32_t>(Index(child, seeds) - base));
                } else {
                    const int left = seeds - taken;
                    best = std::max(best, taken - values_[Index(child, left)]);
                }
            }
            exitBest[rank] = static_cast<std::int8_t>(best);
        }
    });
    first[size] = static_cast<std::uint32_t>(children.size());
    peakBytes_ = std::max(peakBytes_, values_.size() + size * 3 + children.capacity() * 4 +
                                          first.size() * 4 + size / 8);

    std::vector<std::int8_t> current(size), next(size);
    for (std::size_t i = 0; i < size; ++i)
        current[i] = final[i] ? exitBest[i] : 0;
    int rounds = 0;
    for (bool changed = true; changed && !stop_; ++rounds) {
        changed = false;
        for (std::size_t i = 0; i < size; ++i) {
            int value = exitBest[i];
            if (!final[i])
                for (std::uint32_t c = first[i]; c < first[i + 1]; ++c)
                    value = std::max(value, -current[children[c]]);
            next[i] = static_cast<std::int8_t>(value);
            changed = changed || next[i] != current[i];
        }
        current.swap(next);
    }
    longestIteration_ = std::max(longestIteration_, rounds);
    std::copy(current.begin(), current.end(), values_.begin() + static_cast<std::ptrdiff_t>(base));
}

const TEndgameTable& SharedEndgameTable() {
    static TEndgameTable table(kSharedTableSeeds);
    static std::once_flag started;
    std::call_once(started, [] { table.StartBuilding(); });
    return table;
}

} // namespace ai

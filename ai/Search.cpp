// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Search.h"

#include <algorithm>
#include <exception>
#include <random>
#include <thread>

namespace ai {
namespace {

using rules::TPosition;

constexpr int kInfinity = 30000;
constexpr int kCountsKept = 64;
enum : std::uint8_t { kExact = 1, kLower = 2, kUpper = 3 }; // 0: an empty entry
// Move order in bands: the table's move, then the harvests (the larger first), then the quiet
// moves by their history score, which stays below the harvests' band.
constexpr int kTableMoveOrder = 1 << 30;
constexpr int kHarvestOrder = 1 << 29;
// Late-move reductions: from this depth on, the moves after the first ones.
constexpr int kReductionDepth = 3;
constexpr int kMovesNotReduced = 2;
// On several threads, nodes this deep or deeper say that a thread is searching them (in one of
// 2^kSearchingBits slots, by key), and a move into one that another thread is searching is put
// off until the node's other moves are done.
constexpr int kDeferDepth = 4;
constexpr int kSearchingBits = 14;
constexpr std::uint64_t kSearchingMask = (std::uint64_t{1} << kSearchingBits) - 1;
// Half the width of the root's first aspiration window: two seeds.
constexpr int kAspiration = 2 * kSeed;

struct TZobrist {
    std::array<std::array<std::uint64_t, kCountsKept>, rules::kPits + 1> Seeds{};
    std::uint64_t Player2 = 0;
    std::uint64_t FullRules = 0;
    TZobrist() {
        std::mt19937_64 random(0x656b6f6261ULL);
        for (auto& pit : Seeds)
            for (auto& key : pit)
                key = random();
        Player2 = random();
        FullRules = random();
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
    if (position.Rules == rules::TRuleSet::Full)
        key ^= Zobrist.FullRules;
    for (int i = 1; i <= rules::kPits; ++i)
        key ^= Zobrist.Seeds[i][std::min<int>(position.Seeds[i], kCountsKept - 1)];
    return key;
}

int GameThreads() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u));
}

struct TEntry {
    std::int16_t Value = 0;
    std::int8_t Depth = 0;
    std::uint8_t Bound = 0;
    std::uint8_t Move = 0;
};

// The transposition table, shared by the search's threads without locks. A slot holds an entry
// in one word and the position's key XOR'd with that word in the other, each read and written
// whole. When two threads write a slot at once, it may be left with one's data and the other's
// check: the XOR of the two words then matches the key looked for but by a chance of one in 2^64,
// and the slot reads as empty. An entry's move is only an order to try the moves in, and the line
// read from the table checks each of its moves.
class TSearcher::TTable {
public:
    explicit TTable(int bits) : slots_(std::size_t{1} << bits) {}

    bool Find(std::uint64_t key, TEntry& entry) const {
        const TSlot& slot = slots_[key & (slots_.size() - 1)];
        const std::uint64_t data = slot.Data.load(std::memory_order_relaxed);
        if ((slot.Check.load(std::memory_order_relaxed) ^ data) != key)
            return false;
        entry.Value = static_cast<std::int16_t>(data & 0xffff);
        entry.Depth = static_cast<std::int8_t>(data >> 16 & 0xff);
        entry.Bound = static_cast<std::uint8_t>(data >> 24 & 0xff);
        entry.Move = static_cast<std::uint8_t>(data >> 32 & 0xff);
        return entry.Bound != 0;
    }
    void Store(std::uint64_t key, const TEntry& entry) {
        const std::uint64_t data = std::uint64_t{static_cast<std::uint16_t>(entry.Value)} |
                                   std::uint64_t{static_cast<std::uint8_t>(entry.Depth)} << 16 |
                                   std::uint64_t{entry.Bound} << 24 |
                                   std::uint64_t{entry.Move} << 32;
        TSlot& slot = slots_[key & (slots_.size() - 1)];
        slot.Data.store(data, std::memory_order_relaxed);
        slot.Check.store(key ^ data, std::memory_order_relaxed);
    }

private:
    struct TSlot {
        std::atomic<std::uint64_t> Check{0};
        std::atomic<std::uint64_t> Data{0};
    };
    std::vector<TSlot> slots_;
};

// What one thread of a search keeps: its line, its history of cut-offs, its nodes.
class TSearcher::TWorker {
public:
    TWorker(const TSearcher& owner, bool first) : owner_(owner), first_(first) {
        line_.reserve(2 * kMaxDepthKept);
    }
    void Begin() {
        nodes_ = 0;
        stopped_ = false;
        line_.clear();
        AgeHistory();
    }
    int Negamax(const TPosition& position, int depth, int alpha, int beta, int ply);
    int RootValue(const TPosition& position, int depth, int guess, bool aspiration);
    void AgeHistory();
    bool Stopped() const { return stopped_; }
    std::uint64_t Nodes() const { return nodes_; }
    int RootBest() const { return rootBest_; }

private:
    static constexpr int kMaxDepthKept = 64;
    bool ShouldStop();

    const TSearcher& owner_;
    const bool first_; // the thread whose result is the answer; the others stop with it
    std::array<std::array<int, rules::kPits + 1>, 3> history_{};
    std::vector<std::uint64_t> line_; // keys of the positions on the current line
    std::uint64_t nodes_ = 0;
    bool stopped_ = false;
    int rootBest_ = 0;
};

TSearcher::TSearcher(const TSearchSettings& settings)
    : settings_(settings),
      searching_(std::make_unique<std::atomic<std::uint64_t>[]>(kSearchingMask + 1)) {
    if (settings_.TranspositionTable)
        table_ = std::make_unique<TTable>(settings_.TableBits);
    SetThreads(settings_.Threads);
}

TSearcher::~TSearcher() = default;

void TSearcher::SetThreads(int threads) {
    threads = std::clamp(threads, 1, kMaxThreads);
    while (static_cast<int>(workers_.size()) > threads)
        workers_.pop_back();
    while (static_cast<int>(workers_.size()) < threads)
        workers_.push_back(std::make_unique<TWorker>(*this, workers_.empty()));
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

// What cut off in earlier searches still counts, for half as much.
void TSearcher::TWorker::AgeHistory() {
    for (auto& side : history_)
        for (int& score : side)
            score /= 2;
}

bool TSearcher::TWorker::ShouldStop() {
    if (stopped_)
        return true;
    if (owner_.cancel_->load(std::memory_order_relaxed))
        return stopped_ = true;
    if (!first_ && owner_.over_.load(std::memory_order_relaxed))
        return stopped_ = true;
    const TSearchLimits& limits = owner_.limits_;
    if (first_ && limits.MaxNodes && nodes_ >= limits.MaxNodes)
        return stopped_ = true;
    if (limits.TimeMs && (nodes_ & 255) == 0) {
        const auto elapsed = std::chrono::steady_clock::now() - owner_.start_;
        if (elapsed >= std::chrono::milliseconds(limits.TimeMs))
            return stopped_ = true;
    }
    return false;
}

int TSearcher::TWorker::Negamax(const TPosition& position, int depth, int alpha, int beta,
                                int ply) {
    ++nodes_;
    if (ShouldStop())
        return 0;
    if (rules::IsOver(position))
        return kSeed * LeftMargin(position);
    const TSearchSettings& settings = owner_.settings_;
    // At the root the moves are searched all the same: the table gives values, not moves.
    if (int exact = 0; ply > 0 && settings.Table && settings.Table->Probe(position, exact))
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
        for (const std::uint64_t earlier : owner_.limits_.Game)
            if (earlier == key)
                return 0;
    if (depth <= 0)
        return settings.Evaluation ? owner_.Evaluate(position) : 0;

    const int alphaBefore = alpha;
    int tableMove = 0;
    TTable* const table = owner_.table_.get();
    if (TEntry entry; table && table->Find(key, entry)) {
        tableMove = entry.Move;
        if (entry.Depth >= depth && ply > 0) {
            const int value = entry.Value;
            if (entry.Bound == kExact || (entry.Bound == kLower && value >= beta) ||
                (entry.Bound == kUpper && value <= alpha))
                return value;
        }
    }

    const unsigned rootMoves = owner_.rootMoves_;
    struct TChild {
        TPosition Position;
        int Pit, Taken, Order;
    };
    std::array<TChild, 6> children;
    int count = 0;
    for (const int pit : rules::LegalMoves(position)) {
        if (ply == 0 && rootMoves && !(rootMoves >> pit & 1u))
            continue;
        TChild& child = children[count++];
        child.Position = position;
        child.Pit = pit;
        child.Taken = rules::Play(child.Position, pit).Captured;
        child.Order = !settings.Ordering ? 0
                      : pit == tableMove ? kTableMoveOrder
                      : child.Taken > 0  ? kHarvestOrder + child.Taken
                                         : history_[position.ToMove][pit];
    }
    if (settings.Ordering)
        std::stable_sort(children.begin(), children.begin() + count,
                         [](const TChild& a, const TChild& b) { return a.Order > b.Order; });

    // On several threads: this node is being searched, and the moves into nodes another thread
    // is searching wait (the first move never does), so that the threads part ways.
    std::atomic<std::uint64_t>* searching = nullptr;
    std::array<int, 6> deferred;
    int deferredCount = 0;
    if (depth >= kDeferDepth && owner_.workers_.size() > 1) {
        searching = &owner_.searching_[key & kSearchingMask];
        searching->store(key, std::memory_order_relaxed);
    }
    const auto searchedElsewhere = [&](const TChild& child) {
        const std::uint64_t childKey = Key(child.Position);
        return owner_.searching_[childKey & kSearchingMask].load(std::memory_order_relaxed) ==
               childKey;
    };

    line_.push_back(key);
    int best = -kInfinity, bestMove = children[0].Pit;
    for (int next = 0; next < count + deferredCount; ++next) {
        const bool late = next >= count;
        const int c = late ? deferred[static_cast<std::size_t>(next - count)] : next;
        const TChild& child = children[c];
        if (searching && !late && c > 0 && searchedElsewhere(child)) {
            deferred[static_cast<std::size_t>(deferredCount++)] = c;
            continue;
        }
        const int gain = kSeed * child.Taken;
        int value = 0;
        // Late-move reductions: a late quiet move, well inside the tree, is first searched one
        // move less deep with a null window, and again as usual only when it beats alpha.
        const bool reduced = settings.LateMoveReductions && ply > 0 && depth >= kReductionDepth &&
                             c >= kMovesNotReduced && child.Taken == 0;
        if (reduced)
            value = -Negamax(child.Position, depth - 2, -alpha - 1, -alpha, ply + 1);
        if (!reduced || (value > alpha && !stopped_)) {
            // Principal-variation search: the first move is searched with the whole window, the
            // others only to show that they are no better (a window of one unit above alpha),
            // and searched again with the whole window when one is.
            if (c == 0 || !settings.PrincipalVariation) {
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
            if (settings.Ordering && child.Taken == 0) {
                int& score = history_[position.ToMove][child.Pit];
                score += depth * depth;
                if (score >= kHarvestOrder)
                    AgeHistory();
            }
            break;
        }
    }
    line_.pop_back();
    if (searching) {
        std::uint64_t mine = key;
        searching->compare_exchange_strong(mine, 0, std::memory_order_relaxed);
    }
    if (stopped_)
        return 0;
    if (ply == 0)
        rootBest_ = bestMove;
    // A root searched over some of its moves only has no value of its own.
    if (table && !(ply == 0 && rootMoves)) {
        TEntry entry;
        entry.Value = static_cast<std::int16_t>(best);
        entry.Depth = static_cast<std::int8_t>(std::min(depth, 127));
        entry.Bound = best <= alphaBefore ? kUpper : best >= beta ? kLower : kExact;
        entry.Move = static_cast<std::uint8_t>(bestMove);
        table->Store(key, entry);
    }
    return best;
}

TSearchResult TSearcher::Search(const TPosition& position, const TSearchLimits& limits,
                                const std::atomic<bool>& cancel) {
    limits_ = limits;
    cancel_ = &cancel;
    start_ = std::chrono::steady_clock::now();
    TWorker& main = *workers_[0];
    main.Begin();
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

    // The other threads, stopped and joined when the first is done, whatever way it ends. A
    // thread that cannot be started leaves the search to those that could.
    struct THelpers {
        std::atomic<bool>& Over;
        std::vector<std::thread> Threads;
        void Join() {
            Over = true;
            for (std::thread& thread : Threads)
                if (thread.joinable())
                    thread.join();
        }
        ~THelpers() { Join(); }
    } helpers{over_, {}};
    over_ = false;
    mainDepth_ = firstDepth;
    for (std::size_t i = 1; i < workers_.size(); ++i) {
        try {
            helpers.Threads.emplace_back(
                [this, i, &position] { Help(*workers_[i], static_cast<int>(i), position); });
        } catch (const std::exception&) {
            break;
        }
    }

    for (int depth = firstDepth; depth <= limits.MaxDepth; ++depth) {
        if (depth > firstDepth)
            main.AgeHistory();
        mainDepth_.store(depth, std::memory_order_relaxed);
        const int value = main.RootValue(position, depth, depth > firstDepth ? result.Value : 0,
                                         depth > firstDepth && settings_.Aspiration);
        if (main.Stopped())
            break;
        result.Move = main.RootBest();
        result.Value = value;
        result.Depth = depth;
        result.Line = PrincipalLine(position, result.Move, depth);
        // Half the budget spent: the next depth would not finish.
        if (limits.TimeMs && std::chrono::steady_clock::now() - start_ >=
                                 std::chrono::milliseconds(limits.TimeMs) / 2)
            break;
    }
    result.Nodes = main.Nodes();
    const std::size_t started = helpers.Threads.size();
    helpers.Join();
    for (std::size_t i = 1; i <= started; ++i)
        result.Nodes += workers_[i]->Nodes();
    return result;
}
// A thread other than the first: iterative deepening with its own history, at the depth the
// first thread is searching for one thread in two and one deeper for the others, or deeper when
// it has finished that one already, with an aspiration window around its own values.
void TSearcher::Help(TWorker& worker, int index, const TPosition& root) {
    // Nothing leaves the thread: a helper that fails (out of memory) only stops helping.
    try {
        worker.Begin();
        int value = 0;
        for (int depth = 0;;) {
            const int ahead = mainDepth_.load(std::memory_order_relaxed) + index % 2;
            const int last = depth;
            depth = std::min(std::max(depth + 1, ahead), limits_.MaxDepth);
            if (depth <= last)
                break; // the deepest depth searched: the first thread finishes alone
            if (last > 0)
                worker.AgeHistory();
            value = worker.RootValue(root, depth, value, last > 0 && settings_.Aspiration);
            if (worker.Stopped())
                break;
        }
    } catch (...) {
    }
}

// With an aspiration window: first a window of kAspiration either side of the value of the depth
// before, then, on the side where the value falls out of it, a window twice as wide, and so on
// up to the whole window; the value found inside a window is the exact one.
int TSearcher::TWorker::RootValue(const TPosition& position, int depth, int guess,
                                  bool aspiration) {
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
    while (static_cast<int>(line.size()) < length && table_ && !rules::IsOver(position)) {
        const std::uint64_t key = Key(position);
        TEntry entry;
        if (!table_->Find(key, entry) || !position.IsLegal(entry.Move) ||
            std::find(met.begin(), met.end(), key) != met.end())
            break;
        met.push_back(key);
        line.push_back(entry.Move);
        rules::Play(position, entry.Move);
    }
    return line;
}

int TSearcher::Value(const TPosition& position, int depth, const std::atomic<bool>& cancel) {
    limits_ = {};
    cancel_ = &cancel;
    start_ = std::chrono::steady_clock::now();
    workers_[0]->Begin();
    return workers_[0]->Negamax(position, depth, -kInfinity, kInfinity, 1);
}

} // namespace ai

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/EndgameTable.h"

#include "files/Files.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

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

// The boards of n seeds, either player to move.
std::size_t LayerEntries(int seeds) {
    return 2 * Ways(seeds, kPits);
}
// The first entry of the layer of n seeds: two for every board of fewer seeds, which are as many
// as the ways to put n - 1 seeds into the twelve pits and one more (the seeds left off).
std::size_t LayerOffset(int seeds) {
    return 2 * Ways(seeds - 1, kPits + 1);
}

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

// The board of n seeds of a rank.
TPosition Unrank(std::size_t rank, int seeds) {
    TPosition position;
    int left = seeds;
    for (int i = 1; i < kPits; ++i) {
        const int parts = kPits - i + 1;
        int s = 0;
        for (std::size_t w = Ways(left, parts - 1); rank >= w; w = Ways(left - s, parts - 1)) {
            rank -= w;
            ++s;
        }
        position.Seeds[i] = static_cast<std::uint8_t>(s);
        left -= s;
    }
    position.Seeds[kPits] = static_cast<std::uint8_t>(left);
    return position;
}

// The board of the next rank, false after the last. The first board of n seeds has them all in
// pit 12.
bool NextBoard(TPosition& position) {
    int tail = position.Seeds[kPits];
    for (int i = kPits - 1; i >= 1; --i) {
        if (tail > 0) {
            ++position.Seeds[i];
            for (int j = i + 1; j < kPits; ++j)
                position.Seeds[j] = 0;
            position.Seeds[kPits] = static_cast<std::uint8_t>(tail - 1);
            return true;
        }
        tail += position.Seeds[i];
    }
    return false;
}

// The entry of a position within its layer.
std::size_t InLayer(const TPosition& position, int seeds) {
    return 2 * Rank(position, seeds) + (position.ToMove - 1);
}

int LeftMargin(const TPosition& position) {
    return position.SeedsOnSide(position.ToMove) -
           position.SeedsOnSide(rules::Opponent(position.ToMove));
}

// Calls visit with the entry of every position of the layer from which a move that takes
// nothing leads to the position of entry `entry`. The move's pit is empty afterwards (it is
// passed over on every lap); its seeds are taken back from the pits that follow it, one by one,
// for as long as they hold some, and every candidate is played forward to confirm it.
// By the full rules the candidate must also be a legal move there (a move the rules forbid leads
// nowhere), and a killing move they allow is quiet: it is played without its harvest.
template <class TVisit>
void ForEachQuietParent(std::size_t entry, int seeds, rules::TRuleSet ruleSet, TVisit&& visit) {
    TPosition child = Unrank(entry / 2, seeds);
    child.ToMove = static_cast<std::uint8_t>(entry % 2 + 1);
    child.Rules = ruleSet;
    const int mover = rules::Opponent(child.ToMove);
    const int first = rules::FirstPit(mover);
    for (int pit = first; pit < first + 6; ++pit) {
        if (child.Seeds[pit] != 0)
            continue;
        std::array<int, kPits - 1> order{};
        for (int k = 0, a = pit; k < kPits - 1; ++k)
            order[k] = a = rules::NextPit(a, pit);
        TPosition parent = child;
        parent.ToMove = static_cast<std::uint8_t>(mover);
        for (int sown = 1; sown <= seeds; ++sown) {
            const int a = order[(sown - 1) % (kPits - 1)];
            if (parent.Seeds[a] == 0)
                break;
            --parent.Seeds[a];
            parent.Seeds[pit] = static_cast<std::uint8_t>(sown);
            if (rules::IsOver(parent) || !parent.IsLegal(pit))
                continue;
            TPosition played = parent;
            if (rules::Play(played, pit).Captured == 0 && played.Seeds == child.Seeds)
                visit(InLayer(parent, seeds));
        }
    }
}

// How often a build looks at its stop flag: about every millisecond of work, so that a table
// dropped stops at once even when its worker, at the lowest priority, gets little of the
// processor.
constexpr std::size_t kStopEvery = 1024;

// The processor time of the calling thread, in seconds.
double ThreadSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Names the calling thread "ekoba-table", as the system shows it (ps, top, debuggers, and the
// tests that wait for the table's work to end).
void NameTableThread() {
    pthread_setname_np(pthread_self(), "ekoba-table");
}

// The threads of one build: the calling thread and the helpers, started with the build (at the
// caller's priority, which they inherit) and ended with it. A job is a number of chunks, which the
// members take one after the other, each the next not yet taken, until none is left: a helper the
// system keeps waiting (the build runs at the lowest priority on a loaded machine) holds back only
// the chunk it is on, and a job of one chunk is the caller's alone.
class TCrew {
public:
    using TWork = std::function<void(std::size_t chunk, std::size_t member)>;

    explicit TCrew(int threads) {
        // The build goes on with the helpers the system gives.
        try {
            for (int member = 1; member < threads; ++member)
                helpers_.emplace_back([this, member] {
                    NameTableThread();
                    Serve(static_cast<std::size_t>(member));
                });
        } catch (const std::system_error&) {
        }
    }
    ~TCrew() { End(); }
    TCrew(const TCrew&) = delete;
    TCrew& operator=(const TCrew&) = delete;

    std::size_t Members() const { return helpers_.size() + 1; }

    // Ends the helpers, and gives the most processor time one of them spent, in seconds.
    double End() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            quit_ = true;
        }
        wake_.notify_all();
        for (std::thread& helper : helpers_)
            if (helper.joinable())
                helper.join();
        return busiest_;
    }

    // Runs work on chunks 0 to chunks - 1 and returns once all are done. An exception raised by a
    // chunk is raised here, once the others at work have finished theirs (those not begun are
    // dropped).
    void Run(std::size_t chunks, const TWork& work) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            work_ = &work;
            chunks_ = chunks;
            next_ = 0;
            ++job_;
        }
        if (chunks > 1)
            wake_.notify_all();
        Take(0, work, chunks);
        std::unique_lock<std::mutex> hold(lock_);
        work_ = nullptr;
        left_.wait(hold, [this] { return working_ == 0; });
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void Serve(std::size_t member) {
        std::unique_lock<std::mutex> hold(lock_);
        for (std::uint64_t seen = 0;;) {
            wake_.wait(hold, [&] { return quit_ || (work_ && job_ != seen); });
            if (quit_) {
                busiest_ = std::max(busiest_, ThreadSeconds());
                return;
            }
            seen = job_;
            const TWork& work = *work_;
            const std::size_t chunks = chunks_;
            ++working_;
            hold.unlock();
            Take(member, work, chunks);
            hold.lock();
            if (--working_ == 0)
                left_.notify_all();
        }
    }
    void Take(std::size_t member, const TWork& work, std::size_t chunks) {
        for (std::size_t chunk; (chunk = next_.fetch_add(1)) < chunks;) {
            try {
                work(chunk, member);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(lock_);
                if (!failure_)
                    failure_ = std::current_exception();
                next_ = chunks;
            }
        }
    }

    std::vector<std::thread> helpers_;
    std::mutex lock_;
    std::condition_variable wake_, left_;
    // The job, under the lock: the helpers come to a job whose work is set.
    const TWork* work_ = nullptr;
    std::size_t chunks_ = 0;
    std::uint64_t job_ = 0;
    int working_ = 0; // the helpers at work on it
    bool quit_ = false;
    std::exception_ptr failure_;
    double busiest_ = 0;               // the most processor time a helper spent, once it ended
    std::atomic<std::size_t> next_{0}; // the next chunk to take
};

// One layer, the lower ones being done. Every position first gets its best harvest (or, when the
// game is over, its final margin) and the count of its moves that take nothing and stay in the
// layer. Then, for t = n down to 1, the positions worth t or more and those worth -t or less are
// found by retrograde analysis, as in a game won by reaching a harvest (or an end) worth t and
// lost by being forced to one worth -t: a position is worth at least t when a harvest or the end
// gives it t, or when a move leads to a position worth -t or less; it is worth -t or less when its
// harvests (or its end) give -t or less and every move that takes nothing leads to a position
// worth t or more. The sets only grow as t goes down, so a position found at t and not at t + 1 is
// worth exactly t or -t, and each one is settled once: when it is, the positions that move to it
// are listed by un-moving and updated (won at t, or one move fewer left to settle). A position
// never settled is worth neither 1 or more nor -1 or less: 0, by an endless line or by a harvest
// or an end worth 0.
//
// The crew shares the work. The first values and the scans for the positions a harvest settles
// are split by ranges of entries; the positions found at t are un-moved wave after wave (those
// settled by one wave make the next), each wave split among the crew, and a parent reached by
// several members is updated by compare-and-swap, so that it is settled once, by one of them.
// The sets of a round are the smallest closed under the two rules above, which no order of
// settling changes: the values are those of a build on one thread, byte for byte.
class TLayerBuild {
public:
    TLayerBuild(int seeds, rules::TRuleSet ruleSet, std::int8_t* values, TCrew& crew,
                const std::atomic<bool>& stop)
        : seeds_(seeds), rules_(ruleSet), values_(values), layer_(values + LayerOffset(seeds)),
          size_(LayerEntries(seeds)), crew_(crew), stop_(stop), state_(size_),
          found_(crew.Members()) {}

    bool Run(std::size_t& workingBytes) {
        if (!Start())
            return false;
        for (int t = seeds_; t >= 1; --t) {
            if (!Scan(t))
                return false;
            while (!wave_.empty())
                if (!Spread(t))
                    return false;
        }
        for (std::size_t entry = 0; entry < size_; ++entry)
            if (state_[entry] != kSettled)
                layer_[entry] = 0;
        workingBytes = std::max(workingBytes, working_);
        return true;
    }

private:
    // Until a position is settled, its entry holds its best harvest, or kNone.
    static constexpr int kNone = -128;
    static constexpr std::uint8_t kSettled = 0x80; // else: the moves still to settle
    // The entries of a chunk (even: both players of a board in the same chunk) and the positions
    // of a wave's chunk: a few milliseconds of work and less, so that the members of the crew end
    // a job close together, as every wave waits for the last chunk of the one before.
    static constexpr std::size_t kRange = 1 << 12, kWaveChunk = 128;

    std::size_t Chunks(std::size_t count, std::size_t chunk) const {
        return (count + chunk - 1) / chunk;
    }
    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

    bool Start() {
        crew_.Run(Chunks(size_, kRange), [&](std::size_t chunk, std::size_t) {
            const std::size_t first = chunk * kRange, end = std::min(size_, first + kRange);
            TPosition board = Unrank(first / 2, seeds_);
            board.Rules = rules_;
            for (std::size_t entry = first; entry < end; ++entry) {
                if (entry % kStopEvery == 0 && Stopped())
                    return;
                TPosition position = board;
                position.ToMove = static_cast<std::uint8_t>(entry % 2 + 1);
                if (rules::IsOver(position)) {
                    layer_[entry] = static_cast<std::int8_t>(LeftMargin(position));
                } else {
                    int best = kNone;
                    std::uint8_t quiet = 0;
                    for (const int pit : rules::LegalMoves(position)) {
                        TPosition child = position;
                        const int taken = rules::Play(child, pit).Captured;
                        if (taken == 0)
                            ++quiet;
                        else
                            best = std::max(best, taken - values_[LayerOffset(seeds_ - taken) +
                                                                  InLayer(child, seeds_ - taken)]);
                    }
                    layer_[entry] = static_cast<std::int8_t>(best);
                    state_[entry] = quiet;
                }
                if (entry % 2 == 1)
                    NextBoard(board);
            }
        });
        return !Stopped();
    }

    // The first wave of t: the positions a harvest (or the end) settles.
    bool Scan(int t) {
        crew_.Run(Chunks(size_, kRange), [&](std::size_t chunk, std::size_t member) {
            const std::size_t first = chunk * kRange, end = std::min(size_, first + kRange);
            if (Stopped())
                return;
            for (std::size_t entry = first; entry < end; ++entry) {
                if (state_[entry] == kSettled)
                    continue;
                if (layer_[entry] >= t)
                    Settle(entry, t, found_[member].Entries);
                else if (state_[entry] == 0 && layer_[entry] <= -t)
                    Settle(entry, -t, found_[member].Entries);
            }
        });
        return NextWave();
    }

    // The parents of the wave: a parent of a position lost at t is won at t; a parent of a
    // position won has one move fewer to settle, and is lost at t when none is left and its
    // harvests give -t or less.
    bool Spread(int t) {
        crew_.Run(Chunks(wave_.size(), kWaveChunk), [&](std::size_t chunk, std::size_t member) {
            if (Stopped())
                return;
            std::vector<std::uint32_t>& found = found_[member].Entries;
            const std::size_t first = chunk * kWaveChunk;
            const std::size_t end = std::min(wave_.size(), first + kWaveChunk);
            for (std::size_t i = first; i < end; ++i) {
                const std::size_t entry = wave_[i];
                const bool won = Value(entry).load(std::memory_order_relaxed) > 0;
                ForEachQuietParent(entry, seeds_, rules_, [&](std::size_t parent) {
                    std::atomic_ref<std::uint8_t> state(state_[parent]);
                    std::uint8_t left = state.load(std::memory_order_relaxed);
                    if (!won) {
                        while (left != kSettled)
                            if (state.compare_exchange_weak(left, kSettled,
                                                            std::memory_order_relaxed)) {
                                Record(parent, t, found);
                                return;
                            }
                        return;
                    }
                    while (left != kSettled &&
                           !state.compare_exchange_weak(left, std::uint8_t(left - 1),
                                                        std::memory_order_relaxed)) {
                    }
                    std::uint8_t none = 0;
                    if (left == 1 && Value(parent).load(std::memory_order_relaxed) <= -t &&
                        state.compare_exchange_strong(none, kSettled, std::memory_order_relaxed))
                        Record(parent, -t, found);
                });
            }
        });
        return NextWave();
    }

    std::atomic_ref<std::int8_t> Value(std::size_t entry) {
        return std::atomic_ref<std::int8_t>(layer_[entry]);
    }
    // A position settled by the member that owns it alone (in a scan).
    void Settle(std::size_t entry, int value, std::vector<std::uint32_t>& found) {
        state_[entry] = kSettled;
        layer_[entry] = static_cast<std::int8_t>(value);
        found.push_back(static_cast<std::uint32_t>(entry));
    }
    // A position whose state the member has just set to settled (in a wave).
    void Record(std::size_t entry, int value, std::vector<std::uint32_t>& found) {
        Value(entry).store(static_cast<std::int8_t>(value), std::memory_order_relaxed);
        found.push_back(static_cast<std::uint32_t>(entry));
    }

    // The positions the crew has just settled make the next wave.
    bool NextWave() {
        if (Stopped())
            return false;
        std::size_t bytes = state_.capacity() + wave_.capacity() * sizeof(std::uint32_t);
        for (const TFound& found : found_)
            bytes += found.Entries.capacity() * sizeof(std::uint32_t);
        working_ = std::max(working_, bytes);
        wave_.clear();
        for (TFound& found : found_) {
            wave_.insert(wave_.end(), found.Entries.begin(), found.Entries.end());
            found.Entries.clear();
        }
        return true;
    }

    const int seeds_;
    const rules::TRuleSet rules_;
    std::int8_t* const values_;
    std::int8_t* const layer_;
    const std::size_t size_;
    TCrew& crew_;
    const std::atomic<bool>& stop_;
    std::vector<std::uint8_t> state_;
    // The positions each member of the crew settled, each list on a cache line of its own: the
    // members add to theirs all the time, and would otherwise take the line from each other.
    struct alignas(64) TFound {
        std::vector<std::uint32_t> Entries;
    };
    std::vector<TFound> found_; // by member of the crew
    std::vector<std::uint32_t> wave_;
    std::size_t working_ = 0; // the most bytes held beside the values
};

// The large table's file: a header, then the values as they are in memory. The rule set is 0 for
// the standard rules, 1 for the full ones.
struct THeader {
    char Magic[8] = {'E', 'K', 'O', 'B', 'T', 'A', 'B', '\n'};
    std::uint32_t Version = 1;
    std::uint32_t Seeds = 0;
    std::uint64_t Entries = 0;
    std::uint64_t Checksum = 0;
    std::uint8_t RuleSet = 0;
    std::uint8_t Reserved[31] = {};
};
static_assert(sizeof(THeader) == 64);

std::uint64_t Checksum(const std::int8_t* values, std::size_t count,
                       const std::atomic<bool>& stop) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ count;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        if (i % (1u << 20) == 0 && stop.load(std::memory_order_relaxed))
            return 0;
        std::uint64_t word;
        std::memcpy(&word, values + i, 8);
        hash = (hash ^ (word * 0xFF51AFD7ED558CCDull)) * 0xC4CEB9FE1A85EC53ull;
        hash ^= hash >> 29;
    }
    for (; i < count; ++i)
        hash = (hash ^ static_cast<std::uint8_t>(values[i])) * 0x100000001B3ull;
    return hash;
}

// endgame-16.table for the standard rules, endgame-full-16.table for the full ones.
std::string FileName(const TStoredTableSettings& settings, rules::TRuleSet ruleSet) {
    return settings.Directory + "/endgame-" + (ruleSet == rules::TRuleSet::Full ? "full-" : "") +
           std::to_string(settings.Seeds) + ".table";
}

} // namespace

// The worker's share of the processor and of the disk: only what nothing else wants.
void LowerThreadPriority() {
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
    constexpr int kIdleClass = 3, kClassShift = 13, kWhoProcess = 1;
    ::syscall(SYS_ioprio_set, kWhoProcess, static_cast<int>(::syscall(SYS_gettid)),
              kIdleClass << kClassShift);
}

std::size_t TableEntries(int maxSeeds) {
    return LayerOffset(maxSeeds + 1);
}

int BuildThreads(int threads) {
    return threads > 0 ? threads
                       : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

bool BuildTable(int maxSeeds, int threads, std::int8_t* values, const std::atomic<bool>& stop,
                TBuildFigures& figures, rules::TRuleSet ruleSet) {
    const auto start = std::chrono::steady_clock::now();
    const double processor = ThreadSeconds();
    TCrew crew(BuildThreads(threads));
    std::size_t working = 0;
    for (int n = 0; n <= maxSeeds; ++n)
        if (!TLayerBuild(n, ruleSet, values, crew, stop).Run(working))
            return false;
    figures.PeakBytes = TableEntries(maxSeeds) + working;
    figures.Threads = static_cast<int>(crew.Members());
    figures.BusiestSeconds = std::max(ThreadSeconds() - processor, crew.End());
    figures.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

// A table file read into the program's own memory, its header checked and its values summed
// before use: what happens to the file afterwards (cut short, written over) changes nothing of
// what the table answers. Whatever stands at the name is opened without waiting and refused
// unless it is a regular file of the table's size.
class TEndgameTable::TLoaded {
public:
    static std::unique_ptr<TLoaded> Read(const std::string& path, int seeds,
                                         rules::TRuleSet ruleSet, const std::atomic<bool>& stop) {
        const std::size_t entries = TableEntries(seeds);
        files::TFileReadProblem problem;
        std::optional<std::string> bytes =
            files::ReadFileBounded(path, sizeof(THeader) + entries, problem);
        if (!bytes || bytes->size() != sizeof(THeader) + entries)
            return nullptr;
        THeader header, expected;
        bytes->copy(reinterpret_cast<char*>(&header), sizeof header);
        auto loaded = std::unique_ptr<TLoaded>(new TLoaded(std::move(*bytes)));
        if (std::memcmp(header.Magic, expected.Magic, sizeof header.Magic) != 0 ||
            header.Version != expected.Version || header.Seeds != std::uint32_t(seeds) ||
            header.RuleSet != static_cast<std::uint8_t>(ruleSet) || header.Entries != entries ||
            header.Checksum != Checksum(loaded->Values(), entries, stop) || stop)
            return nullptr;
        return loaded;
    }
    const std::int8_t* Values() const {
        return reinterpret_cast<const std::int8_t*>(bytes_.data()) + sizeof(THeader);
    }

private:
    explicit TLoaded(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string bytes_;
};

TEndgameTable::TEndgameTable(int maxSeeds, TStoredTableSettings stored, int threads,
                             rules::TRuleSet ruleSet)
    : maxSeeds_(std::clamp(maxSeeds, 0, 24)), storedSettings_(std::move(stored)),
      threads_(BuildThreads(threads)), rules_(ruleSet) {}

TEndgameTable::~TEndgameTable() {
    stop_ = true;
    if (builder_.joinable())
        builder_.join();
}

void TEndgameTable::StartBuilding() {
    if (!builder_.joinable() && builds_ == 0) {
        building_ = true;
        try {
            builder_ = std::thread([this] {
                NameTableThread();
                // Nothing may leave the thread: a table that could not be built (out of memory) is
                // never ready, and the search goes on without it.
                try {
                    BuildSmall();
                    LowerThreadPriority();
                    BuildStored();
                } catch (...) {
                }
                building_ = false;
            });
        } catch (...) {
            // No thread to build it (out of memory or threads): no table, and nothing builds one.
            building_ = false;
            throw;
        }
    }
}

void TEndgameTable::BuildNow() {
    if (builder_.joinable())
        builder_.join();
    if (builds_ == 0) {
        BuildSmall();
        BuildStored();
    }
}

int TEndgameTable::MaxSeeds() const {
    const TView* view = current_.load(std::memory_order_acquire);
    return view ? view->MaxSeeds : maxSeeds_;
}

bool TEndgameTable::Probe(const TPosition& position, int& margin) const {
    const TView* view = current_.load(std::memory_order_acquire);
    if (!view || position.Rules != rules_)
        return false;
    const int seeds = position.SeedsOnBoard();
    if (seeds > view->MaxSeeds)
        return false;
    margin = view->Values[LayerOffset(seeds) + InLayer(position, seeds)];
    return true;
}

std::string TEndgameTable::StoredPath() const {
    return FileName(storedSettings_, rules_);
}

void TEndgameTable::BuildSmall() {
    ++builds_;
    small_.assign(TableEntries(maxSeeds_), 0);
    TBuildFigures figures;
    if (!BuildTable(maxSeeds_, threads_, small_.data(), stop_, figures, rules_))
        return;
    SetFigures(figures, small_.size());
    smallView_ = {small_.data(), maxSeeds_};
    current_.store(&smallView_, std::memory_order_release);
}

// The large table: read from its file when the file is sound; otherwise built and written whole
// over it (files::TAtomicFile: the file is never seen half-written, and nothing is left beside
// it when the build is stopped or fails). While one program builds it, it holds a lock, so that
// two programs never build it at once. Any failure leaves the small table in service.
void TEndgameTable::BuildStored() {
    const int seeds = storedSettings_.Seeds;
    if (seeds <= maxSeeds_ || storedSettings_.Directory.empty() || stop_ || !Ready())
        return;
    const std::string path = FileName(storedSettings_, rules_);
    const auto use = [&](std::unique_ptr<TLoaded> loaded, TStoredTable how) {
        loaded_ = std::move(loaded);
        largeView_ = {loaded_->Values(), seeds};
        current_.store(&largeView_, std::memory_order_release);
        stored_ = how;
    };
    if (auto loaded = TLoaded::Read(path, seeds, rules_, stop_)) {
        use(std::move(loaded), TStoredTable::Mapped);
        return;
    }
    std::string reason;
    if (stop_ ||
        !files::MakeDirectories(storedSettings_.Directory, files::kPrivateDirectoryMode, reason)) {
        stored_ = stop_ ? TStoredTable::None : TStoredTable::Unwritable;
        return;
    }

    // The lock is a file beside the table, locked with flock (released by the system when its
    // holder ends, even killed) and removed by its holder before it lets go. It has the name
    // earlier versions wrote the table under before renaming it, and which they locked the same
    // way: a program of such a version building beside this one is waited for too. While another
    // program holds the lock, this one waits with the small table and reads what the other
    // wrote; a lock taken on a file its holder has just removed (the name no longer leads to it)
    // is taken again.
    const std::string lockPath = path + ".part";
    int fd = -1;
    while (!stop_) {
        const files::TLock taken = files::TryLockFile(lockPath, fd);
        if (taken == files::TLock::Failed) {
            stored_ = TStoredTable::Unwritable;
            return;
        }
        if (taken == files::TLock::Taken) {
            struct stat opened {
            }, named{};
            if (::fstat(fd, &opened) == 0 && ::lstat(lockPath.c_str(), &named) == 0 &&
                opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
                break;
            ::close(fd);
            fd = -1;
        } else {
            stored_ = TStoredTable::Busy;
            for (int i = 0; i < 20 && !stop_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (fd < 0)
        return;
    struct TLock {
        const std::string& Path;
        int Fd;
        ~TLock() {
            ::unlink(Path.c_str());
            ::close(Fd);
        }
    } lock{lockPath, fd};
    if (auto loaded = TLoaded::Read(path, seeds, rules_, stop_)) {
        use(std::move(loaded), TStoredTable::Mapped);
        return;
    }
    // Something else than a file at the table's name (a directory, a named pipe) is left alone;
    // and a disk without room for the file is known before the work.
    const std::size_t entries = TableEntries(seeds);
    struct stat named {};
    struct statvfs disk {};
    if ((::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) ||
        ::statvfs(storedSettings_.Directory.c_str(), &disk) != 0 ||
        static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize <
            sizeof(THeader) + entries) {
        stored_ = TStoredTable::Unwritable;
        return;
    }

    large_.assign(entries, 0);
    TBuildFigures figures;
    if (!BuildTable(seeds, threads_, large_.data(), stop_, figures, rules_))
        return;
    SetFigures(figures, sizeof(THeader) + entries);
    THeader header;
    header.Seeds = static_cast<std::uint32_t>(seeds);
    header.Entries = entries;
    header.RuleSet = static_cast<std::uint8_t>(rules_);
    header.Checksum = Checksum(large_.data(), entries, stop_);
    files::TAtomicFile out;
    files::TFileWriteProblem problem;
    if (stop_ || !out.Open(path, problem, files::kPrivateDirectoryMode) ||
        !out.Write(&header, sizeof header, problem) ||
        !out.Write(large_.data(), entries, problem) || !out.Commit(problem)) {
        // Built all the same: it serves this run from memory.
        stored_ = TStoredTable::Unwritable;
        largeView_ = {large_.data(), seeds};
        current_.store(&largeView_, std::memory_order_release);
        return;
    }
    // The values are read back from the file (the memory they were built in is given back first):
    // what serves is what the next run will find.
    std::vector<std::int8_t>().swap(large_);
    if (auto loaded = TLoaded::Read(path, seeds, rules_, stop_))
        use(std::move(loaded), TStoredTable::Built);
    else
        stored_ = TStoredTable::Unwritable;
}

void TEndgameTable::SetFigures(const TBuildFigures& figures, std::size_t bytes) {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    figures_ = figures;
    bytes_ = bytes;
}

std::size_t TEndgameTable::Bytes() const {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    return bytes_;
}

std::size_t TEndgameTable::PeakBytes() const {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    return figures_.PeakBytes;
}

double TEndgameTable::BuildSeconds() const {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    return figures_.Seconds;
}

double TEndgameTable::BusiestSeconds() const {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    return figures_.BusiestSeconds;
}

int TEndgameTable::Threads() const {
    const std::lock_guard<std::mutex> hold(figuresLock_);
    return figures_.Threads;
}

std::string CacheDirectory() {
    return files::ProgramDirectory(files::TBaseDirectory::Cache).string();
}

namespace {

TStoredTableSettings SharedStoredSettings() {
    TStoredTableSettings stored{CacheDirectory(), kStoredTableSeeds};
    if (const char* seeds = std::getenv("EKOBA_TABLE_SEEDS")) {
        const std::optional<long long> n = files::ParseInteger(seeds, 0, 20);
        if (n && (*n == 0 || *n > kSharedTableSeeds))
            stored.Seeds = static_cast<int>(*n);
    }
    return stored;
}

// Each made when first asked for: a program that never plays by the full rules never builds
// their table.
TEndgameTable& SharedTable(rules::TRuleSet ruleSet) {
    if (ruleSet == rules::TRuleSet::Full) {
        static TEndgameTable full(kSharedTableSeeds, SharedStoredSettings(), 0, ruleSet);
        return full;
    }
    static TEndgameTable standard(kSharedTableSeeds, SharedStoredSettings());
    return standard;
}

} // namespace

const TEndgameTable& SharedEndgameTable(rules::TRuleSet ruleSet) {
    TEndgameTable& table = SharedTable(ruleSet);
    static std::once_flag started[2];
    std::call_once(started[ruleSet == rules::TRuleSet::Full], [&] { table.StartBuilding(); });
    return table;
}

} // namespace ai

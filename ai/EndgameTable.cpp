// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/EndgameTable.h"

#include "files/Files.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
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
template <class TVisit> void ForEachQuietParent(std::size_t entry, int seeds, TVisit&& visit) {
    TPosition child = Unrank(entry / 2, seeds);
    child.ToMove = static_cast<std::uint8_t>(entry % 2 + 1);
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
            if (rules::IsOver(parent))
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
bool BuildLayer(int seeds, std::int8_t* values, const std::atomic<bool>& stop,
                std::size_t& workingBytes) {
    const std::size_t size = LayerEntries(seeds);
    std::int8_t* const layer = values + LayerOffset(seeds);
    // Until a position is settled, its entry holds its best harvest, or kNone.
    constexpr int kNone = -128;
    constexpr std::uint8_t kSettled = 0x80; // else: the moves still to settle
    std::vector<std::uint8_t> state(size);
    std::vector<std::uint32_t> queue;

    TPosition board;
    board.Seeds[kPits] = static_cast<std::uint8_t>(seeds);
    for (std::size_t entry = 0; entry < size; ++entry) {
        if (entry % kStopEvery == 0 && stop.load(std::memory_order_relaxed))
            return false;
        TPosition position = board;
        position.ToMove = static_cast<std::uint8_t>(entry % 2 + 1);
        if (rules::IsOver(position)) {
            layer[entry] = static_cast<std::int8_t>(LeftMargin(position));
        } else {
            int best = kNone;
            std::uint8_t quiet = 0;
            for (const int pit : rules::LegalMoves(position)) {
                TPosition child = position;
                const int taken = rules::Play(child, pit).Captured;
                if (taken == 0)
                    ++quiet;
                else
                    best = std::max(
                        best,
                        taken - values[LayerOffset(seeds - taken) + InLayer(child, seeds - taken)]);
            }
            layer[entry] = static_cast<std::int8_t>(best);
            state[entry] = quiet;
        }
        if (entry % 2 == 1)
            NextBoard(board);
    }

    const auto settle = [&](std::size_t entry, int value) {
        layer[entry] = static_cast<std::int8_t>(value);
        state[entry] = kSettled;
        queue.push_back(static_cast<std::uint32_t>(entry));
    };
    for (int t = seeds; t >= 1; --t) {
        queue.clear();
        for (std::size_t entry = 0; entry < size; ++entry) {
            if (entry % (kStopEvery * 64) == 0 && stop.load(std::memory_order_relaxed))
                return false;
            if (state[entry] != kSettled) {
                if (layer[entry] >= t)
                    settle(entry, t);
                else if (state[entry] == 0 && layer[entry] <= -t)
                    settle(entry, -t);
            }
        }
        for (std::size_t head = 0; head < queue.size(); ++head) {
            if (head % kStopEvery == 0 && stop.load(std::memory_order_relaxed))
                return false;
            const std::size_t entry = queue[head];
            const bool won = layer[entry] > 0;
            ForEachQuietParent(entry, seeds, [&](std::size_t parent) {
                if (state[parent] == kSettled)
                    return;
                if (!won)
                    settle(parent, t);
                else if (--state[parent] == 0 && layer[parent] <= -t)
                    settle(parent, -t);
            });
        }
        workingBytes =
            std::max(workingBytes, state.capacity() + queue.capacity() * sizeof(std::uint32_t));
    }
    for (std::size_t entry = 0; entry < size; ++entry)
        if (state[entry] != kSettled)
            layer[entry] = 0;
    return true;
}

// The large table's file: a header, then the values as they are in memory.
struct THeader {
    char Magic[8] = {'E', 'K', 'O', 'B', 'T', 'A', 'B', '\n'};
    std::uint32_t Version = 1;
    std::uint32_t Seeds = 0;
    std::uint64_t Entries = 0;
    std::uint64_t Checksum = 0;
    std::uint8_t Reserved[32] = {};
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

std::string FileName(const TStoredTableSettings& settings) {
    return settings.Directory + "/endgame-" + std::to_string(settings.Seeds) + ".table";
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

bool BuildTable(int maxSeeds, std::int8_t* values, const std::atomic<bool>& stop,
                TBuildFigures& figures) {
    const auto start = std::chrono::steady_clock::now();
    std::size_t working = 0;
    for (int n = 0; n <= maxSeeds; ++n)
        if (!BuildLayer(n, values, stop, working))
            return false;
    figures.PeakBytes = TableEntries(maxSeeds) + working;
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
                                         const std::atomic<bool>& stop) {
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
            header.Entries != entries ||
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

TEndgameTable::TEndgameTable(int maxSeeds, TStoredTableSettings stored)
    : maxSeeds_(std::clamp(maxSeeds, 0, 24)), storedSettings_(std::move(stored)) {}

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
    if (!view)
        return false;
    const int seeds = position.SeedsOnBoard();
    if (seeds > view->MaxSeeds)
        return false;
    margin = view->Values[LayerOffset(seeds) + InLayer(position, seeds)];
    return true;
}

std::string TEndgameTable::StoredPath() const {
    return FileName(storedSettings_);
}

void TEndgameTable::BuildSmall() {
    ++builds_;
    small_.assign(TableEntries(maxSeeds_), 0);
    TBuildFigures figures;
    if (!BuildTable(maxSeeds_, small_.data(), stop_, figures))
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
    const std::string path = FileName(storedSettings_);
    const auto use = [&](std::unique_ptr<TLoaded> loaded, TStoredTable how) {
        loaded_ = std::move(loaded);
        largeView_ = {loaded_->Values(), seeds};
        current_.store(&largeView_, std::memory_order_release);
        stored_ = how;
    };
    if (auto loaded = TLoaded::Read(path, seeds, stop_)) {
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
    if (auto loaded = TLoaded::Read(path, seeds, stop_)) {
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
    if (!BuildTable(seeds, large_.data(), stop_, figures))
        return;
    SetFigures(figures, sizeof(THeader) + entries);
    THeader header;
    header.Seeds = static_cast<std::uint32_t>(seeds);
    header.Entries = entries;
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
    if (auto loaded = TLoaded::Read(path, seeds, stop_))
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

std::string CacheDirectory() {
    return files::ProgramDirectory(files::TBaseDirectory::Cache).string();
}

const TEndgameTable& SharedEndgameTable() {
    static TEndgameTable table(kSharedTableSeeds, [] {
        TStoredTableSettings stored{CacheDirectory(), kStoredTableSeeds};
        if (const char* seeds = std::getenv("EKOBA_TABLE_SEEDS")) {
            const std::optional<long long> n = files::ParseInteger(seeds, 0, 20);
            if (n && (*n == 0 || *n > kSharedTableSeeds))
                stored.Seeds = static_cast<int>(*n);
        }
        return stored;
    }());
    static std::once_flag started;
    std::call_once(started, [] { table.StartBuilding(); });
    return table;
}

} // namespace ai

// SPDX-License-Identifier: GPL-3.0-or-later
// The large endgame table's cold build, as the game's worker does it:
//   ekobarama-table-bench SEEDS [--threads T] [DIRECTORY]
// builds the table of every position with at most SEEDS seeds on T threads (default: one for
// each core), writes its file into DIRECTORY (default: a new directory under /tmp, removed
// afterwards) and prints the build's wall and processor time, the peak resident memory of the
// process and the bytes of the file.
#include "ai/EndgameTable.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>

namespace {
// A whole number of digits alone, within [least, most].
std::optional<int> Number(const std::string& text, int least, int most) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != text.npos)
        return std::nullopt;
    const int n = std::stoi(text);
    return n >= least && n <= most ? std::optional<int>(n) : std::nullopt;
}
} // namespace

int main(int argc, char** argv) {
    std::optional<int> seeds, threads = 0;
    std::string directory;
    bool wrong = false;
    for (int i = 1; i < argc && !wrong; ++i) {
        const std::string arg = argv[i];
        if (arg == "--threads")
            wrong = i + 1 == argc || !(threads = Number(argv[++i], 1, 64));
        else if (arg.starts_with("-"))
            wrong = true;
        else if (!seeds)
            wrong = !(seeds = Number(arg, 1, 20));
        else if (directory.empty())
            directory = arg;
        else
            wrong = true;
    }
    if (wrong || !seeds) {
        std::fprintf(stderr,
                     "usage: ekobarama-table-bench SEEDS(1-20) [--threads T(1-64)] [DIRECTORY]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const bool temporary = directory.empty();
    if (temporary) {
        char pattern[] = "/tmp/ekobarama-table-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("mkdtemp");
            return 2;
        }
        directory = pattern;
    }

    const auto cpu = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuStart = cpu();
    const auto start = std::chrono::steady_clock::now();
    ai::TEndgameTable table(0, ai::TStoredTableSettings{directory, *seeds}, *threads);
    table.BuildNow();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double processor = cpu() - cpuStart;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const bool kept = table.Stored() == ai::TStoredTable::Built;
    std::error_code error;
    const auto bytes = kept ? fs::file_size(table.StoredPath(), error) : 0;
    std::printf("seeds %d, %d threads: %zu positions; build %.1f s, with checksum, writing and "
                "reading back %.1f s wall, %.1f s processor (busiest thread of the build %.1f s); "
                "peak resident %.1f MB (counted: %.1f MB); file %llu bytes%s\n",
                *seeds, table.Threads(), ai::TableEntries(*seeds), table.BuildSeconds(), wall,
                processor, table.BusiestSeconds(), double(usage.ru_maxrss) / 1024,
                double(table.PeakBytes()) / 1e6, static_cast<unsigned long long>(bytes),
                kept ? "" : " (not written)");
    if (temporary)
        fs::remove_all(directory, error);
    return kept ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The large endgame table's cold build on the calling thread, as the game's worker does it:
//   ekobarama-table-bench SEEDS [DIRECTORY]
// builds the table of every position with at most SEEDS seeds, writes its file into DIRECTORY
// (default: a new directory under /tmp, removed afterwards) and prints the build's wall and
// processor time, the peak resident memory of the process and the bytes of the file.
#include "ai/EndgameTable.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 0;
    if (seeds < 1 || seeds > 20) {
        std::fprintf(stderr, "usage: ekobarama-table-bench SEEDS(1-20) [DIRECTORY]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    std::string directory;
    if (argc > 2) {
        directory = argv[2];
    } else {
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
    ai::TEndgameTable table(0, ai::TStoredTableSettings{directory, seeds});
    table.BuildNow();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double processor = cpu() - cpuStart;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const bool kept = table.Stored() == ai::TStoredTable::Built;
    std::error_code error;
    const auto bytes = kept ? fs::file_size(table.StoredPath(), error) : 0;
    std::printf("seeds %d: %zu positions; build %.1f s, with checksum, writing and mapping %.1f s "
                "wall, %.1f s processor; peak resident %.1f MB (counted: %.1f MB); file %llu "
                "bytes%s\n",
                seeds, ai::TableEntries(seeds), table.BuildSeconds(), wall, processor,
                double(usage.ru_maxrss) / 1024, double(table.PeakBytes()) / 1e6,
                static_cast<unsigned long long>(bytes), kept ? "" : " (not written)");
    if (argc <= 2)
        fs::remove_all(directory, error);
    return kept ? 0 : 1;
}

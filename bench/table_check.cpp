// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-table-check [--rules full] [N]: builds the endgame table of N seeds (16, the large
// table's size, by default; 0 to 20), by the standard rules or the complete ones, in memory and
// checks every position of every layer by the table's equation
// (tests/ai/TableCheck.h): its value is the best of its moves' values, or its final margin. Prints
// the build's and the check's time and the positions checked; exits 1 at the first position that
// breaks the equation.
#include "ai/EndgameTable.h"
#include "tests/ai/TableCheck.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    int seeds = ai::kStoredTableSeeds;
    rules::TRuleSet ruleSet = rules::TRuleSet::Standard;
    if (argc >= 3 && std::strcmp(argv[1], "--rules") == 0 &&
        (std::strcmp(argv[2], "full") == 0 || std::strcmp(argv[2], "standard") == 0)) {
        ruleSet =
            std::strcmp(argv[2], "full") == 0 ? rules::TRuleSet::Full : rules::TRuleSet::Standard;
        argv += 2;
        argc -= 2;
    }
    if (argc > 2 || (argc == 2 && (std::strlen(argv[1]) == 0 || std::strlen(argv[1]) > 2 ||
                                   std::strspn(argv[1], "0123456789") != std::strlen(argv[1]) ||
                                   (seeds = std::atoi(argv[1])) > 20))) {
        std::fprintf(stderr, "usage: ekobarama-table-check [--rules full|standard] [N], N from 0 "
                             "to 20 seeds\n");
        return 2;
    }
    using TClock = std::chrono::steady_clock;
    const auto start = TClock::now();
    ai::TEndgameTable table(seeds, {}, 0, ruleSet);
    table.BuildNow();
    const auto built = TClock::now();
    std::size_t checked = 0;
    for (int n = 0; n <= seeds; ++n) {
        std::string error;
        const std::size_t layer = CheckTableLayer(table, n, error);
        if (layer == 0) {
            std::printf("table of %d seeds, layer of %d: %s\n", seeds, n, error.c_str());
            return 1;
        }
        checked += layer;
    }
    const auto seconds = [](auto span) { return std::chrono::duration<double>(span).count(); };
    std::printf("table of %d seeds%s: built in %.1f s, %zu positions checked in %.1f s\n", seeds,
                ruleSet == rules::TRuleSet::Full ? " (complete rules)" : "", seconds(built - start),
                checked, seconds(TClock::now() - built));
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The game file reader on arbitrary text. It never throws; an error names a line of the text;
// a game that reads is written again, and that text reads back as the same game and writes
// back the same text.
#include "record/GameFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = record::ReadGame(text);
    if (const auto* error = std::get_if<record::TReadError>(&read)) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        if (error->Line < 0 || error->Line > lines ||
            static_cast<int>(error->Fault) >= record::kReadFaultCount || error->Values.size() > 3)
            std::abort();
        return 0;
    }
    const record::TGameRecord& game = std::get<record::TGameRecord>(read);
    const std::string written = record::WriteGame(game);
    const auto again = record::ReadGame(written);
    if (!std::holds_alternative<record::TGameRecord>(again) ||
        !(std::get<record::TGameRecord>(again) == game) ||
        record::WriteGame(std::get<record::TGameRecord>(again)) != written)
        std::abort();
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the engine protocol's reader, line by line: each line is either read
// into a command or refused with a message, and a position read is one the rules can play on.
#include "tools/engine/Protocol.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        protocol::TCommand command;
        std::string error;
        if (protocol::Read(input.substr(0, end), command, error)) {
            if (!error.empty())
                std::abort();
            const rules::TPosition& position = command.Position;
            int seeds = position.Score[1] + position.Score[2];
            for (int pit = 1; pit <= rules::kPits; ++pit)
                seeds += position.Seeds[pit];
            if (command.Verb == protocol::TVerb::Position &&
                (seeds != rules::kTotalSeeds || command.Before.size() != command.Played.size()))
                std::abort();
            if (!rules::IsOver(position))
                for (const int pit : rules::LegalMoves(position))
                    (void)pit;
        } else if (error.empty()) {
            std::abort();
        }
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    return 0;
}

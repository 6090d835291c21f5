// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/GameFile.h"

#include "record/Files.h"

namespace record {

std::variant<TGameRecord, TReadError> ReadGameFile(const std::filesystem::path& file) {
    std::string error;
    const std::optional<std::string> text = ReadFileBounded(file, kMaxGameFileBytes, error);
    if (!text)
        return TReadError{0, error};
    return ReadGame(*text);
}

bool WriteGameFile(const std::filesystem::path& file, const TGameRecord& game, std::string& error) {
    return WriteFileAtomically(file, WriteGame(game), error);
}

} // namespace record

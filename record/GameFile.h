// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game file: plain UTF-8 text in the spirit of PGN (docs/game-file.md tells the format).
//
//   const std::string text = record::WriteGame(game);
//   auto read = record::ReadGame(text);
//   if (const auto* error = std::get_if<record::TReadError>(&read))
//       ... error->Line, error->Fault and its error->Values ...
//
// Reading is strict: every tag and every move is checked (moves against the rules), and any
// input whatever gives either a record or an error naming the line; it never throws.

#include "files/Files.h"
#include "record/Record.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace record {

// The suffix of game files' names, after the dot: the dialogs' default, the unfinished game's
// file.
constexpr std::string_view kGameFileSuffix = "ekoba";

// Bounds of what is read: the whole file, one line, the moves of a game, a name.
constexpr std::size_t kMaxGameFileBytes = 1 << 20;
constexpr std::size_t kMaxLineBytes = 4096;
constexpr int kMaxMoves = 10000;
constexpr int kMaxNameLength = 32; // characters (the preferences panel allows 10)

// The text of the game: its tags, then the moves up to the cursor (the game as it stands on
// the board; moves left after a take-back are not written) and its result.
std::string WriteGame(const TGameRecord& game);

// A move as the game file writes it: the pit's letter as its mover sees it, and "x" with the
// seeds banked when it harvests ("fx4").
std::string MoveText(int pit, int gain);

// What is wrong with a game file. The values each fault names are in TReadError::Values, in
// the order written beside it; the program words the sentence in the person's language.
enum class TReadFault {
    // The file itself, at line 0.
    CannotOpen,      // file, the system's reason
    CannotRead,      // file, the system's reason
    NotARegularFile, // file
    FileTooLarge,    // file, bytes
    // Its text.
    TextTooLarge,     // kibibytes
    LineTooLong,      // bytes
    NotUtf8,          // column
    ControlCharacter, // column
    // Its tags.
    NotAGameFile,
    GameTagFirst,
    UnknownTag,  // tag
    RepeatedTag, // tag
    MissingTag,  // tag
    MalformedTag,
    BadEscape,
    OtherGame, // the game named
    DateTooLong,
    NameTooLong,   // characters
    UnknownPlayer, // the word
    PositionShape,
    NotASeedCount, // the word, the most seeds
    NotAMover,     // the word
    SeedTotal,     // seeds counted, seeds there must be
    UnknownResult, // the word
    UnknownRules,  // the word
    // Its moves.
    TagAfterMoves,
    TextAfterResult, // the word
    NoResult,
    UnclosedComment,
    ResultNotTagged,    // the result, the Result tag's
    ResultNotReached,   // the result
    ResultNotFollowing, // the result, the moves' result
    NumberWithoutMove,
    NotAMoveOrNumber, // the word
    TwoNumbers,
    NumberAfterEnd,    // the number
    WrongNumber,       // the number, the number expected
    NotAMove,          // the word
    MoveAfterEnd,      // the move
    MoveWithoutNumber, // the move, the number expected
    TooManyMoves,      // the most moves
    EmptyPit,          // the move, the pit's letter, the player
    WrongGain,         // the move, the seeds it takes, the seeds written
    // Moves the full rules forbid.
    KillingMove,  // the move, the opponent: it would take all of his seeds
    StarvingMove, // the move, the opponent: he has no seed and it gives him none
};
constexpr int kReadFaultCount = static_cast<int>(TReadFault::StarvingMove) + 1;

struct TReadError {
    int Line = 0; // 1 for the first line; 0 when the error is not in one line
    TReadFault Fault = TReadFault::NotAGameFile;
    std::vector<std::string> Values; // UTF-8
    friend bool operator==(const TReadError&, const TReadError&) = default;
};

// The record of a game file (its cursor after the last move), or the first fault found.
std::variant<TGameRecord, TReadError> ReadGame(std::string_view text);

// The same from a file: read with the size bound, then ReadGame. A file that cannot be read
// gives an error at line 0.
std::variant<TGameRecord, TReadError> ReadGameFile(const std::filesystem::path& file);
// Writes the game's text atomically (see WriteFileAtomically).
bool WriteGameFile(const std::filesystem::path& file, const TGameRecord& game,
                   files::TFileWriteProblem& problem);

} // namespace record

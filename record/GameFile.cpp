// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/GameFile.h"

#include "files/Files.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace record {

namespace {

constexpr std::string_view kGameName = "Ekoba";
constexpr std::size_t kMaxDateLength = 40;
constexpr std::size_t kWrapColumn = 79;

// Who plays a side, by level: a person, then the computer's levels from the weakest.
constexpr std::array<std::string_view, kMaxLevel + 1> kLevelWords = {"personne", "debutant",
                                                                     "moyen", "fort", "expert"};
// The rules a game is played by: the Rules tag's words, by rules::TRuleSet. A file without the tag
// is played by the standard rules.
constexpr std::array<std::string_view, 2> kRuleWords = {"standard", "full"};

// The result of the game at the record's cursor: "*" while it goes on.
std::string ResultOf(const rules::TPosition& position) {
    if (!rules::IsOver(position))
        return "*";
    switch (rules::Outcome(position).Verdict) {
    case rules::TVerdict::Player1:
        return "1-0";
    case rules::TVerdict::Player2:
        return "0-1";
    case rules::TVerdict::Draw:
        break;
    }
    return "1/2-1/2";
}

// The pit a player sees as letter a to f, counted from his left: a player's pits run from his
// left to his right, pit 1 (or 7) first.
char LetterOf(int pit) {
    return static_cast<char>('a' + (pit - 1) % 6);
}

// The length in characters of valid UTF-8 text.
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The byte length of the valid UTF-8 sequence starting text[i], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned int low = 0x80, high = 0xBF; // the second byte's range
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0; // no overlong forms
        if (c == 0xED)
            high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F; // nothing beyond U+10FFFF
    } else
        return 0;
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

// Text for a tag value: valid UTF-8 without control characters, at most maxCharacters
// characters; anything else is left out.
std::string Clean(std::string_view text, std::size_t maxCharacters) {
    std::string clean;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size() && characters < maxCharacters;) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (length > 1 || !IsControl(static_cast<unsigned char>(text[i]))) {
            clean.append(text.substr(i, length));
            ++characters;
        }
        i += length;
    }
    return clean;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

} // namespace

std::string CleanComment(std::string_view text) {
    std::string clean;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (clean.size() + length > kMaxCommentBytes)
            break;
        const char c = text[i];
        if (length > 1 || c == '\n' || !IsControl(static_cast<unsigned char>(c)))
            clean.append(c == '}' ? ")" : text.substr(i, length));
        i += length;
    }
    const std::size_t first = static_cast<std::size_t>(
        std::find_if_not(clean.begin(), clean.end(), IsBlank) - clean.begin());
    clean.erase(0, first);
    while (!clean.empty() && IsBlank(clean.back()))
        clean.pop_back();
    return clean;
}

namespace {

std::string Tag(std::string_view name, std::string_view value) {
    std::string line = "[";
    line += name;
    line += " \"";
    for (const char c : value) {
        if (c == '"' || c == '\\')
            line += '\\';
        line += c;
    }
    line += "\"]\n";
    return line;
}

std::string PositionText(const rules::TPosition& position) {
    std::string text;
    for (int i = 1; i <= rules::kPits; ++i) {
        text += std::to_string(position.Seeds[i]);
        text += i == 6 ? " / " : " ";
    }
    text += "/ " + std::to_string(position.ToMove) + " / " + std::to_string(position.Score[1]) +
            " " + std::to_string(position.Score[2]);
    return text;
}

// ---- Reading

// A fault found while reading: where and what.
struct TFault {
    int Line;
    TReadFault Fault;
    std::vector<std::string> Values = {};
};

std::string Str(std::string_view text) {
    return std::string(text);
}

std::string Str(std::size_t n) {
    return std::to_string(n);
}

// A whole number of at most 9 digits, or nothing.
std::optional<int> Number(std::string_view digits) {
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

// The start position of a Position tag: player 1's pits a to f, "/", player 2's pits a to f,
// "/", the player to move, "/", the two banked scores; 48 seeds in all.
std::optional<rules::TPosition> ParsePosition(std::string_view text, int line,
                                              std::optional<TFault>& why) {
    const std::vector<std::string_view> words = Words(text);
    if (words.size() != 18 || words[6] != "/" || words[13] != "/" || words[15] != "/") {
        why = TFault{line, TReadFault::PositionShape};
        return std::nullopt;
    }
    rules::TPosition position;
    int total = 0;
    auto count = [&](std::string_view word, int max) -> std::optional<int> {
        const std::optional<int> n = Number(word);
        if (!n || *n > max) {
            why = TFault{
                line, TReadFault::NotASeedCount, {Str(word), std::to_string(rules::kTotalSeeds)}};
            return std::nullopt;
        }
        total += *n;
        return n;
    };
    for (int i = 1; i <= rules::kPits; ++i) {
        const auto n =
            count(words[static_cast<std::size_t>(i <= 6 ? i - 1 : i)], rules::kTotalSeeds);
        if (!n)
            return std::nullopt;
        position.Seeds[i] = static_cast<std::uint8_t>(*n);
    }
    if (words[14] != "1" && words[14] != "2") {
        why = TFault{line, TReadFault::NotAMover, {Str(words[14])}};
        return std::nullopt;
    }
    position.ToMove = static_cast<std::uint8_t>(words[14][0] - '0');
    for (int n = 1; n <= 2; ++n) {
        const auto score = count(words[15 + static_cast<std::size_t>(n)], rules::kTotalSeeds);
        if (!score)
            return std::nullopt;
        position.Score[n] = static_cast<std::uint8_t>(*score);
    }
    if (total != rules::kTotalSeeds) {
        why = TFault{line,
                     TReadFault::SeedTotal,
                     {std::to_string(total), std::to_string(rules::kTotalSeeds)}};
        return std::nullopt;
    }
    return position;
}

class TReader {
public:
    explicit TReader(std::string_view text) : Text(text) {}

    std::variant<TGameRecord, TReadError> Read() {
        if (Text.size() > kMaxGameFileBytes) {
            // The line where the bound is crossed, unless a line before it is too long.
            const std::string_view head = Text.substr(0, kMaxGameFileBytes);
            Text = head.substr(0, head.rfind('\n') + 1);
            if (auto fault = SplitLines())
                return Error(*fault);
            const std::size_t lastLine = head.size() - Text.size();
            const int line = static_cast<int>(Lines.size()) + 1;
            return lastLine > kMaxLineBytes
                       ? TReadError{line, TReadFault::LineTooLong, {Str(kMaxLineBytes)}}
                       : TReadError{
                             line, TReadFault::TextTooLarge, {Str(kMaxGameFileBytes / 1024)}};
        }
        if (Text.substr(0, 3) == "\xEF\xBB\xBF")
            Text.remove_prefix(3); // a byte order mark
        if (auto fault = SplitLines())
            return Error(*fault);
        if (auto fault = ReadTags())
            return Error(*fault);
        if (auto fault = ReadMoves())
            return Error(*fault);
        return std::move(Game);
    }

private:
    static TReadError Error(TFault& fault) {
        return TReadError{fault.Line, fault.Fault, std::move(fault.Values)};
    }

    std::string_view Text;
    std::vector<std::string_view> Lines; // without their line ends
    std::size_t Next = 0;                // the next line to read
    TGameRecord Game;
    std::string Result;                                  // of the Result tag
    rules::TRuleSet RuleSet = rules::TRuleSet::Standard; // of the Rules tag

    // Cuts the text into lines, checking each: bounded, valid UTF-8, no control character.
    std::optional<TFault> SplitLines() {
        std::size_t start = 0;
        while (start < Text.size()) {
            std::size_t end = Text.find('\n', start);
            if (end == std::string_view::npos)
                end = Text.size();
            std::string_view line = Text.substr(start, end - start);
            const int number = static_cast<int>(Lines.size()) + 1;
            if (line.size() > kMaxLineBytes)
                return TFault{number, TReadFault::LineTooLong, {Str(kMaxLineBytes)}};
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            for (std::size_t i = 0; i < line.size();) {
                const std::size_t length = SequenceLength(line, i);
                if (length == 0)
                    return TFault{number, TReadFault::NotUtf8, {Str(i + 1)}};
                if (length == 1 && IsControl(static_cast<unsigned char>(line[i])))
                    return TFault{number, TReadFault::ControlCharacter, {Str(i + 1)}};
                i += length;
            }
            Lines.push_back(line);
            start = end + 1;
        }
        return std::nullopt;
    }

    static std::string_view Trim(std::string_view text) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        return text;
    }

    int LineNumber() const { return static_cast<int>(Next) + 1; }

    // The tags, one per line, before the moves; blank lines and ";" comments are passed over.
    std::optional<TFault> ReadTags() {
        std::array<bool, 9> seen{};
        static constexpr std::array<std::string_view, 9> kTags = {
            "Game",      "Date",     "Player1", "Player1By", "Player2",
            "Player2By", "Position", "Rules",   "Result"};
        for (; Next < Lines.size(); ++Next) {
            const std::string_view line = Trim(Lines[Next]);
            if (!line.empty() && line.front() == ';')
                Keep(line.substr(1));
            if (line.empty() || line.front() == ';')
                continue;
            if (line.front() != '[')
                break;
            std::string name, value;
            if (auto fault = ParseTag(line, name, value))
                return fault;
            const auto known = std::find(kTags.begin(), kTags.end(), name);
            if (known == kTags.end())
                return TFault{LineNumber(), TReadFault::UnknownTag, {name}};
            const std::size_t which = static_cast<std::size_t>(known - kTags.begin());
            if (seen[which])
                return TFault{LineNumber(), TReadFault::RepeatedTag, {name}};
            if (which != 0 && !seen[0])
                return TFault{LineNumber(), TReadFault::GameTagFirst};
            seen[which] = true;
            if (auto fault = TakeTag(name, value))
                return fault;
        }
        if (!seen[0])
            return TFault{Next < Lines.size() ? LineNumber() : 1, TReadFault::NotAGameFile};
        for (const std::string_view required : {"Player1", "Player2", "Result"}) {
            const std::size_t which = static_cast<std::size_t>(
                std::find(kTags.begin(), kTags.end(), required) - kTags.begin());
            if (!seen[which])
                return TFault{Next < Lines.size() ? LineNumber() : static_cast<int>(Lines.size()),
                              TReadFault::MissingTag,
                              {Str(required)}};
        }
        // The start (from the Position tag or the opening one) goes by the tagged rules.
        if (Game.Start().Rules != RuleSet) {
            rules::TPosition start = Game.Start();
            start.Rules = RuleSet;
            const std::array<TSide, 3> sides = Game.Sides;
            const std::string date = Game.Date;
            Game = TGameRecord(start);
            Game.Sides = sides;
            Game.Date = date;
        }
        return std::nullopt;
    }

    // [Name "value"], the value with \" and \\ for a quote and a backslash.
    std::optional<TFault> ParseTag(std::string_view line, std::string& name, std::string& value) {
        const TFault malformed{LineNumber(), TReadFault::MalformedTag};
        std::size_t i = 1;
        while (i < line.size() &&
               ((line[i] >= 'A' && line[i] <= 'Z') || (line[i] >= 'a' && line[i] <= 'z') ||
                (line[i] >= '0' && line[i] <= '9')))
            ++i;
        name = line.substr(1, i - 1);
        if (name.empty() || i + 1 >= line.size() || line[i] != ' ' || line[i + 1] != '"')
            return malformed;
        for (i += 2; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\') {
                if (++i == line.size() || (line[i] != '"' && line[i] != '\\'))
                    return TFault{LineNumber(), TReadFault::BadEscape};
            }
            value += line[i];
        }
        if (i + 2 != line.size() || line[i] != '"' || line[i + 1] != ']')
            return malformed;
        return std::nullopt;
    }

    std::optional<TFault> TakeTag(const std::string& name, const std::string& value) {
        const int line = LineNumber();
        if (name == "Game") {
            if (value != kGameName)
                return TFault{line, TReadFault::OtherGame, {value}};
        } else if (name == "Date") {
            if (CharacterCount(value) > kMaxDateLength)
                return TFault{line, TReadFault::DateTooLong};
            Game.Date = value;
        } else if (name == "Player1" || name == "Player2") {
            if (CharacterCount(value) > static_cast<std::size_t>(kMaxNameLength))
                return TFault{line, TReadFault::NameTooLong, {std::to_string(kMaxNameLength)}};
            Game.Sides[name == "Player1" ? 1 : 2].Name = value;
        } else if (name == "Player1By" || name == "Player2By") {
            const auto word = std::find(kLevelWords.begin(), kLevelWords.end(), value);
            if (word == kLevelWords.end())
                return TFault{line, TReadFault::UnknownPlayer, {value}};
            Game.Sides[name == "Player1By" ? 1 : 2].Level =
                static_cast<int>(word - kLevelWords.begin());
        } else if (name == "Position") {
            std::optional<TFault> why;
            const std::optional<rules::TPosition> start = ParsePosition(value, line, why);
            if (!start)
                return why;
            const std::array<TSide, 3> sides = Game.Sides;
            const std::string date = Game.Date;
            Game = TGameRecord(*start);
            Game.Sides = sides;
            Game.Date = date;
        } else if (name == "Rules") {
            const auto word = std::find(kRuleWords.begin(), kRuleWords.end(), value);
            if (word == kRuleWords.end())
                return TFault{line, TReadFault::UnknownRules, {value}};
            RuleSet = static_cast<rules::TRuleSet>(word - kRuleWords.begin());
        } else if (name == "Result") {
            if (value != "1-0" && value != "0-1" && value != "1/2-1/2" && value != "*")
                return TFault{line, TReadFault::UnknownResult, {value}};
            Result = value;
        }
        return std::nullopt;
    }

    // The moves, numbered in pairs, up to the result; comments in braces or after ";".
    std::optional<TFault> ReadMoves() {
        int lastLine = 1;
        bool ended = false;
        for (; Next < Lines.size(); ++Next) {
            std::size_t i = 0;
            while (i < Lines[Next].size()) {
                // A comment may end on a later line: the line is read again at every word.
                const std::string_view line = Lines[Next];
                const char c = line[i];
                if (c == ' ' || c == '\t') {
                    ++i;
                    continue;
                }
                lastLine = LineNumber();
                if (c == ';') {
                    Keep(line.substr(i + 1));
                    break;
                }
                if (c == '{') {
                    if (auto fault = SkipComment(i))
                        return fault;
                    continue;
                }
                if (c == '[')
                    return TFault{LineNumber(), TReadFault::TagAfterMoves};
                std::size_t end = i;
                while (end < line.size() && line[end] != ' ' && line[end] != '\t' &&
                       line[end] != '{' && line[end] != ';')
                    ++end;
                const std::string_view word = line.substr(i, end - i);
                i = end;
                if (ended)
                    return TFault{LineNumber(), TReadFault::TextAfterResult, {Str(word)}};
                if (auto fault = TakeWord(word, ended))
                    return fault;
            }
        }
        if (!ended)
            return TFault{lastLine, TReadFault::NoResult};
        Flush();
        return std::nullopt;
    }

    // Reads a comment from the brace at line[i], over several lines if need be, and keeps it.
    std::optional<TFault> SkipComment(std::size_t& i) {
        const int opened = LineNumber();
        std::size_t close = Lines[Next].find('}', i);
        std::string text(Lines[Next].substr(
            i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1));
        while (close == std::string_view::npos) {
            if (++Next == Lines.size())
                return TFault{opened, TReadFault::UnclosedComment};
            close = Lines[Next].find('}');
            if (text.size() <= kMaxCommentBytes) // what is kept is no longer
                text += "\n" + std::string(Lines[Next].substr(0, close));
        }
        Keep(text);
        i = close + 1;
        return std::nullopt;
    }

    // Comments are kept with the move before them (those before the first move with the game):
    // gathered while they come, one a line, then given to the move once the next one is read.
    void Keep(std::string_view text) {
        if (Pending.size() >= kMaxCommentBytes)
            return;
        const std::string clean = CleanComment(text);
        if (clean.empty())
            return;
        if (!Pending.empty())
            Pending += '\n';
        Pending += clean;
    }

    void Flush() {
        if (Game.Length() == 0)
            Game.SetCommentBefore(Pending);
        else
            Game.SetCommentAfter(Game.Length() - 1, Pending);
        Pending.clear();
    }

    std::optional<TFault> TakeWord(std::string_view word, bool& ended) {
        const int line = LineNumber();
        if (word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*") {
            if (word != Result)
                return TFault{line, TReadFault::ResultNotTagged, {Str(word), Result}};
            const std::string result = ResultOf(Game.Current());
            if (word != result)
                return result == "*"
                           ? TFault{line, TReadFault::ResultNotReached, {Str(word)}}
                           : TFault{line, TReadFault::ResultNotFollowing, {Str(word), result}};
            if (NumberRead)
                return TFault{line, TReadFault::NumberWithoutMove};
            ended = true;
            return std::nullopt;
        }
        if (word[0] >= '0' && word[0] <= '9') {
            // A move number: "3." before player 1's move, "3..." before player 2's.
            const std::size_t dot = word.find('.');
            if (dot == std::string_view::npos)
                return TFault{line, TReadFault::NotAMoveOrNumber, {Str(word)}};
            const std::optional<int> number = Number(word.substr(0, dot));
            std::string_view rest = word.substr(dot);
            const bool forSecond = rest.substr(0, 3) == "...";
            rest.remove_prefix(forSecond ? 3 : 1);
            if (NumberRead)
                return TFault{line, TReadFault::TwoNumbers};
            const int expected = FullMove();
            const int mover = Game.Current().ToMove;
            const std::string want = std::to_string(expected) + (mover == 1 ? "." : "...");
            if (!number || *number != expected || forSecond != (mover == 2) || Game.Over()) {
                const std::string given = Str(word.substr(0, word.size() - rest.size()));
                return Game.Over() ? TFault{line, TReadFault::NumberAfterEnd, {given}}
                                   : TFault{line, TReadFault::WrongNumber, {given, want}};
            }
            NumberRead = true;
            if (!rest.empty())
                return TakeWord(rest, ended);
            return std::nullopt;
        }
        return TakeMove(word);
    }

    // A move: the letter of the mover's pit, a to f from his left, and "x" with the seeds it
    // takes, if any.
    std::optional<TFault> TakeMove(std::string_view word) {
        const int line = LineNumber();
        const bool shape = word[0] >= 'a' && word[0] <= 'f' &&
                           (word.size() == 1 || (word.size() > 2 && word[1] == 'x'));
        std::optional<int> taken;
        if (shape && word.size() > 2)
            taken = Number(word.substr(2));
        if (!shape || (word.size() > 2 && !taken))
            return TFault{line, TReadFault::NotAMove, {Str(word)}};
        const int mover = Game.Current().ToMove;
        if (Game.Over())
            return TFault{line, TReadFault::MoveAfterEnd, {Str(word)}};
        if (mover == 1 && !NumberRead)
            return TFault{
                line, TReadFault::MoveWithoutNumber, {Str(word), std::to_string(FullMove()) + "."}};
        if (Game.Length() >= kMaxMoves)
            return TFault{line, TReadFault::TooManyMoves, {std::to_string(kMaxMoves)}};
        const int pit = (mover == 1 ? 0 : 6) + (word[0] - 'a') + 1;
        if (!Game.IsLegal(pit)) {
            const rules::TPosition::TRefusal refusal = Game.Current().Refusal(pit);
            const std::string opponent = std::to_string(rules::Opponent(mover));
            if (refusal == rules::TPosition::TRefusal::Kills)
                return TFault{line, TReadFault::KillingMove, {Str(word), opponent}};
            if (refusal == rules::TPosition::TRefusal::DoesNotFeed)
                return TFault{line, TReadFault::StarvingMove, {Str(word), opponent}};
            return TFault{line,
                          TReadFault::EmptyPit,
                          {Str(word), std::string(1, word[0]), std::to_string(mover)}};
        }
        Flush();
        const rules::TMoveTrace move = Game.Play(pit);
        if (taken && *taken != move.Gain)
            return TFault{line,
                          TReadFault::WrongGain,
                          {Str(word), std::to_string(move.Gain), std::to_string(*taken)}};
        NumberRead = false;
        return std::nullopt;
    }

    // The number of the pair of moves at the cursor: 1 for the first move and the answer to it.
    int FullMove() const {
        const int first = Game.Start().ToMove;
        return (Game.Length() + (first == 2 ? 1 : 0)) / 2 + 1;
    }

    bool NumberRead = false; // a move number was read and its move not yet
    std::string Pending;     // the comments since the last move
};

} // namespace

std::string WriteGame(const TGameRecord& game) {
    std::string text = Tag("Game", kGameName);
    text += Tag("Date", Clean(game.Date, kMaxDateLength));
    for (int n = 1; n <= 2; ++n) {
        const std::string side = "Player" + std::to_string(n);
        text += Tag(side, Clean(game.Sides[n].Name, static_cast<std::size_t>(kMaxNameLength)));
        const int level = std::clamp(game.Sides[n].Level, kPersonLevel, kMaxLevel);
        text += Tag(side + "By", kLevelWords[static_cast<std::size_t>(level)]);
    }
    const rules::TRuleSet ruleSet = game.Start().Rules;
    if (ruleSet != rules::TRuleSet::Standard)
        text += Tag("Rules", kRuleWords[static_cast<std::size_t>(ruleSet)]);
    if (game.Start() != rules::TPosition::Start(ruleSet))
        text += Tag("Position", PositionText(game.Start()));
    const std::string result = ResultOf(game.Current());
    text += Tag("Result", result);
    text += '\n';
    if (!game.CommentBefore().empty())
        text += "{" + game.CommentBefore() + "}\n";

    // Words are wrapped at the column; a comment of several lines goes on from where its last
    // line ends.
    std::string line;
    auto put = [&](const std::string& word) {
        const std::size_t firstLine = std::min(word.find('\n'), word.size());
        if (!line.empty() && line.size() + 1 + firstLine > kWrapColumn) {
            text += line + '\n';
            line.clear();
        }
        if (!line.empty())
            line += ' ';
        line += word;
        if (const std::size_t end = line.rfind('\n'); end != std::string::npos) {
            text += line.substr(0, end + 1);
            line.erase(0, end + 1);
        }
    };
    // A pair of moves stays on one line, "12. b ex3", unless a comment follows the first:
    // "12. b {...} 12... ex3".
    std::string pair;
    int fullMove = 1;
    for (int ply = 0; ply < game.Cursor(); ++ply) {
        const rules::TMoveTrace move = game.TraceAt(ply);
        if (move.Mover == 1)
            pair = std::to_string(fullMove) + ". ";
        else if (pair.empty())
            pair = std::to_string(fullMove) + "... ";
        else
            pair += ' ';
        pair += MoveText(move.Pit, move.Gain);
        if (const std::string& comment = game.CommentAfter(ply); !comment.empty()) {
            put(pair);
            pair.clear();
            put("{" + comment + "}");
        }
        if (move.Mover == 2) {
            if (!pair.empty())
                put(pair);
            pair.clear();
            ++fullMove;
        }
    }
    if (!pair.empty())
        put(pair);
    put(result);
    text += line + '\n';
    return text;
}

std::string MoveText(int pit, int gain) {
    std::string text(1, LetterOf(pit));
    if (gain > 0)
        text += "x" + std::to_string(gain);
    return text;
}

std::variant<TGameRecord, TReadError> ReadGame(std::string_view text) {
    return TReader(text).Read();
}

std::variant<TGameRecord, TReadError> ReadGameFile(const std::filesystem::path& file) {
    files::TFileReadProblem problem;
    const std::optional<std::string> text =
        files::ReadFileBounded(file, kMaxGameFileBytes, problem);
    if (!text) {
        switch (problem.Fault) {
        case files::TFileReadFault::CannotOpen:
            return TReadError{0, TReadFault::CannotOpen, {file.string(), problem.Reason}};
        case files::TFileReadFault::CannotRead:
            return TReadError{0, TReadFault::CannotRead, {file.string(), problem.Reason}};
        case files::TFileReadFault::NotARegularFile:
            return TReadError{0, TReadFault::NotARegularFile, {file.string()}};
        case files::TFileReadFault::TooLarge:
            break;
        }
        return TReadError{0, TReadFault::FileTooLarge, {file.string(), Str(kMaxGameFileBytes)}};
    }
    return ReadGame(*text);
}

bool WriteGameFile(const std::filesystem::path& file, const TGameRecord& game,
                   files::TFileWriteProblem& problem) {
    return files::WriteFileAtomically(file, WriteGame(game), problem);
}

} // namespace record

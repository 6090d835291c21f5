// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/GameFile.h"
#include "tests/rules/RandomPosition.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using record::TGameRecord;
using record::TReadError;

namespace {

TGameRecord RandomGame(std::mt19937& random, bool fromStart, int maxMoves = 1000) {
    static const std::vector<std::string> names = {
        "Joueur 1", "Ordinateur", "", "Amélie \"Mimi\"", "C:\\jeux", "Ngũgĩ", "ÉÀ 游戏 ok"};
    rules::TPosition start = fromStart ? rules::TPosition::Start() : RandomPosition(random);
    start.Rules = random() % 2 ? rules::TRuleSet::Full : rules::TRuleSet::Standard;
    TGameRecord game(start);
    for (int n = 1; n <= 2; ++n)
        game.Sides[n] = {names[random() % names.size()], static_cast<int>(random() % 5)};
    game.Date = random() % 4 ? "2026-12-07" : "";
    // Comments as the review writes them, as a person might, and what cannot be kept as it is:
    // a closing brace, control characters, blanks at the ends, broken UTF-8, too many bytes.
    static const std::vector<std::string> comments = {
        "",
        "review: loses 2.5, worth -1, best c worth +1.5, searched",
        "sown into a, b and c;\nthen { c and b taken",
        "} [Game \"Ekoba\"] 1-0 ;",
        "  \n\tindented\r\n\x01",
        "Ngũgĩ \xC3( 游戏",
        std::string(1500, 'w') + "\n" + std::string(1500, 'y'),
        std::string(30, 'a') + " " + std::string(60, 'b') + "\n" + std::string(90, 'c')};
    const bool commented = random() % 2;
    const auto comment = [&] { return commented ? comments[random() % comments.size()] : ""; };
    game.SetCommentBefore(comment());
    while (!game.Over() && game.Length() < maxMoves) {
        const rules::TMoves moves = rules::LegalMoves(game.Current());
        game.Play(moves.Pit[random() % moves.Count]);
        game.SetCommentAfter(game.Length() - 1, comment());
    }
    return game;
}

// The game as a file gives it: the moves up to the cursor, the cursor at the end.
TGameRecord AsSaved(const TGameRecord& game) {
    TGameRecord saved(game.Start());
    saved.Sides = game.Sides;
    saved.Date = game.Date;
    saved.SetCommentBefore(game.CommentBefore());
    for (int ply = 0; ply < game.Cursor(); ++ply) {
        saved.Play(game.MoveAt(ply));
        saved.SetCommentAfter(ply, game.CommentAfter(ply));
    }
    return saved;
}

int LineCount(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Reads a text that may be damaged: an error names a line of the text and a fault; a
// record is written again and reads back the same. True for a record.
bool ReadsSafely(std::string_view text, const std::string& what) {
    const auto read = record::ReadGame(text);
    if (const auto* error = std::get_if<TReadError>(&read)) {
        EXPECT_GE(error->Line, 0) << what;
        EXPECT_LE(error->Line, LineCount(text)) << what;
        EXPECT_LT(static_cast<int>(error->Fault), record::kReadFaultCount) << what;
        return false;
    }
    const TGameRecord& game = std::get<TGameRecord>(read);
    const auto again = record::ReadGame(record::WriteGame(game));
    EXPECT_TRUE(std::holds_alternative<TGameRecord>(again) && std::get<TGameRecord>(again) == game)
        << what;
    return true;
}

} // namespace

TEST(GameFile, WrittenGamesReadBackAsTheyWereOnTheBoard) {
    std::mt19937 random(77);
    for (int game = 0; game < 300; ++game) {
        TGameRecord original = RandomGame(random, game % 3 != 0);
        original.SeekTo(static_cast<int>(random() % (original.Length() + 1)));
        const std::string text = record::WriteGame(original);
        const auto read = record::ReadGame(text);
        ASSERT_TRUE(std::holds_alternative<TGameRecord>(read))
            << std::get<TReadError>(read).Line << ": fault "
            << static_cast<int>(std::get<TReadError>(read).Fault) << "\n"
            << text;
        EXPECT_EQ(std::get<TGameRecord>(read), AsSaved(original)) << text;
        EXPECT_EQ(record::WriteGame(std::get<TGameRecord>(read)), text);
    }
    // What could not be read back is left out when writing: control characters, a name too
    // long, broken UTF-8.
    TGameRecord odd;
    odd.Sides[1].Name = "a\nb\x01" + std::string(40, 'z');
    odd.Sides[2].Name = "\xC3(\xE2\x82";
    odd.Sides[2].Level = 9;
    const auto read = record::ReadGame(record::WriteGame(odd));
    ASSERT_TRUE(std::holds_alternative<TGameRecord>(read));
    EXPECT_EQ(std::get<TGameRecord>(read).Sides[1].Name, "ab" + std::string(30, 'z'));
    EXPECT_EQ(std::get<TGameRecord>(read).Sides[2], (record::TSide{"(", 4}));
}

TEST(GameFile, TheDocumentedExampleIsAGameOfEkoba) {
    std::ifstream page(std::string(std::getenv("EKOBA_SOURCE_DIR")) + "/docs/game-file.md");
    std::stringstream text;
    text << page.rdbuf();
    const std::string doc = text.str();
    const std::size_t start = doc.find("```\n") + 4;
    const auto read = record::ReadGame(doc.substr(start, doc.find("```", start) - start));
    ASSERT_TRUE(std::holds_alternative<TGameRecord>(read)) << std::get<TReadError>(read).Line;
    const TGameRecord& game = std::get<TGameRecord>(read);
    EXPECT_EQ(game.Sides[1], (record::TSide{"Amina", 0}));
    EXPECT_EQ(game.Sides[2], (record::TSide{"Ordinateur", 3}));
    EXPECT_EQ(game.Length(), 12);
    EXPECT_EQ(game.TraceAt(3).Gain, 4);
    ASSERT_TRUE(game.Over());
    const rules::TOutcome outcome = rules::Outcome(game.Current());
    EXPECT_EQ(outcome.Final[1], 22);
    EXPECT_EQ(outcome.Final[2], 26);
    EXPECT_EQ(game.CommentBefore(), "The end of a game, from a position set up by hand.");
    EXPECT_EQ(game.CommentAfter(3), "sown into Amina's a, b and c;\nthen c and b taken");
}

// A comment goes with the move before it, several after one move are kept one a line, those
// before the first move (among the tags too) with the game, those after the result with the last
// move.
TEST(GameFile, CommentsAreKeptWithTheMoveBeforeThem) {
    const auto read = record::ReadGame("; first\n[Game \"Ekoba\"]\n;second\n[Player1 \"A\"]\n"
                                       "[Player2 \"B\"]\n[Result \"*\"]\n{third}\n1. {}c ; fourth\n"
                                       "{ fifth\n sixth } 1... c { seventh } * {eighth}");
    ASSERT_TRUE(std::holds_alternative<TGameRecord>(read))
        << std::get<TReadError>(read).Line << " "
        << static_cast<int>(std::get<TReadError>(read).Fault);
    const TGameRecord& game = std::get<TGameRecord>(read);
    EXPECT_EQ(game.CommentBefore(), "first\nsecond\nthird");
    EXPECT_EQ(game.CommentAfter(0), "fourth\nfifth\n sixth");
    EXPECT_EQ(game.CommentAfter(1), "seventh\neighth");
    EXPECT_EQ(record::WriteGame(game).substr(record::WriteGame(game).find("\n\n") + 2),
              "{first\nsecond\nthird}\n1. c {fourth\nfifth\n sixth} 1... c {seventh\neighth} *\n");
}

TEST(GameFile, AFaultIsToldWithItsLine) {
    const std::string head = "[Game \"Ekoba\"]\n[Player1 \"A\"]\n[Player2 \"B\"]\n";
    using F = record::TReadFault;
    using V = std::vector<std::string>;
    const struct {
        std::string Text;
        int Line;
        F Fault;
        V Values;
    } cases[] = {
        {"", 1, F::NotAGameFile, {}},
        {"[Event \"Chess\"]\n", 1, F::UnknownTag, {"Event"}},
        {"[Game \"Oware\"]\n", 1, F::OtherGame, {"Oware"}},
        {head + "[Result \"*\"]\n[Player1 \"C\"]\n", 5, F::RepeatedTag, {"Player1"}},
        {head + "\n1. c d *\n", 5, F::MissingTag, {"Result"}},
        {head + "[Result \"*\"]\n\n1. c d\n2. a\n", 7, F::NoResult, {}},
        {head + "[Result \"*\"]\n1. c d\n2. c *\n", 6, F::EmptyPit, {"c", "c", "1"}},
        {head + "[Result \"*\"]\n1. c d 3. a *\n", 5, F::WrongNumber, {"3.", "2."}},
        {head + "[Result \"*\"]\n1. cx2 *\n", 5, F::WrongGain, {"cx2", "0", "2"}},
        {head + "[Result \"*\"]\n1. cx99999999999 *\n", 5, F::NotAMove, {"cx99999999999"}},
        {head + "[Result \"*\"]\n{\n1. c\n", 5, F::UnclosedComment, {}},
        {head + "[Result \"1-0\"]\n1. c 1-0\n", 5, F::ResultNotReached, {"1-0"}},
        {head + "[Result \"*\"]\n1. c * d\n", 5, F::TextAfterResult, {"d"}},
        {"[Date \"x\"]\n" + head, 1, F::GameTagFirst, {}},
        {head + "[Position \"4 4 4 4 4 4 / 4 4 4 4 4 5 / 1 / 0 0\"]\n",
         4,
         F::SeedTotal,
         {"49", "48"}},
        {head + "[Position \"4 4 4 4 4 4 / 4 4 4 4 4 4 / 3 / 0 0\"]\n", 4, F::NotAMover, {"3"}},
        {head + "[Result \"*\"]\n1. g *\n", 5, F::NotAMove, {"g"}},
        {head + "[Player1By \"maitre\"]\n", 4, F::UnknownPlayer, {"maitre"}},
        {head + "[Rules \"maison\"]\n", 4, F::UnknownRules, {"maison"}},
        {head + "[Result \"*\"]\n1. c \x01 *\n", 5, F::ControlCharacter, {"6"}},
        {head + "[Result \"*\"]\n1. c \xC0\xAF *\n", 5, F::NotUtf8, {"6"}},
        {head + "[Result \"*\"]\n" + std::string(5000, ' ') + "\n", 5, F::LineTooLong, {"4096"}},
        {head + "[Result \"*\"]\n" + std::string(10 << 20, 'a') + "\n", 5, F::LineTooLong, {}},
        {head + "[Result \"*\"]\n" + std::string(1 << 20, '\n'),
         (1 << 20) - 51,
         F::TextTooLarge,
         {"1024"}},
    };
    for (const auto& c : cases) {
        const auto read = record::ReadGame(c.Text);
        const std::string what = c.Text.substr(0, 200);
        ASSERT_TRUE(std::holds_alternative<TReadError>(read)) << what;
        const TReadError& error = std::get<TReadError>(read);
        EXPECT_EQ(error.Line, c.Line) << what;
        EXPECT_EQ(error.Fault, c.Fault) << what << " gives fault " << static_cast<int>(error.Fault);
        if (!c.Values.empty()) {
            EXPECT_EQ(error.Values, c.Values) << what;
        }
    }
}

// The same moves from the same position: played by the standard rules in a file without the Rules
// tag, refused by the full rules with the line of the move and why.
TEST(GameFile, TheRulesTagDecidesWhichMovesAreRefused) {
    const std::string head = "[Game \"Ekoba\"]\n[Player1 \"A\"]\n[Player2 \"B\"]\n";
    using F = record::TReadFault;
    const struct {
        std::string Position, Standard, Full;
        F Fault;
    } cases[] = {
        {"1 0 0 0 0 1 / 1 0 0 0 0 0 / 1 / 23 22", "1. fx2 1-0", "1. f *", F::KillingMove},
        {"1 0 0 0 0 1 / 0 0 0 0 0 0 / 1 / 23 23", "1. a 1-0", "1. a *", F::StarvingMove},
    };
    for (const auto& c : cases) {
        const std::string position = "[Position \"" + c.Position + "\"]\n";
        const auto standard =
            record::ReadGame(head + position + "[Result \"1-0\"]\n" + c.Standard + "\n");
        ASSERT_TRUE(std::holds_alternative<TGameRecord>(standard)) << c.Standard;
        const TGameRecord& game = std::get<TGameRecord>(standard);
        EXPECT_EQ(game.Start().Rules, rules::TRuleSet::Standard);
        EXPECT_EQ(game.Length(), 1);
        EXPECT_EQ(record::WriteGame(game).find("[Rules"), std::string::npos);

        const auto full = record::ReadGame(head + position + "[Rules \"full\"]\n[Result \"*\"]\n" +
                                           c.Full + "\n");
        ASSERT_TRUE(std::holds_alternative<TReadError>(full)) << c.Full;
        EXPECT_EQ(std::get<TReadError>(full), (TReadError{7, c.Fault, {c.Full.substr(3, 1), "2"}}));
    }
}

// A written game without one of the tags every file must have is refused, naming the tag (a
// file without its first tag, the game's name, is told as such).
class RequiredTag : public testing::TestWithParam<std::string> {};
TEST_P(RequiredTag, AFileWithoutItIsRefused) {
    std::mt19937 random(11);
    const std::string text = record::WriteGame(RandomGame(random, true, 20));
    const std::string tag = "[" + GetParam() + " ";
    const std::size_t at = text.find(tag);
    ASSERT_NE(at, std::string::npos) << text;
    std::string without = text;
    without.erase(at, text.find('\n', at) + 1 - at);
    const auto read = record::ReadGame(without);
    ASSERT_TRUE(std::holds_alternative<TReadError>(read)) << without;
    const TReadError& error = std::get<TReadError>(read);
    if (GetParam() == "Game") {
        EXPECT_EQ(error.Fault, record::TReadFault::GameTagFirst);
    } else {
        EXPECT_EQ(error.Fault, record::TReadFault::MissingTag);
        EXPECT_EQ(error.Values, std::vector<std::string>{GetParam()});
    }
}
INSTANTIATE_TEST_SUITE_P(GameFile, RequiredTag,
                         testing::Values("Game", "Player1", "Player2", "Result"));

// Damaged copies of real games: cut at every byte, moves and numbers changed, bytes flipped,
// junk. Each gives a message naming a line of the text, or a game that reads back the same.
TEST(GameFile, DamagedFilesGiveAMessageNeverACrash) {
    std::mt19937 random(99);
    const TGameRecord game = RandomGame(random, true);
    const std::string text = record::WriteGame(game);
    int errors = 0, files = 0;
    for (std::size_t cut = 0; cut < text.size(); ++cut, ++files) {
        const std::string_view part = std::string_view(text).substr(0, cut);
        // Only the last line end may go without changing the game.
        if (ReadsSafely(part, "cut at " + std::to_string(cut)))
            EXPECT_EQ(cut, text.size() - 1);
        else
            ++errors;
    }
    // Every move letter and every digit replaced by others.
    for (std::size_t i = text.find("\n\n"); i < text.size(); ++i) {
        for (const char* other : {"a", "f", "g", "x", "9", "99999999999", "{", "}", ";", "."}) {
            if (text[i] == ' ' || text[i] == '\n')
                continue;
            std::string changed = text;
            changed.replace(i, 1, other);
            errors += !ReadsSafely(changed, "changed at " + std::to_string(i));
            ++files;
        }
        i += random() % 20; // a sample of the places
    }
    // Bytes flipped anywhere, and junk.
    for (int n = 0; n < 1000; ++n, ++files) {
        std::string changed = text;
        for (int k = 0; k < 1 + n % 4; ++k)
            changed[random() % changed.size()] = static_cast<char>(random());
        errors += !ReadsSafely(changed, "flipped " + std::to_string(n));
    }
    for (int n = 0; n < 200; ++n, ++files) {
        std::string junk(random() % 3000, '\0');
        for (char& c : junk)
            c = static_cast<char>(n % 2 ? random()
                                        : " \n{}[]\"\\.x0123456789abcdef*;"[random() % 28]);
        errors += !ReadsSafely(junk, "junk " + std::to_string(n));
    }
    EXPECT_GT(files, 2000);
    EXPECT_GT(errors, files * 9 / 10);
}

// Three seeds that go round the board for ever: a game as long as a file may hold.
TEST(GameFile, TenThousandMovesAreTheMost) {
    rules::TPosition start;
    start.Seeds[4] = start.Seeds[9] = start.Seeds[11] = 1;
    start.Score[1] = 45;
    auto game = [&](int length) {
        TGameRecord record(start);
        for (const int pit : {4, 9, 5, 10, 6, 11, 1, 7})
            record.Play(pit);
        for (int k = 0; record.Length() < length; ++k)
            EXPECT_NE(record.Play(std::array{2, 12, 3, 8, 4, 9, 5, 10, 6, 7, 1, 11}[k % 12]).Pit,
                      0);
        return record::WriteGame(record);
    };
    EXPECT_TRUE(std::holds_alternative<TGameRecord>(record::ReadGame(game(record::kMaxMoves))));
    const std::string longer = game(record::kMaxMoves + 1);
    const auto read = record::ReadGame(longer);
    ASSERT_TRUE(std::holds_alternative<TReadError>(read));
    EXPECT_EQ(std::get<TReadError>(read).Line, LineCount(longer) - 1);
    EXPECT_EQ(std::get<TReadError>(read).Fault, record::TReadFault::TooManyMoves);
}

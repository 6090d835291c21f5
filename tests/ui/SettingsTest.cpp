// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Settings.h"

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

std::mt19937 random(20261208);

int Pick(int n) {
    return std::uniform_int_distribution(0, n - 1)(random);
}

// A name the panel could have given: 1 to 10 characters (UTF-16 units, as the panel counts
// them), accented and wide letters among them, no blank at either end.
QString RandomName() {
    static const QStringList pieces = {"a", "Z", "é", "Ç", " ", "-", "'", "ß", "漢", "😀", "9"};
    const int length = 1 + Pick(10);
    QString name;
    while (name.size() < length) {
        const QString& piece = pieces[Pick(static_cast<int>(pieces.size()))];
        if (name.size() + piece.size() > length)
            break;
        name += piece;
    }
    name = name.trimmed();
    return name.isEmpty() ? "x" : name;
}

TPreferences RandomPreferences() {
    TPreferences p;
    if (Pick(4) != 0)
        p.Player1Name = RandomName();
    if (Pick(4) != 0)
        p.Player2Name = RandomName();
    p.Player1By = PlayedByFromItem(Pick(5));
    p.Player2By = PlayedByFromItem(Pick(5));
    p.SoundsOn = Pick(2) == 1;
    p.ShowCounts = Pick(2) == 1;
    p.BoardPercent = 100 + 50 * Pick(3);
    p.AnimationSpeed = static_cast<TAnimationSpeed>(Pick(3));
    p.ShowSheet = Pick(2) == 1;
    return p;
}

// Preferences with no setting at its default.
TPreferences Chosen() {
    TPreferences p;
    p.Player1Name = "Ama";
    p.Player2Name = "Kofi";
    p.Player1By = ai::TLevel::Fort;
    p.Player2By = ai::TLevel::Expert;
    p.SoundsOn = false;
    p.ShowCounts = true;
    p.BoardPercent = 150;
    p.AnimationSpeed = TAnimationSpeed::Fast;
    p.ShowSheet = true;
    p.FullRules = true;
    return p;
}

} // namespace

// Whatever a person chose is read back as it was written, with nothing reported.
TEST(Settings, WhatIsWrittenIsReadBack) {
    for (int round = 0; round < 500; ++round) {
        const TPreferences chosen = RandomPreferences();
        const std::string text = WriteSettings(chosen);
        const TSettingsRead read = ReadSettings(text);
        EXPECT_EQ(read.Faults, 0) << text << read.FirstFault;
        EXPECT_TRUE(read.Preferences == chosen) << text;
    }
}

// Each damaged line of a file that chose every setting leaves that one setting at its default
// and reports the line; the other settings are read as written.
TEST(Settings, ADamagedLineGivesItsSettingsDefaultAndOneFault) {
    struct TCase {
        std::string Line;
        void (*Expect)(TPreferences& p); // what of the chosen preferences the line leaves
    };
    const auto names1 = [](TPreferences& p) { p.Player1Name = TPreferences().Player1Name; };
    const auto names2 = [](TPreferences& p) { p.Player2Name = TPreferences().Player2Name; };
    const auto by1 = [](TPreferences& p) { p.Player1By = std::nullopt; };
    const auto sounds = [](TPreferences& p) { p.SoundsOn = true; };
    const auto counts = [](TPreferences& p) { p.ShowCounts = false; };
    const auto size = [](TPreferences& p) { p.BoardPercent = 100; };
    const auto speed = [](TPreferences& p) { p.AnimationSpeed = TAnimationSpeed::Normal; };
    const auto sheet = [](TPreferences& p) { p.ShowSheet = false; };
    const auto rules = [](TPreferences& p) { p.FullRules = false; };
    const auto none = [](TPreferences&) {};
    const TCase cases[] = {
        {"player1-name=", names1},
        {"player1-name= Ama", names1},
        {"player1-name=Ama ", names1},
        {"player1-name=Abcdefghijk", names1}, // 11 characters
        {"player1-name=\x1b[31mAma", names1},
        {"player1-name=A\xff\xfe", names1}, // not UTF-8
        {"player2-name=😀😀😀😀😀😀", names2},    // 12 units of UTF-16
        {"player1=computer", by1},
        {"player1=Strong", by1},
        {"sounds=yes", sounds},
        {"sounds= off", sounds},
        {"sounds=off\r", sounds},
        {"counts", counts},
        {"board-size=125", size},
        {"board-size=+150", size},
        {"board-size=150 ", size},
        {"board-size=150000000000000000000000", size},
        {"animation=slow", speed},
        {"=fast", speed},
        {"sheet=open", sheet},
        {"rules=house", rules},
        {"colour=red", none}, // unknown, in the comment's place: reported, nothing else changes
    };
    const std::string keys[] = {"player1-name", "player1",    "player2-name", "player2", "sounds",
                                "counts",       "board-size", "animation",    "sheet",   "rules"};
    const std::string written = WriteSettings(Chosen());
    for (const TCase& c : cases) {
        // The damaged line takes the place of its setting's line.
        std::string key = c.Line.substr(0, c.Line.find('='));
        if (key.empty())
            key = "animation";
        std::string text;
        int lineNumber = 0, damaged = 0;
        std::size_t start = 0;
        while (start < written.size()) {
            const std::size_t end = written.find('\n', start);
            const std::string line = written.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            const bool replaced =
                line.rfind(key + "=", 0) == 0 || (c.Line == "colour=red" && lineNumber == 1);
            text += (replaced ? c.Line : line) + "\n";
            if (replaced)
                damaged = lineNumber;
        }
        ASSERT_NE(damaged, 0) << c.Line;
        TPreferences expected = Chosen();
        c.Expect(expected);
        const TSettingsRead read = ReadSettings(text);
        EXPECT_TRUE(read.Preferences == expected) << c.Line;
        EXPECT_EQ(read.Faults, 1) << c.Line;
        EXPECT_EQ(read.FirstFault.rfind("line " + std::to_string(damaged) + ": ", 0), 0)
            << c.Line << ": " << read.FirstFault;
    }
    // A setting given twice: the first is kept, the second reported.
    const TSettingsRead twice = ReadSettings(written + "sounds=on\n");
    EXPECT_TRUE(twice.Preferences == Chosen());
    EXPECT_EQ(twice.Faults, 1);
    // Comments, empty lines and a last line without its end are read.
    const TSettingsRead bare = ReadSettings("\n# a comment\nboard-size=200");
    EXPECT_EQ(bare.Faults, 0);
    EXPECT_EQ(bare.Preferences.BoardPercent, 200);
}

// Whatever bytes a file holds, what is told of it is one line of printable text.
TEST(Settings, AnyBytesAreToldInOnePrintableLine) {
    const std::string alphabet = std::string("=\n#\r\x1b\xff\xc3 sounds=on") + '\0';
    for (int round = 0; round < 2000; ++round) {
        std::string text = Pick(2) ? WriteSettings(RandomPreferences()) : std::string();
        for (int n = Pick(12); n > 0; --n) {
            const int at = text.empty() ? 0 : Pick(static_cast<int>(text.size()));
            text.insert(text.begin() + at, alphabet[Pick(static_cast<int>(alphabet.size()))]);
        }
        const TSettingsRead read = ReadSettings(text);
        EXPECT_EQ(read.Faults == 0, read.FirstFault.empty());
        for (const char c : read.FirstFault)
            ASSERT_TRUE(c >= 0x20 && c < 0x7f) << "round " << round << ": " << read.FirstFault;
    }
}

// The file: saved and loaded again; missing (silent defaults), a directory in its place, too
// large, or with damaged lines (defaults and one line on standard error).
TEST(Settings, TheFileIsLoadedOrToldOfInOneLine) {
    QTemporaryDir home;
    const std::filesystem::path file =
        std::filesystem::path(home.path().toStdString()) / "made" / "preferences";
    auto load = [&](int lines) {
        testing::internal::CaptureStderr();
        const TPreferences loaded = LoadSettings(file);
        const std::string told = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), lines) << told;
        return loaded;
    };
    EXPECT_TRUE(load(0) == TPreferences());
    ASSERT_TRUE(SaveSettings(file, Chosen()));
    EXPECT_TRUE(load(0) == Chosen());

    std::ofstream(file, std::ios::app) << "sounds=loud\nboard-size=1\nnonsense\n";
    const TPreferences damaged = load(1);
    EXPECT_TRUE(damaged == Chosen()) << "the first of each setting is kept";

    std::ofstream(file, std::ios::trunc) << std::string(kSettingsMaxBytes + 1, '#');
    EXPECT_TRUE(load(1) == TPreferences());

    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_TRUE(load(1) == TPreferences());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveSettings(file, Chosen()));
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Settings.h"

#include "files/Files.h"

#include <QChar>
#include <array>
#include <cstdio>
#include <optional>
#include <system_error>

namespace {

// One setting of the file: its key, and how its value is read into the preferences and
// written from them.
struct TSetting {
    std::string_view Key;
    // False when the value is not one of the setting's.
    bool (*Read)(std::string_view value, TPreferences& preferences);
    // The value to write; nothing when the setting is left to its default.
    std::optional<std::string> (*Write)(const TPreferences& preferences);
};

// A name the panel could have given: 1 to NameLength characters, valid UTF-8, printable, no
// blank at either end.
std::optional<QString> NameOf(std::string_view value) {
    const QByteArray bytes(value.data(), static_cast<qsizetype>(value.size()));
    const QString name = QString::fromUtf8(bytes);
    if (name.isEmpty() || name.size() > TStoredPreferences::NameLength || name.toUtf8() != bytes ||
        name != name.trimmed())
        return std::nullopt;
    for (const char32_t c : name.toUcs4())
        if (!QChar::isPrint(c))
            return std::nullopt;
    return name;
}

bool ReadName(std::string_view value, QString& name) {
    const std::optional<QString> read = NameOf(value);
    if (read)
        name = *read;
    return read.has_value();
}

std::optional<std::string> WriteName(const QString& name, const QString& defaultName) {
    const std::string text = name.toStdString();
    if (name == defaultName || !NameOf(text))
        return std::nullopt;
    return text;
}

// The words of a setting's values, in the order of its choices.
template <std::size_t N>
std::optional<int> WordIndex(std::string_view value, const std::array<std::string_view, N>& words) {
    for (std::size_t i = 0; i < N; ++i)
        if (value == words[i])
            return static_cast<int>(i);
    return std::nullopt;
}

constexpr std::array<std::string_view, 5> kPlayedBy = {"person", "beginner", "intermediate",
                                                       "strong", "expert"};
constexpr std::array<std::string_view, 2> kSwitch = {"off", "on"};
constexpr std::array<std::string_view, 3> kSpeeds = {"normal", "fast", "none"};
constexpr std::array<std::string_view, 2> kRules = {"standard", "full"};
constexpr std::array<int, 3> kBoardPercents = {100, 150, 200};

bool ReadPlayedBy(std::string_view value, TPlayedBy& by) {
    const std::optional<int> item = WordIndex(value, kPlayedBy);
    if (item)
        by = PlayedByFromItem(*item);
    return item.has_value();
}

bool ReadSwitch(std::string_view value, bool& on) {
    const std::optional<int> item = WordIndex(value, kSwitch);
    if (item)
        on = *item == 1;
    return item.has_value();
}

std::string PlayedByWord(const TPlayedBy& by) {
    return std::string(kPlayedBy[static_cast<std::size_t>(ItemOfPlayedBy(by))]);
}

const std::array<TSetting, 10> kSettings = {{
    {"player1-name",
     [](std::string_view value, TPreferences& p) { return ReadName(value, p.Player1Name); },
     [](const TPreferences& p) { return WriteName(p.Player1Name, TPreferences().Player1Name); }},
    {"player1",
     [](std::string_view value, TPreferences& p) { return ReadPlayedBy(value, p.Player1By); },
     [](const TPreferences& p) { return std::optional(PlayedByWord(p.Player1By)); }},
    {"player2-name",
     [](std::string_view value, TPreferences& p) { return ReadName(value, p.Player2Name); },
     [](const TPreferences& p) { return WriteName(p.Player2Name, TPreferences().Player2Name); }},
    {"player2",
     [](std::string_view value, TPreferences& p) { return ReadPlayedBy(value, p.Player2By); },
     [](const TPreferences& p) { return std::optional(PlayedByWord(p.Player2By)); }},
    {"sounds",
     [](std::string_view value, TPreferences& p) { return ReadSwitch(value, p.SoundsOn); },
     [](const TPreferences& p) { return std::optional(std::string(kSwitch[p.SoundsOn ? 1 : 0])); }},
    {"counts",
     [](std::string_view value, TPreferences& p) { return ReadSwitch(value, p.ShowCounts); },
     [](const TPreferences& p) {
         return std::optional(std::string(kSwitch[p.ShowCounts ? 1 : 0]));
     }},
    {"board-size",
     [](std::string_view value, TPreferences& p) {
         const std::optional<long long> percent = files::ParseInteger(value, 100, 200);
         for (const int allowed : kBoardPercents)
             if (percent == allowed) {
                 p.BoardPercent = allowed;
                 return true;
             }
         return false;
     },
     [](const TPreferences& p) {
         for (const int allowed : kBoardPercents)
             if (p.BoardPercent == allowed)
                 return std::optional(std::to_string(allowed));
         return std::optional<std::string>();
     }},
    {"animation",
     [](std::string_view value, TPreferences& p) {
         const std::optional<int> item = WordIndex(value, kSpeeds);
         if (item)
             p.AnimationSpeed = static_cast<TAnimationSpeed>(*item);
         return item.has_value();
     },
     [](const TPreferences& p) {
         const auto item = static_cast<std::size_t>(p.AnimationSpeed);
         return item < kSpeeds.size() ? std::optional(std::string(kSpeeds[item]))
                                      : std::optional<std::string>();
     }},
    {"sheet",
     [](std::string_view value, TPreferences& p) { return ReadSwitch(value, p.ShowSheet); },
     [](const TPreferences& p) {
         return std::optional(std::string(kSwitch[p.ShowSheet ? 1 : 0]));
     }},
    {"rules",
     [](std::string_view value, TPreferences& p) {
         const std::optional<int> item = WordIndex(value, kRules);
         if (item)
             p.FullRules = *item == 1;
         return item.has_value();
     },
     [](const TPreferences& p) { return std::optional(std::string(kRules[p.FullRules ? 1 : 0])); }},
}};

// Text from the file or the system, made safe for one line of a terminal: printable ASCII
// kept, anything else a '?', at most limit bytes.
std::string Printable(std::string_view text, std::size_t limit = 40) {
    std::string out;
    for (const char c : text.substr(0, limit))
        out += c >= 0x20 && c < 0x7f ? c : '?';
    if (text.size() > limit)
        out += "...";
    return out;
}

void Tell(const std::filesystem::path& file, const std::string& what) {
    std::fprintf(stderr, "ekobarama: %s: %s\n", Printable(file.string(), 4096).c_str(),
                 what.c_str());
}

} // namespace

TSettingsRead ReadSettings(std::string_view text) {
    TSettingsRead read;
    std::array<bool, std::tuple_size_v<decltype(kSettings)>> seen{};
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        std::string fault;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            fault = "\"" + Printable(line) + "\" is not a setting (key=value)";
        } else {
            const std::string_view key = line.substr(0, equals);
            const std::string_view value = line.substr(equals + 1);
            std::size_t i = 0;
            while (i < kSettings.size() && kSettings[i].Key != key)
                ++i;
            if (i == kSettings.size()) {
                fault = "unknown setting \"" + Printable(key) + "\"";
            } else if (seen[i]) {
                fault = "\"" + std::string(key) + "\" given twice";
            } else {
                seen[i] = true;
                if (!kSettings[i].Read(value, read.Preferences))
                    fault = "\"" + Printable(value) + "\" is not a value of \"" + std::string(key) +
                            "\"";
            }
        }
        if (fault.empty())
            continue;
        if (read.Faults++ == 0)
            read.FirstFault = "line " + std::to_string(number) + ": " + fault;
    }
    return read;
}

std::string WriteSettings(const TPreferences& preferences) {
    std::string text = "# Ekobarama's preferences, rewritten whenever they change.\n";
    for (const TSetting& setting : kSettings)
        if (const std::optional<std::string> value = setting.Write(preferences))
            text += std::string(setting.Key) + "=" + *value + "\n";
    return text;
}

std::filesystem::path SettingsFile() {
    const std::filesystem::path directory = files::ProgramDirectory(files::TBaseDirectory::Config);
    return directory.empty() ? directory : directory / "preferences";
}

TPreferences LoadSettings(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error)))
        return {};
    files::TFileReadProblem problem;
    const std::optional<std::string> text =
        files::ReadFileBounded(file, kSettingsMaxBytes, problem);
    if (!text) {
        std::string why;
        switch (problem.Fault) {
        case files::TFileReadFault::NotARegularFile:
            why = "not a regular file";
            break;
        case files::TFileReadFault::TooLarge:
            why = "larger than " + std::to_string(kSettingsMaxBytes) + " bytes";
            break;
        default:
            why = "cannot be read (" + Printable(problem.Reason, 200) + ")";
        }
        Tell(file, why + "; the preferences are the defaults");
        return {};
    }
    TSettingsRead read = ReadSettings(*text);
    if (read.Faults > 0) {
        std::string more;
        if (read.Faults > 1)
            more = " (and " + std::to_string(read.Faults - 1) + " more)";
        Tell(file, read.FirstFault + more + "; the defaults are used for what cannot be read");
    }
    return read.Preferences;
}

bool SaveSettings(const std::filesystem::path& file, const TPreferences& preferences) {
    files::TFileWriteProblem problem;
    if (files::WriteFileAtomically(file, WriteSettings(preferences), problem))
        return true;
    Tell(problem.Path.empty() ? file : std::filesystem::path(problem.Path),
         "the preferences cannot be saved (" + Printable(problem.Reason, 200) + ")");
    return false;
}

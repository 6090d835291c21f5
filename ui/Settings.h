// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preferences kept between runs: the file "preferences" in the program's configuration
// directory ($XDG_CONFIG_HOME/ekobarama/, else ~/.config/ekobarama/), a text of our own in
// UTF-8, one setting a line, for example:
//
//   # Ekobarama's preferences, rewritten whenever they change.
//   player1-name=Ama
//   player1=person
//   player2-name=Kofi
//   player2=intermediate
//   sounds=on
//   counts=off
//   board-size=150
//   animation=fast
//   sheet=on
//
// Lines that are empty or start with '#' are comments. Each setting at most once, in any order;
// a setting left out keeps its default. The values: a name of 1 to 10 characters (what the
// panel takes), printable, with no blank at either end; person, beginner, intermediate, strong
// or expert; on or off (sounds, counts, and the game's sheet open beside the board); 100, 150
// or 200; normal, fast or none. A name that is the default name
// in the program's language is not written, so that it follows the language.
//
// The file is read strictly: a line not of the form key=value, with an unknown key or value,
// or with a key given before, is not read (its setting keeps the default, or the value read
// first); a file larger than 4 KiB, unreadable or not a regular file gives every default. Either
// way one line on standard error tells what could not be read; a missing file gives the defaults
// silently.
#include "ui/Options.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// What a settings text held: the preferences (the defaults where it held nothing readable),
// how many lines could not be read, and the first of them ("line 3: ...", empty when none).
struct TSettingsRead {
    TPreferences Preferences;
    int Faults = 0;
    std::string FirstFault;
};

constexpr std::size_t kSettingsMaxBytes = 4096;

TSettingsRead ReadSettings(std::string_view text);
std::string WriteSettings(const TPreferences& preferences);

// The settings file in the configuration directory; empty when there is none (no HOME).
std::filesystem::path SettingsFile();

// The preferences in the file; what could not be read is told in one line on standard error.
TPreferences LoadSettings(const std::filesystem::path& file);
// Replaces the file (atomically, the directory made when missing); a failure is told in one
// line on standard error and leaves the file as it was.
bool SaveSettings(const std::filesystem::path& file, const TPreferences& preferences);

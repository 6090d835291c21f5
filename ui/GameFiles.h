// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game on the board kept in files. The unfinished game is written to the state directory
// after every move and take-back, so that closing the program (or a power cut) loses nothing;
// the next run offers it back ("Reprendre la partie"). Saved games are opened and saved where
// the person chooses. Every file is written beside its name and renamed over it, and every file
// read may be damaged: a clear message, nothing else changed.
#include <QString>
#include <filesystem>
#include <functional>

namespace record {
class TGameRecord;
struct TReadError;
} // namespace record
namespace files {
struct TFileWriteProblem;
} // namespace files

// Plays pit on the board's game, as a person's double-click or the computer's choice does; the
// game is then kept (or, finished, forgotten) and the commands follow the new state.
void PlayMove(int pit);

// The file of this program's unfinished game in the state directory (empty when there is no
// state directory): current.ekoba, owned by one running program at a time through a lock beside
// it (current.ekoba.lock) that ends with the program. A program started while another owns it is
// told so once, and keeps its own games apart, in the first free current-N.ekoba (N from 2),
// locked likewise: neither program overwrites or removes the other's game.
std::filesystem::path UnfinishedGameFile();
// Writes the game on the board as the unfinished game. A failure is told on standard error and,
// once until a write succeeds again, in a message box: the game cannot be resumed.
void KeepUnfinishedGame();
// The game on the board was finished or left: there is no unfinished game any more.
void ForgetUnfinishedGame();
// At start: reads the unfinished game of an earlier run, offered by "Reprendre la partie". One
// that cannot be read is set aside beside it (current.ekoba.damaged), with a message on
// standard error.
void LookForUnfinishedGame();
bool HasUnfinishedGame();

// Opens a saved game on the board. A file that cannot be read gets a message naming the line;
// while a game is on, the person is asked first. The board changes only when the whole file
// is read and the person agrees.
bool OpenGameFile(const QString& path);
// What is wrong with a game file, in the person's language (without the line).
QString ReadErrorText(const record::TReadError& error);
// What went wrong writing a game file, in the person's language.
QString WriteProblemText(const files::TFileWriteProblem& problem);
// Puts a game read from a file on the board, its sides played by whom the record says; the
// computer resumes its side. A finished game is shown ending as a game ends: the end's notices
// over its final scores, then the presentation picture.
void ShowRecordedGame(record::TGameRecord game);

// The game last finished on the board stays the record between games, until another game is
// put on the board: it can still be saved, and a move taken back from its end.
const record::TGameRecord* FinishedGame();
void ForgetFinishedGame();
// The game on the board has reached its end (opened finished, or played forward to it again):
// the end's notices over its final scores, then the presentation picture; it is the game last
// finished.
void CloseFinishedGame();
// The game last finished back on the board at ply of its record, played by whom the record
// says: a game in progress again, kept as the unfinished game.
void ResumeFinishedGame(int ply);
// Changes the comments of the game on the board (kept again as the unfinished game) or, between
// games, of the game last finished; nothing when there is neither.
void AnnotateGame(const std::function<void(record::TGameRecord&)>& annotate);
// What "Enregistrer la partie…" saves: the game on the board waiting for a move or, between
// games, the game last finished; none otherwise.
const record::TGameRecord* GameToSave();

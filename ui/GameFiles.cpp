// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GameFiles.h"

#include "game/Game.h"
#include "record/Files.h"
#include "record/GameFile.h"
#include "ui/Dialogs.h"
#include "ui/KeyboardPlay.h"
#include "ui/Main.h"

#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QStandardPaths>
#include <cstdio>
#include <optional>
#include <system_error>

namespace {

// The unfinished game of an earlier run, read at start, until it is resumed or replaced.
std::optional<record::TGameRecord> unfinished;
// A failure to keep the unfinished game is told once, until a write succeeds again.
bool keepFailureTold = false;
// Where the file dialogs open: the folder of the last game opened or saved.
QString lastFolder;

std::filesystem::path FilePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString DialogFolder() {
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return lastFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The sides as they are played now: who plays a side may change during a game.
void TakeSidesFromOptions(record::TGameRecord& game) {
    for (int n = 1; n <= 2; ++n)
        game.Sides[n].Level = ItemOfPlayedBy(Options->PlayedBy(n));
}

void TellOnStandardError(const QString& text) {
    std::fprintf(stderr, "ekobarama: %s\n", text.toLocal8Bit().constData());
}

void ShowFileProblem(const QString& text) {
    ShowMessageBox(ApplicationTitle, text, TMsgButtons::Ok, QMessageBox::Warning);
}

QString DescribeReadError(const record::TReadError& error) {
    const QString message = FromUtf8(error.Message);
    return error.Line > 0
               ? QCoreApplication::translate("Files", "Ligne %1 : %2").arg(error.Line).arg(message)
               : message;
}

} // namespace

void PlayMove(int pit) {
    if (!CurrentGame)
        return;
    // Nothing may be taken back, opened, saved or hinted while the move is shown.
    for (QAction* action :
         {Form1->Annulerlecoup1, Form1->Rtablirlecoup1, Form1->Annulertouslescoups1,
          Form1->Rtablirtouslescoups1, Form1->Conseil1, Form1->Reprendrelapartie1,
          Form1->Ouvrirunepartie1, Form1->Enregistrerlapartie1})
        action->setEnabled(false);
    // The game before the move tells, once the move is over, whether it finished the game or an
    // error closed it half-way (the unfinished game then stays as it was before the move).
    const record::TGameRecord before = CurrentGame->Record;
    CurrentGame->PlayerToMove().Play(pit);
    if (CurrentGame && AppState != "presentation") {
        if (!(CurrentGame->Record == before)) // a pit the record refuses changes nothing
            KeepUnfinishedGame();
    } else {
        record::TGameRecord played = before;
        played.Play(pit);
        if (played.Over())
            ForgetUnfinishedGame();
        else
            LookForUnfinishedGame(); // what was kept before the failed move is offered back
    }
    Form1->RefreshGameCommands();
    // The move's last frame was drawn while it was still being shown: the keyboard's ring for
    // the person now to move comes with one more.
    if (CurrentGame && KeyboardMark() != 0)
        RedrawScene();
}

std::filesystem::path UnfinishedGameFile() {
    const std::filesystem::path folder = record::StateDirectory();
    return folder.empty() ? folder : folder / "current.ekoba";
}

void KeepUnfinishedGame() {
    if (!CurrentGame || CurrentGame->Record.Over())
        return;
    const std::filesystem::path file = UnfinishedGameFile();
    std::string error;
    if (file.empty()) {
        error = "no state directory (neither XDG_STATE_HOME nor HOME is set)";
    } else {
        TakeSidesFromOptions(CurrentGame->Record);
        if (record::WriteGameFile(file, CurrentGame->Record, error)) {
            keepFailureTold = false;
            unfinished.reset(); // the game on the board is the unfinished game now
            return;
        }
    }
    if (!keepFailureTold)
        TellOnStandardError(QString("the unfinished game cannot be kept in %1: %2")
                                .arg(FromPath(file), FromUtf8(error)));
    keepFailureTold = true;
}

void ForgetUnfinishedGame() {
    unfinished.reset();
    const std::filesystem::path file = UnfinishedGameFile();
    std::error_code error;
    if (!file.empty())
        std::filesystem::remove(file, error);
}

void LookForUnfinishedGame() {
    unfinished.reset();
    const std::filesystem::path file = UnfinishedGameFile();
    std::error_code missing;
    if (file.empty() || !std::filesystem::exists(file, missing))
        return;
    auto read = record::ReadGameFile(file);
    if (auto* game = std::get_if<record::TGameRecord>(&read)) {
        if (!game->Over()) {
            unfinished = std::move(*game);
            return;
        }
        ForgetUnfinishedGame(); // a finished game has nothing to resume
        return;
    }
    // Set aside where the person can still look at it; the program goes on without it.
    const auto& error = std::get<record::TReadError>(read);
    std::filesystem::path aside = file;
    aside += ".damaged";
    std::error_code renameError;
    std::filesystem::rename(file, aside, renameError);
    TellOnStandardError(QString("the unfinished game %1 cannot be read (%2); %3")
                            .arg(FromPath(file), DescribeReadError(error),
                                 renameError ? "it could not be set aside either"
                                             : "it is set aside as " + FromPath(aside)));
}

bool HasUnfinishedGame() {
    return unfinished.has_value();
}

void ShowRecordedGame(record::TGameRecord game) {
    // Who plays each side, and their names, as the game was played.
    for (int n = 1; n <= 2; ++n) {
        const record::TSide& side = game.Sides[n];
        const QString name = FromUtf8(side.Name);
        if (!name.isEmpty())
            (n == 1 ? Options->Player1Name : Options->Player2Name) = name;
        (n == 1 ? Options->Player1By : Options->Player2By) = PlayedByFromItem(side.Level);
    }
    if (Form1->GroupBox1 && Form1->GroupBox1->isVisible())
        Options->ShowInPanel(); // the panel open under the dialog shows them too
    AppState = "presentation";
    CurrentGame.reset();
    CurrentGame = std::make_unique<Tjeu>(std::move(game));
    CurrentGame->Relayout();
    AppState = "jeu";
    RedrawScene();
    Form1->ComputerTurn->Begin();
    Form1->RefreshGameCommands();
}

bool OpenGameFile(const QString& path) {
    if (AppState == "distribution" || Form1->RefuseGameAfterFailedStartUp() || !BackgroundSprite)
        return false;
    auto read = record::ReadGameFile(FilePath(path));
    if (const auto* error = std::get_if<record::TReadError>(&read)) {
        ShowFileProblem(
            QCoreApplication::translate("Files", "La partie « %1 » ne peut pas être ouverte :\n%2")
                .arg(QFileInfo(path).fileName(), DescribeReadError(*error)));
        return false;
    }
    if (AppState == "jeu") {
        if (!AskToQuit(QCoreApplication::translate(
                "Messages", "Etes vous sur(e) de vouloir quitter cette partie ?")) ||
            AppState != "jeu")
            return false;
        ForgetUnfinishedGame(); // the game on the board is left
    }
    lastFolder = QFileInfo(path).absolutePath();
    ShowRecordedGame(std::move(std::get<record::TGameRecord>(read)));
    return true;
}

void TForm1::Ouvrirunepartie1Click() {
    if (AppState == "distribution" || RefuseGameAfterFailedStartUp() || !BackgroundSprite)
        return;
    const QString path = AskForGameFile({TFileDialogKind::Open,
                                         QCoreApplication::translate("Files", "Ouvrir une partie"),
                                         DialogFolder(), QString()});
    if (!path.isEmpty())
        OpenGameFile(path);
}

void TForm1::Enregistrerlapartie1Click() {
    if (AppState != "jeu" || !CurrentGame)
        return;
    const QString proposed = QCoreApplication::translate("Files", "partie-%1.%2")
                                 .arg(QDate::currentDate().toString(Qt::ISODate), GameFileSuffix);
    const QString path = AskForGameFile(
        {TFileDialogKind::Save, QCoreApplication::translate("Files", "Enregistrer la partie"),
         DialogFolder(), proposed});
    // The game may have been left while the dialog was open.
    if (path.isEmpty() || AppState != "jeu" || !CurrentGame)
        return;
    TakeSidesFromOptions(CurrentGame->Record);
    std::string error;
    if (!record::WriteGameFile(FilePath(path), CurrentGame->Record, error)) {
        ShowFileProblem(QCoreApplication::translate(
                            "Files", "La partie n'a pas pu être enregistrée dans « %1 » :\n%2")
                            .arg(path, FromUtf8(error)));
        return;
    }
    lastFolder = QFileInfo(path).absolutePath();
}

void TForm1::Reprendrelapartie1Click() {
    if (AppState != "presentation" || !BackgroundSprite || !unfinished)
        return;
    record::TGameRecord game = std::move(*unfinished);
    unfinished.reset();
    // The file stays: it is the game on the board, kept again after its next move.
    ShowRecordedGame(std::move(game));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GameFiles.h"

#include "files/Files.h"
#include "game/Game.h"
#include "record/GameFile.h"
#include "ui/BoardAccessibility.h"
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
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace {

// The unfinished game of an earlier run, read at start, until it is resumed or replaced.
std::optional<record::TGameRecord> unfinished;
// The game last finished on the board, until another game is put there.
std::optional<record::TGameRecord> finished;
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

// The unfinished game this program keeps. One running program owns current.ekoba, by a lock on
// current.ekoba.lock beside it that the system lets go when the program ends in any way; a
// program started while it is taken keeps its games in the first of current-2.ekoba,
// current-3.ekoba, ... that is free, locked likewise.
struct TKeptSlot {
    std::filesystem::path Folder; // the state directory the slot was taken in
    std::filesystem::path File;
    int Lock = -1; // the locked file's descriptor
    bool Taken = false;
};
TKeptSlot slot;

const std::filesystem::path& OwnSlot() {
    const std::filesystem::path folder = files::ProgramDirectory(files::TBaseDirectory::State);
    if (slot.Taken && slot.Folder == folder)
        return slot.File;
    if (slot.Lock >= 0)
        ::close(slot.Lock);
    slot = {folder, {}, -1, true};
    if (folder.empty())
        return slot.File;
    std::string ignored; // a folder that cannot be made is told when the game is kept
    files::MakeDirectories(folder, files::kPrivateDirectoryMode, ignored);
    const std::string suffix = "." + std::string(record::kGameFileSuffix);
    for (int n = 1; n <= 99; ++n) {
        const std::filesystem::path file =
            folder / (n == 1 ? "current" + suffix : "current-" + std::to_string(n) + suffix);
        std::filesystem::path lockName = file;
        lockName += ".lock";
        int lock = -1;
        const files::TLock taken = files::TryLockFile(lockName, lock);
        if (taken == files::TLock::Busy)
            continue; // another program's
        if (taken == files::TLock::Failed)
            break; // the folder cannot be written: nor can the game be kept there
        slot.File = file;
        slot.Lock = lock;
        if (n > 1) {
            // Told once the window is up.
            const QString name = FromPath(file.filename());
            QTimer::singleShot(0, qApp, [name] {
                Guarded([&] {
                    ShowNotice(QCoreApplication::translate(
                                   "Files", "La partie inachevée est ouverte dans une autre "
                                            "fenêtre d'Ekobarama. Les parties de cette fenêtre-ci "
                                            "sont gardées à part, dans « %1 ».")
                                   .arg(name));
                });
            });
        }
        return slot.File;
    }
    // No lock to be had: the game goes where it always went, unguarded.
    slot.File = folder / ("current" + suffix);
    return slot.File;
}

// The sentence of a fault in a game file, its values written %1, %2 and %3.
const char* ReadFaultSentence(record::TReadFault fault) {
    using F = record::TReadFault;
    switch (fault) {
    case F::CannotOpen:
        return QT_TRANSLATE_NOOP("Files", "Impossible d'ouvrir « %1 » : %2");
    case F::CannotRead:
        return QT_TRANSLATE_NOOP("Files", "Impossible de lire « %1 » : %2");
    case F::NotARegularFile:
        return QT_TRANSLATE_NOOP("Files", "« %1 » n'est pas un fichier ordinaire");
    case F::FileTooLarge:
        return QT_TRANSLATE_NOOP("Files", "Le fichier « %1 » est trop grand (plus de %2 octets)");
    case F::TextTooLarge:
        return QT_TRANSLATE_NOOP("Files", "le fichier est trop grand (plus de %1 Kio)");
    case F::LineTooLong:
        return QT_TRANSLATE_NOOP("Files", "ligne trop longue (plus de %1 octets)");
    case F::NotUtf8:
        return QT_TRANSLATE_NOOP("Files", "le texte n'est pas de l'UTF-8 valide (colonne %1)");
    case F::ControlCharacter:
        return QT_TRANSLATE_NOOP("Files", "caractère de contrôle (colonne %1)");
    case F::NotAGameFile:
        return QT_TRANSLATE_NOOP("Files", "ce n'est pas un fichier de partie d'ekoba (il commence "
                                          "par [Game \"Ekoba\"])");
    case F::GameTagFirst:
        return QT_TRANSLATE_NOOP("Files", "un fichier de partie commence par [Game \"Ekoba\"]");
    case F::UnknownTag:
        return QT_TRANSLATE_NOOP("Files", "étiquette inconnue « %1 »");
    case F::RepeatedTag:
        return QT_TRANSLATE_NOOP("Files", "étiquette « %1 » répétée");
    case F::MissingTag:
        return QT_TRANSLATE_NOOP("Files", "l'étiquette « %1 » manque");
    case F::MalformedTag:
        return QT_TRANSLATE_NOOP("Files", "une étiquette s'écrit [Nom \"valeur\"]");
    case F::BadEscape:
        return QT_TRANSLATE_NOOP("Files", "dans une valeur, \\ ne précède que \" ou \\");
    case F::OtherGame:
        return QT_TRANSLATE_NOOP("Files", "ce fichier est une partie de « %1 », pas d'ekoba");
    case F::DateTooLong:
        return QT_TRANSLATE_NOOP("Files", "date trop longue");
    case F::NameTooLong:
        return QT_TRANSLATE_NOOP("Files", "nom trop long (plus de %1 caractères)");
    case F::UnknownPlayer:
        return QT_TRANSLATE_NOOP("Files", "« %1 » ne dit pas qui joue (personne, debutant, moyen, "
                                          "fort ou expert)");
    case F::PositionShape:
        return QT_TRANSLATE_NOOP("Files", "la position s'écrit « a b c d e f / a b c d e f / "
                                          "joueur / score1 score2 »");
    case F::NotASeedCount:
        return QT_TRANSLATE_NOOP("Files", "« %1 » n'est pas un nombre de graines (0 à %2)");
    case F::NotAMover:
        return QT_TRANSLATE_NOOP("Files", "le joueur qui a le trait est 1 ou 2, pas « %1 »");
    case F::SeedTotal:
        return QT_TRANSLATE_NOOP("Files", "la position compte %1 graines au lieu de %2");
    case F::UnknownResult:
        return QT_TRANSLATE_NOOP("Files", "résultat « %1 » inconnu (1-0, 0-1, 1/2-1/2 ou *)");
    case F::UnknownRules:
        return QT_TRANSLATE_NOOP("Files", "règles « %1 » inconnues (standard ou full)");
    case F::TagAfterMoves:
        return QT_TRANSLATE_NOOP("Files", "étiquette après les coups");
    case F::TextAfterResult:
        return QT_TRANSLATE_NOOP("Files", "texte après le résultat : « %1 »");
    case F::NoResult:
        return QT_TRANSLATE_NOOP("Files",
                                 "la partie s'arrête sans son résultat (fichier tronqué ?)");
    case F::UnclosedComment:
        return QT_TRANSLATE_NOOP("Files", "commentaire { sans } fermante");
    case F::ResultNotTagged:
        return QT_TRANSLATE_NOOP("Files",
                                 "le résultat « %1 » n'est pas celui de l'étiquette Result « %2 »");
    case F::ResultNotReached:
        return QT_TRANSLATE_NOOP(
            "Files", "le résultat « %1 » ne découle pas des coups (la partie n'est pas finie)");
    case F::ResultNotFollowing:
        return QT_TRANSLATE_NOOP("Files",
                                 "le résultat « %1 » ne découle pas des coups (ils donnent %2)");
    case F::NumberWithoutMove:
        return QT_TRANSLATE_NOOP("Files", "le numéro de coup n'est suivi d'aucun coup");
    case F::NotAMoveOrNumber:
        return QT_TRANSLATE_NOOP("Files", "« %1 » n'est ni un coup ni un numéro de coup");
    case F::TwoNumbers:
        return QT_TRANSLATE_NOOP("Files", "deux numéros de coup de suite");
    case F::NumberAfterEnd:
        return QT_TRANSLATE_NOOP("Files", "numéro de coup « %1 » après la fin de la partie");
    case F::WrongNumber:
        return QT_TRANSLATE_NOOP("Files", "numéro de coup « %1 » au lieu de « %2 »");
    case F::NotAMove:
        return QT_TRANSLATE_NOOP("Files", "« %1 » n'est pas un coup (une lettre de a à f, puis x "
                                          "et les graines prises)");
    case F::MoveAfterEnd:
        return QT_TRANSLATE_NOOP("Files", "coup « %1 » après la fin de la partie");
    case F::MoveWithoutNumber:
        return QT_TRANSLATE_NOOP("Files", "le coup « %1 » du joueur 1 n'a pas son numéro « %2 »");
    case F::TooManyMoves:
        return QT_TRANSLATE_NOOP("Files", "plus de %1 coups");
    case F::EmptyPit:
        return QT_TRANSLATE_NOOP("Files",
                                 "coup « %1 » impossible : la case %2 du joueur %3 est vide");
    case F::WrongGain:
        return QT_TRANSLATE_NOOP("Files", "le coup « %1 » prend %2 graines, pas %3");
    case F::KillingMove:
        return QT_TRANSLATE_NOOP("Files", "coup « %1 » interdit par les règles complètes : il "
                                          "prendrait toutes les graines du joueur %2");
    case F::StarvingMove:
        return QT_TRANSLATE_NOOP("Files", "coup « %1 » interdit par les règles complètes : le "
                                          "joueur %2 n'a plus de graine et ce coup ne lui en "
                                          "donne pas");
    }
    return "";
}

} // namespace

QString ReadErrorText(const record::TReadError& error) {
    QString text = QCoreApplication::translate("Files", ReadFaultSentence(error.Fault));
    QStringList values;
    for (const std::string& value : error.Values)
        values << FromUtf8(value);
    // One argument call for all the values: a value that holds "%2" stays as it is.
    switch (values.size()) {
    case 0:
        break;
    case 1:
        text = text.arg(values[0]);
        break;
    case 2:
        text = text.arg(values[0], values[1]);
        break;
    default:
        text = text.arg(values[0], values[1], values[2]);
        break;
    }
    return text;
}

QString WriteProblemText(const files::TFileWriteProblem& problem) {
    using F = files::TFileWriteFault;
    const char* sentence = "";
    switch (problem.Fault) {
    case F::NoName:
        return QCoreApplication::translate("Files", "Nom de fichier vide");
    case F::CannotMakeFolder:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible de créer le dossier « %1 » : %2");
        break;
    case F::CannotWriteBeside:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible d'écrire à côté de « %1 » : %2");
        break;
    case F::CannotSetPermissions:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible de régler les droits de « %1 » : %2");
        break;
    case F::CannotWrite:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible d'écrire « %1 » : %2");
        break;
    case F::CannotSync:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible d'écrire sur le disque « %1 » : %2");
        break;
    case F::CannotFinish:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible de terminer l'écriture de « %1 » : %2");
        break;
    case F::CannotReplace:
        sentence = QT_TRANSLATE_NOOP("Files", "Impossible de remplacer « %1 » : %2");
        break;
    }
    return QCoreApplication::translate("Files", sentence)
        .arg(FromUtf8(problem.Path), FromUtf8(problem.Reason));
}

namespace {

QString DescribeReadError(const record::TReadError& error) {
    const QString message = ReadErrorText(error);
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
    if (CurrentGame && AppState != TAppState::Presentation) {
        if (!(CurrentGame->Record == before)) // a pit the record refuses changes nothing
            KeepUnfinishedGame();
    } else {
        record::TGameRecord played = before;
        played.Play(pit);
        if (played.Over()) {
            ForgetUnfinishedGame();
            TakeSidesFromOptions(played); // who played each side to the end
            finished = std::move(played);
        } else
            LookForUnfinishedGame(); // what was kept before the failed move is offered back
    }
    Form1->RefreshGameCommands();
    // The move's last frame was drawn while it was still being shown: the keyboard's ring for
    // the person now to move comes with one more.
    if (CurrentGame && KeyboardMark() != 0)
        RedrawScene();
    UpdateBoardAccessibility(); // the move's line tells it has ended
}

std::filesystem::path UnfinishedGameFile() {
    return OwnSlot();
}

void KeepUnfinishedGame() {
    if (!CurrentGame || CurrentGame->Record.Over())
        return;
    const std::filesystem::path file = UnfinishedGameFile();
    QString error = "no state directory (neither XDG_STATE_HOME nor HOME is set)";
    if (!file.empty()) {
        TakeSidesFromOptions(CurrentGame->Record);
        files::TFileWriteProblem problem;
        if (record::WriteGameFile(file, CurrentGame->Record, problem)) {
            keepFailureTold = false;
            unfinished.reset(); // the game on the board is the unfinished game now
            return;
        }
        error = WriteProblemText(problem);
    }
    if (!keepFailureTold) {
        TellOnStandardError(
            QString("the unfinished game cannot be kept in %1: %2").arg(FromPath(file), error));
        // Told once in the window too: the person must not count on finding the game again.
        keepFailureTold = true;
        ShowFileProblem(QCoreApplication::translate(
                            "Files", "La partie ne pourra pas être reprise si le jeu est fermé : "
                                     "elle ne peut pas être gardée dans « %1 ».\n%2")
                            .arg(FromPath(file), error));
    }
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

namespace {

// Puts a game on the board at its record's cursor, its sides played by whom the record says.
void PutOnBoard(record::TGameRecord game) {
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
    AppState = TAppState::Presentation;
    CurrentGame.reset();
    CurrentGame = std::make_unique<Tjeu>(std::move(game));
    CurrentGame->Relayout();
    AppState = TAppState::Jeu;
    RedrawScene();
}

} // namespace

void ShowRecordedGame(record::TGameRecord game) {
    PutOnBoard(std::move(game));
    if (CurrentGame->Record.Over()) {
        CloseFinishedGame();
        return;
    }
    Form1->ComputerTurn->Begin();
    Form1->RefreshGameCommands();
}

const record::TGameRecord* FinishedGame() {
    return finished ? &*finished : nullptr;
}

void ForgetFinishedGame() {
    finished.reset();
}

void CloseFinishedGame() {
    if (!CurrentGame || AppState != TAppState::Jeu)
        return;
    // A finished game ends as a game ends on the board: the notices, the final scores with the
    // seeds left on each side, the verdict, then the board goes.
    Form1->RefreshGameCommands();
    record::TGameRecord game = CurrentGame->Record;
    TakeSidesFromOptions(game);
    CurrentGame->Finish();
    EndGame();
    finished = std::move(game);
    Form1->RefreshGameCommands();
}

void ResumeFinishedGame(int ply) {
    if (!finished || AppState != TAppState::Presentation || !BackgroundSprite)
        return;
    record::TGameRecord game = std::move(*finished);
    finished.reset();
    game.SeekTo(ply);
    PutOnBoard(std::move(game));
    KeepUnfinishedGame();
    Form1->ComputerTurn->Begin();
    Form1->RefreshGameCommands();
}

void AnnotateGame(const std::function<void(record::TGameRecord&)>& annotate) {
    if (CurrentGame) {
        annotate(CurrentGame->Record);
        if (AppState == TAppState::Jeu && !TerminationRequested())
            KeepUnfinishedGame();
    } else if (finished) {
        annotate(*finished);
    }
}

const record::TGameRecord* GameToSave() {
    if (TerminationRequested())
        return nullptr;
    if (AppState == TAppState::Jeu && CurrentGame)
        return &CurrentGame->Record;
    if (AppState == TAppState::Presentation)
        return FinishedGame();
    return nullptr;
}

bool OpenGameFile(const QString& path) {
    if (AppState == TAppState::Distribution || Form1->RefuseGameAfterFailedStartUp() ||
        !BackgroundSprite)
        return false;
    auto read = record::ReadGameFile(FilePath(path));
    if (const auto* error = std::get_if<record::TReadError>(&read)) {
        ShowFileProblem(
            QCoreApplication::translate("Files", "La partie « %1 » ne peut pas être ouverte :\n%2")
                .arg(QFileInfo(path).fileName(), DescribeReadError(*error)));
        return false;
    }
    if (AppState == TAppState::Jeu) {
        if (!AskToQuit(QCoreApplication::translate(
                "Messages", "Etes vous sur(e) de vouloir quitter cette partie ?")) ||
            AppState != TAppState::Jeu)
            return false;
        ForgetUnfinishedGame(); // the game on the board is left
    }
    lastFolder = QFileInfo(path).absolutePath();
    ShowRecordedGame(std::move(std::get<record::TGameRecord>(read)));
    return true;
}

void TForm1::Ouvrirunepartie1Click() {
    if (AppState == TAppState::Distribution || RefuseGameAfterFailedStartUp() || !BackgroundSprite)
        return;
    const QString path = AskForGameFile({TFileDialogKind::Open,
                                         QCoreApplication::translate("Files", "Ouvrir une partie"),
                                         DialogFolder(), QString()});
    if (!path.isEmpty())
        OpenGameFile(path);
}

void TForm1::Enregistrerlapartie1Click() {
    if (!GameToSave())
        return;
    const QString proposed = QCoreApplication::translate("Files", "partie-%1.%2")
                                 .arg(QDate::currentDate().toString(Qt::ISODate), GameFileSuffix);
    const QString path = AskForGameFile(
        {TFileDialogKind::Save, QCoreApplication::translate("Files", "Enregistrer la partie"),
         DialogFolder(), proposed});
    // The game may have been left while the dialog was open.
    if (path.isEmpty() || !GameToSave())
        return;
    if (AppState == TAppState::Jeu)
        TakeSidesFromOptions(CurrentGame->Record);
    files::TFileWriteProblem problem;
    if (!record::WriteGameFile(FilePath(path), *GameToSave(), problem)) {
        ShowFileProblem(QCoreApplication::translate(
                            "Files", "La partie n'a pas pu être enregistrée dans « %1 » :\n%2")
                            .arg(path, WriteProblemText(problem)));
        return;
    }
    lastFolder = QFileInfo(path).absolutePath();
}

void TForm1::Reprendrelapartie1Click() {
    if (AppState != TAppState::Presentation || !BackgroundSprite || !unfinished)
        return;
    record::TGameRecord game = std::move(*unfinished);
    unfinished.reset();
    // The file stays: it is the game on the board, kept again after its next move.
    ShowRecordedGame(std::move(game));
}

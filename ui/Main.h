// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window, the application state word and the process-wide references through which
// the game's objects find one another.
#include "game/AppState.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"
#include "ui/ComputerTurn.h"
#include "ui/Options.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class TDXDraw;
class TDXImageList;
class TDXSound;
class TDXSpriteEngine;
class TDXWaveList;
class TMonSprite;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

// A form of the drawing-surface kind. Its outer geometry is reported for the classic frame the
// layout was drawn for: 3 pixels of border at the left, right and bottom, 40 pixels of caption
// and menu bar above the client area, whatever the window manager really draws.
// The steps of the window's start-up, in their order.
enum class TStartUpStep {
    DrawingSurface, // the drawing surface control
    SpriteEngine,
    ImageList1,
    ImageList2,
    ImageList3,
    SoundDevice,
    SoundList,
    Options,
    DisplayInit, // the drawing surface initialised (the image lists make their surfaces)
    BackgroundSprite,
    FirstFrame,
};
// Test hook: the step fails at every start-up, as if what it makes could not be made, until
// cleared with std::nullopt.
void InjectStartUpFault(std::optional<TStartUpStep> step);

class TDXForm : public QMainWindow {
public:
    static constexpr int FrameLeft = 3;
    static constexpr int FrameTop = 40;
    static constexpr int FrameRight = 3;
    static constexpr int FrameBottom = 3;

    explicit TDXForm(QWidget* parent = nullptr);
    int Left() const;
    int Top() const;
    int Width() const { return ClientWidth() + FrameLeft + FrameRight; }
    int Height() const { return ClientHeight() + FrameTop + FrameBottom; }
    int ClientWidth() const;
    int ClientHeight() const;
    // Moves the window so that its classic outer corner is at (left, top).
    void SetBounds(int left, int top);
};

class TForm1 : public TDXForm {
public:
    TForm1();
    ~TForm1() override;

    // Components, named as the window's stored description names them. The preferences panel
    // (GroupBox1 and the controls in it) is made when it is first opened.
    QWidget* Client = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* Edit3 = nullptr;
    // Who plays each side, under its name: a person or the computer at a level.
    QLabel* Label8 = nullptr;
    QComboBox* ComboBox1 = nullptr; // player 1
    QLabel* Label9 = nullptr;
    QComboBox* ComboBox2 = nullptr; // player 2
    QCheckBox* CheckBox1 = nullptr; // each pit's count written beside it
    QCheckBox* CheckBox2 = nullptr; // new games by the complete rules
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTimer Timer1;
    // The computer's turns of the game on the board.
    std::unique_ptr<TComputerTurn> ComputerTurn;

    TDXDraw* DXDraw1 = nullptr;
    std::unique_ptr<TDXSpriteEngine> DXSpriteEngine1;
    std::unique_ptr<TDXImageList> DXImageList1;
    std::unique_ptr<TDXImageList> DXImageList2;
    std::unique_ptr<TDXImageList> DXImageList3;
    std::unique_ptr<TDXSound> DXSound1;
    std::unique_ptr<TDXWaveList> DXWaveList1;

    // The window's tool-tip: the text and whether hints are shown; the drawing surface takes
    // its parent's hint.
    const QString& Hint() const { return hint_; }
    bool ShowHint() const { return showHint_; }
    void SetHint(const QString& hint);
    void SetShowHint(bool show);

    QMenu* Jeu1 = nullptr;
    QAction* NouvellePartie1 = nullptr;
    QAction* Quitterlapartie1 = nullptr;
    // Taking moves back and playing them again.
    QAction* Annulerlecoup1 = nullptr;
    QAction* Rtablirlecoup1 = nullptr;
    QAction* Annulertouslescoups1 = nullptr;
    QAction* Rtablirtouslescoups1 = nullptr;
    // A hint for the person to move (the key H).
    QAction* Conseil1 = nullptr;
    // The game's sheet beside the board (checked while it is open), and the game's review.
    QAction* Feuilledepartie1 = nullptr;
    QAction* Analyserlapartie1 = nullptr;
    // Games kept in files: the unfinished game of an earlier run, and saved games.
    QAction* Reprendrelapartie1 = nullptr;
    QAction* Ouvrirunepartie1 = nullptr;
    QAction* Enregistrerlapartie1 = nullptr;
    QAction* Quitter1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* Prferences1 = nullptr;
    QAction* Bruitages1 = nullptr;
    // The board's size: 100 %, 150 % and 200 % of the stored layout, one of them checked.
    QMenu* Tailleduplateau1 = nullptr;
    QList<QAction*> BoardSizes;
    QMenu* N1 = nullptr;
    QAction* Rgledujeu1 = nullptr;
    QAction* AproposdeEkoba1 = nullptr;
    QAction* Raccourcisclavier1 = nullptr; // the list of keys

    // The drawing area: the drawing surface fills the whole client area.
    QWidget* DrawingArea() const;

    // Handlers.
    void FormCreate();
    void NouvellePartie1Click();
    void Quitterlapartie1Click();
    void Quitter1Click();
    void Annulerlecoup1Click();
    void Rtablirlecoup1Click();
    void Annulertouslescoups1Click();
    void Rtablirtouslescoups1Click();
    void Reprendrelapartie1Click();
    void Ouvrirunepartie1Click();
    void Enregistrerlapartie1Click();
    void Prferences1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void Bruitages1Click();
    void Rgledujeu1Click();
    void AproposdeEkoba1Click();
    void Timer1Timer();
    void DXDraw1DblClick();
    // The players' names in the preferences panel are disabled while a game is on.
    void LockNamesDuringGame();
    // Shows the board at the options' size (BoardPercent; any other value than 150 or 200 is
    // 100): the client area, the drawing surface and the preferences panel at that size, the
    // pictures drawn for it. Also while a move is shown: the move goes on at the new size.
    void ApplyBoardSize();
    // The zoom the board is shown at (1 before the drawing surface is made).
    double ShownZoom() const;
    // Sets the options' size from the menu and shows the board at it.
    void BoardSizeClick(int percent);
    // What failed while the window started, empty when nothing did. After a failed start-up
    // no game can be made.
    const QString& StartUpFailure() const { return startUpFailure_; }
    // After a failed start-up, tells the person that no game can be made and returns true.
    bool RefuseGameAfterFailedStartUp();

    // Enables the commands on the game (taking back, files) as the game and the state allow.
    void RefreshGameCommands();
    // The title names the complete rules while a game by them is on the board.
    void ShowRulesInTitle();

    // The sound device's loaded step, once: it opens the device (a machine without sound stays
    // silent) and the sound list loads its sounds. Called a tenth of a second after the window's
    // first frame, so that the picture does not wait for the sound system, or earlier when a
    // sound is asked for before that.
    void OpenSoundDevice();

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreatePreferencesPanel(); // at the panel's first opening
    // What a confirmed quit does: the game is left and every event loop ends.
    void Terminate();
    void ClosePreferencesPanel();
    void CreateComponents();
    // Runs a step of the start-up: what it raises is shown and remembered.
    template <typename Steps> void StartUp(Steps&& steps);
    // The options record, made from the panel's stored contents if the start-up could not.
    TOptions& TheOptions();
    void RefreshToolTip();
    QString startUpFailure_;
    bool componentsMade_ = false;
    QString hint_;
    bool showHint_ = false;
    bool soundDeviceOpened_ = false;
    bool terminating_ = false;
    friend bool TerminationRequested();
};

// Process-wide references.
extern TForm1* Form1;
extern std::unique_ptr<TOptions> Options;

// Draws one frame (RedrawScene): the hover hint while a game waits for a move, the sprites onto
// the back surface, then the back surface into the window.
void DrawFrame();
// Tests watch every frame drawn (nullptr stops watching).
void SetFrameObserver(std::function<void()> observer);

// Plays item index of the sound list without waiting.
void PlaySoundItem(int index);

// Runs a handler; an exception it raises is shown as the event loop shows it (error icon,
// its text, caption "Ekoba") and the program goes on. Showing it never throws.
template <typename Handler> void Guarded(Handler&& handler);
void ReportException(const std::exception& error) noexcept;
void ReportError(const char* text) noexcept; // ui/Dialogs.h

template <typename Handler> void Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportError(nullptr);
    }
}

// While a move is shown, its frames and sounds must not stop it: a failure of either is shown
// once (the first of the move) and the move goes on, drawing and sounding what still can be.
// Outside a move a failure reaches the handler that asked for the frame or the sound.
class TMoveInProgress {
public:
    TMoveInProgress();
    ~TMoveInProgress();
    TMoveInProgress(const TMoveInProgress&) = delete;
    TMoveInProgress& operator=(const TMoveInProgress&) = delete;

private:
    bool outer_;
};

// True once a confirmed quit asked the application to terminate.
bool TerminationRequested();
// Releases what a confirmed quit leaves for the end of the event loop.
void ReleaseProgramObjects();

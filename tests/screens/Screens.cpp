// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the game for the documentation and for looking at: the real main window, driven
// through its own handlers, grabbed from the screen (under Xvfb: from the X server).
// Usage: ekobarama-screens OUTPUT-DIRECTORY
#include "engine/DXDraw.h"
#include "engine/ImageList.h"
#include "game/Game.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QDir>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <functional>

namespace {

QString outputDir;
int failures = 0;

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

// The drawing surface as the screen shows it now.
void Grab(const QString& name) {
    const QPoint origin = Form1->DXDraw1->mapToGlobal(QPoint(0, 0));
    const QPixmap shot = Form1->screen()->grabWindow(0, origin.x(), origin.y(), 637, 470);
    const QString path = QDir(outputDir).filePath(name + ".png");
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// The game on the board goes on from this position: its record starts there, and the board
// shows it (a scene of pictures may hold more seeds than a game has).
void SetPosition(const std::array<int, 12>& seeds, int player, int score1 = 0) {
    rules::TPosition position;
    for (int i = 1; i <= 12; ++i)
        position.Seeds[i] = static_cast<std::uint8_t>(seeds[i - 1]);
    position.ToMove = static_cast<std::uint8_t>(player);
    position.Score[1] = static_cast<std::uint8_t>(score1);
    record::TGameRecord game(position);
    game.Sides = CurrentGame->Record.Sides;
    CurrentGame->Record = std::move(game);
    CurrentGame->ShowRecord();
}

// Grabs the first frame of a move for which `when` holds.
void GrabDuringMove(int pit, const QString& name, const std::function<bool()>& when) {
    bool done = false;
    SetFrameObserver([&] {
        if (done || !when())
            return;
        done = true;
        Form1->DXDraw1->repaint();
        Settle();
        Grab(name);
    });
    CurrentGame->PlayerToMove().Play(pit);
    SetFrameObserver(nullptr);
    if (!done) {
        std::fprintf(stderr, "%s: the moment never came\n", qPrintable(name));
        ++failures;
    }
}

// A move of `player` from `pit` in a new game, grabbed when its hand shows `picture` (an item of
// image list 3) and its sprite's top edge lies between `fromY` and `toY`.
void GrabHand(int player, int pit, int picture, double fromY, double toY, const QString& name) {
    Form1->NouvellePartie1Click();
    SetPosition({4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, player);
    const TMonSprite& hand = *CurrentGame->Player(player).Hand->Sprite;
    GrabDuringMove(pit, name, [&] {
        return hand.Image == ImageItem(3, picture) && hand.Y >= fromY && hand.Y <= toY;
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ekobarama-screens OUTPUT-DIRECTORY\n");
        return 2;
    }
    TApplication application(argc, argv);
    outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);
    platform::SetPausesEnabled(false);
    platform::SetPresentationPacing(false);
    SetMessageBoxHook([](const TMessageBoxRequest& request) {
        return request.Buttons == TMsgButtons::Ok ? TModalResult::mrOk : TModalResult::mrYes;
    });
    TForm1 form;
    form.show();
    Settle();
    Grab("presentation");

    form.NouvellePartie1Click();
    Settle();
    Grab("board-new");

    // Each player's hand letting a seed fall into a pit, and on its way in over the player's
    // own score band: the open hand with its palm over the band.
    GrabHand(1, 3, TMain::DroppingPicture(1), 200, 300, "hand-1-pit");
    GrabHand(1, 3, TMain::OpenPicture(1), 305, 335, "hand-1-band");
    GrabHand(2, 9, TMain::DroppingPicture(2), -100, 200, "hand-2-pit");
    GrabHand(2, 9, TMain::OpenPicture(2), -45, -15, "hand-2-band");

    // A harvest under way: 7 seeds banked, a pit of 3 being carried back.
    form.NouvellePartie1Click();
    TScore& score = *CurrentGame->Player(1).Score;
    SetPosition({4, 4, 4, 4, 4, 2, 4, 2, 4, 4, 4, 4}, 1, 7);
    GrabDuringMove(6, "harvest-score", [&] {
        const TMonSprite& hand = *CurrentGame->Player(1).Hand->Sprite;
        return score.PendingGain == 3 && hand.Y > 300;
    });

    // Every pit picture, both indicators and every hand picture over the board.
    for (int scene = 0; scene < 2; ++scene) {
        form.NouvellePartie1Click();
        std::array<int, 12> seeds{};
        for (int i = 0; i < 12; ++i)
            seeds[i] = scene == 0 ? i : 12 + i % 9;
        SetPosition(seeds, 1);
        CurrentGame->Tour->Indicator2->Visible = true;
        std::vector<std::unique_ptr<TMonSprite>> hands;
        for (int k = 0; k < 4; ++k) {
            auto hand = std::make_unique<TMonSprite>(SpriteEngine());
            hand->SetZ(4);
            hand->SetImage(3, scene * 4 + k);
            hand->X = 10 + 157 * k;
            hand->Y = (scene * 4 + k) % 2 == 0 ? 0 : 313;
            hands.push_back(std::move(hand));
        }
        RedrawScene();
        Settle();
        Grab(scene == 0 ? "test-scene-pits-0-11-hands-0-3" : "test-scene-pits-12-20-hands-4-7");
    }

    SetFrameObserver(nullptr);
    return failures == 0 ? 0 : 1;
}

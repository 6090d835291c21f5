// SPDX-License-Identifier: GPL-3.0-or-later
// "Options › Taille du plateau" during a game: the window's client area, the back surface, the
// preferences panel and pointing follow the size; the game keeps its layout's coordinates; and
// coming back to 100 % gives every stored rectangle and font size back exactly.
#include "game/GameHost.h"
#include "platform/Rounding.h"
#include "tests/game/GameFixture.h"
#include "ui/PitPicking.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <tuple>
#include <utility>
#include <vector>

using BoardSize = GameTest;

TEST_F(BoardSize, EverySizeScalesTheWindowTheBoardThePanelAndPointingAndComesBackExactly) {
    form->show();
    form->Prferences1Click(); // the panel is made when first opened
    form->BitBtn2Click();
    // The panel's controls at 100 %: their rectangles and the fonts set on them.
    std::vector<std::tuple<QWidget*, QRect, int>> stored;
    for (QWidget* control : form->GroupBox1->findChildren<QWidget*>()) {
        QWidget* parent = control->parentWidget();
        if (parent == form->GroupBox1 || qobject_cast<QGroupBox*>(parent))
            stored.emplace_back(control, control->geometry(),
                                control->testAttribute(Qt::WA_SetFont) ? control->font().pixelSize()
                                                                       : 0);
    }
    ASSERT_GT(stored.size(), 10u);
    NewGame();
    for (const int percent : {200, 150, 100, 200, 100}) {
        QAction* size = form->findChild<QAction*>(QString("Tailleduplateau%1").arg(percent));
        ASSERT_TRUE(size) << percent;
        size->trigger();
        const double zoom = percent / 100.0;
        EXPECT_EQ(Options->BoardPercent, percent);
        EXPECT_TRUE(size->isChecked());
        EXPECT_EQ(form->ClientWidth(), ScaledLength(637, zoom));
        EXPECT_EQ(form->ClientHeight(), ScaledLength(470, zoom));
        EXPECT_EQ(form->DXDraw1->Surface()->Width(), ScaledLength(637, zoom));
        EXPECT_EQ(form->DXDraw1->SurfaceWidth(), 637);
        EXPECT_EQ(form->DXDraw1->SurfaceHeight(), 470);
        // The game sees the window it was laid out for, whatever the size.
        EXPECT_EQ(game::Host().WindowWidth(), 643);
        EXPECT_EQ(game::Host().WindowHeight(), 513);
        for (const auto& [control, rect, pixels] : stored) {
            const QRect expected(
                QPoint(ScaledLength(rect.left(), zoom), ScaledLength(rect.top(), zoom)),
                QPoint(ScaledLength(rect.right() + 1, zoom) - 1,
                       ScaledLength(rect.bottom() + 1, zoom) - 1));
            QRect actual = control->geometry();
            if (qobject_cast<QLabel*>(control) && actual.left() < expected.left())
                actual.setLeft(expected.left()); // grown to the left to hold its zoomed text
            EXPECT_EQ(actual, expected) << control->objectName().toStdString();
            if (pixels > 0) {
                EXPECT_EQ(control->font().pixelSize(), ScaledLength(pixels, zoom))
                    << control->objectName().toStdString();
            }
        }
        // Pointing: the middle and the corners of each pit's drawn picture answer that pit.
        const QPoint origin = form->DXDraw1->mapToGlobal(QPoint(0, 0));
        for (int i = 1; i <= 12; ++i) {
            const TMonSprite& sprite = *CurrentGame->Pit(i).Sprite;
            const int x = static_cast<int>(sprite.X), y = static_cast<int>(sprite.Y);
            const std::pair<int, int> points[] = {{2, 2}, {32, 32}, {63, 63}};
            for (const auto& [dx, dy] : points)
                EXPECT_EQ(
                    PitAt(origin + QPoint(ScaledLength(x + dx, zoom), ScaledLength(y + dy, zoom))),
                    i)
                    << "pit " << i << " at " << percent << " %";
        }
    }
}

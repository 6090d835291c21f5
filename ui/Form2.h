// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules window, and what it shares with the credits window: both are plain windows opened
// from the main window's "?" menu, owned by the main window and centred on it.
#include <QWidget>

class QPlainTextEdit;

// A window's outer geometry as the classic frame gives it: Left and Top of the outer corner,
// Width and Height frame included.
struct FrameGeometry {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const FrameGeometry&) const = default;
};

// The outer corner of a window of outer size width x height centred on owner:
// Left := (owner.Width - width) / 2 rounded to the nearest integer, halves to the even
// neighbour, plus owner.Left; Top likewise with the heights and owner.Top.
QPoint CentredOn(const FrameGeometry& owner, int width, int height);

// The outer geometry a main window reports: the classic frame of the drawing-surface form when
// it is one, otherwise the frame geometry the window system gives.
FrameGeometry OuterGeometryOf(const QWidget& window);

// Widths of a classic frame around a client area.
struct ClassicFrame {
    int Left;
    int Top;
    int Right;
    int Bottom;
};

// A plain window owned by another. Its outer geometry is reported for the classic frame given
// at construction, whatever the window manager really draws, so that its placement lands where
// it was meant to.
class TPlainForm : public QWidget {
    Q_OBJECT
public:
    TPlainForm(QWidget* owner, ClassicFrame frame);

    FrameGeometry Frame() const;
    // Moves the window so that its classic outer corner is at (left, top).
    void SetBounds(int left, int top);
    // Gives the window the classic outer size width x height.
    void SetOuterSize(int width, int height);
    // Centres the window on its owner's outer geometry.
    void CentreOn(const FrameGeometry& owner);

protected:
    // Escape closes the window, as it closes a dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    const ClassicFrame frame_;
};

// "Règle du jeu": the rules of the game in a read-only text filling the whole client area.
class TForm2 : public TPlainForm {
    Q_OBJECT
public:
    // An ordinary resizable frame in the classic look: 4 pixels of sizing border at the left,
    // right and bottom, 23 pixels of border and caption at the top. The outer size 780 x 514
    // leaves a client area of 772 x 487.
    static constexpr ClassicFrame Border{4, 23, 4, 4};
    static constexpr int OuterWidth = 780;
    static constexpr int OuterHeight = 514;

    explicit TForm2(QWidget* owner);

    QPlainTextEdit* Memo1 = nullptr; // owned by the window
};

// "&Règle du jeu": a new rules window owned by mainWindow, centred on it and shown without
// waiting. Every call opens one more window; closing one only hides it, and it is destroyed
// with the main window.
TForm2* OpenRulesWindow(QWidget* mainWindow);

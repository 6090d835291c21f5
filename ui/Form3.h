// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credits window: who made the program, what it is made with, and thanks to the projects it
// is built on. Its underlined addresses open in the system's default handler.
#include "picture/Picture.h"
#include "ui/Form2.h"

#include <QImage>
#include <QLabel>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// Opening a web address with the system's default handler; the result is ignored and a failure
// is not reported. Tests replace the opener; an empty function puts the system's back. Returns
// the previous opener.
using AddressOpener = std::function<void(const QString& address)>;
void OpenAddress(const QString& address);
AddressOpener SetAddressOpener(AddressOpener opener);

// A label that reports a click: the left button pressed and released on it.
class TClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// An image control: its picture painted unscaled at its top-left corner over the window's
// colour. The picture is painted once, when it is set, into the control's own bitmap, so that a
// picture that cannot be painted raises there and not in the middle of a repaint.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);

    // Reads a stored "Picture.Data" value (a class name, then that class's data) into Picture
    // and paints it. Damaged data raise the picture layer's exceptions and leave the control
    // as it was.
    void LoadPicture(std::span<const std::uint8_t> pictureData);
    const TPicture& Picture() const { return *picture_; }
    // What the control shows.
    const QImage& Shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage Render(TPicture& picture) const;

    std::unique_ptr<TPicture> picture_;
    QImage shown_;
};

// "A propos d'Ekobarama ...": a fixed window with a close box only.
class TForm3 : public TPlainForm {
    Q_OBJECT
public:
    // The classic frame of a fixed window without menu: 3 pixels of border at the left, right
    // and bottom, 22 pixels of border and caption at the top; outer = client + (6, 25).
    static constexpr ClassicFrame Border{3, 22, 3, 3};
    static constexpr int ClientWidth = 684;
    static constexpr int ClientHeight = 238;

    explicit TForm3(QWidget* owner);

    // The clickable labels, in the order of the window: the developer's address, the game's,
    // then the addresses of the three projects thanked. Owned by the window.
    TClickLabel* Label5 = nullptr;
    TClickLabel* Label6 = nullptr;
    TClickLabel* Label23 = nullptr;
    TClickLabel* Label24 = nullptr;
    TClickLabel* Label25 = nullptr;
    // The credits picture, an 80 x 100 JPEG picture from the program's stored description.
    TImage* Image1 = nullptr;

    void Label5Click();
    void Label6Click();
    void Label23Click();
    void Label24Click();
    void Label25Click();

private:
    QLabel* AddLabel(const QString& name, int left, int top, const QString& text);
    // A "merci à" label, kept left of the column of the names it introduces.
    QLabel* AddThanks(const QString& name, int left, int top, const QString& text);
    static constexpr int NamesColumn = 128;
    TClickLabel* AddAddress(const QString& name, int left, int top, const QString& address,
                            void (TForm3::*handler)());
};

// "Crédits": a new credits window owned by mainWindow, centred on it and shown without waiting.
TForm3* OpenCreditsWindow(QWidget* mainWindow);

#pragma once
// The credits window: who made the program, what it is made with, and thanks to the projects it
// is built on. Its underlined addresses open in the system's default handler.
#include "ui/Form2.h"

#include <QImage>
#include <QLabel>
#include <functional>

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

// An image control: its picture drawn unscaled at its top-left corner.
class TImage : public QWidget {
public:
    explicit TImage(QWidget* parent);
    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
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
    TImage* Image1 = nullptr;

    void Label5Click();
    void Label6Click();
    void Label23Click();
    void Label24Click();
    void Label25Click();

private:
    QLabel* AddLabel(const QString& name, int left, int top, const QString& text);
    TClickLabel* AddAddress(const QString& name, int left, int top, const QString& address,
                            void (TForm3::*handler)());
};

// "Crédits": a new credits window owned by mainWindow, centred on it and shown without waiting.
TForm3* OpenCreditsWindow(QWidget* mainWindow);

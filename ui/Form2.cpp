// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Form2.h"

#include "platform/Graphics.h"
#include "platform/Rounding.h"
#include "ui/Main.h"
#include "ui/RulesText.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

QPoint CentredOn(const FrameGeometry& owner, int width, int height) {
    return {RoundToInt((owner.Width - width) / 2.0) + owner.Left,
            RoundToInt((owner.Height - height) / 2.0) + owner.Top};
}

FrameGeometry OuterGeometryOf(const QWidget& window) {
    if (const auto* form = dynamic_cast<const TDXForm*>(&window))
        return {form->Left(), form->Top(), form->Width(), form->Height()};
    const QRect outer = window.frameGeometry();
    return {outer.x(), outer.y(), outer.width(), outer.height()};
}

// ---------------------------------------------------------------------------------------------
// TPlainForm

TPlainForm::TPlainForm(QWidget* owner, ClassicFrame frame)
    : QWidget(owner, Qt::Window), frame_(frame) {}

FrameGeometry TPlainForm::Frame() const {
    const QRect client = geometry();
    return {client.x() - frame_.Left, client.y() - frame_.Top,
            client.width() + frame_.Left + frame_.Right,
            client.height() + frame_.Top + frame_.Bottom};
}

void TPlainForm::SetBounds(int left, int top) {
    const QPoint clientOrigin(left + frame_.Left, top + frame_.Top);
    if (isVisible()) {
        // The window manager may have put the window elsewhere: correct by what it really did.
        move(pos() + (clientOrigin - geometry().topLeft()));
    } else {
        setGeometry(QRect(clientOrigin, geometry().size()));
    }
}

void TPlainForm::SetOuterSize(int width, int height) {
    resize(width - frame_.Left - frame_.Right, height - frame_.Top - frame_.Bottom);
}

void TPlainForm::CentreOn(const FrameGeometry& owner) {
    const FrameGeometry own = Frame();
    const QPoint corner = CentredOn(owner, own.Width, own.Height);
    SetBounds(corner.x(), corner.y());
}

void TPlainForm::keyPressEvent(QKeyEvent* event) {
    // The keys a control of the window leaves come here; Escape alone, without a modifier.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// TForm2

TForm2::TForm2(QWidget* owner) : TPlainForm(owner, Border) {
    setObjectName("Form2");
    setWindowTitle(QCoreApplication::translate("Rules", "Règle du jeu"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(palette);
    setAutoFillBackground(true);
    SetOuterSize(OuterWidth, OuterHeight);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setFont(platform::MakeFont("MS Sans Serif", 12, true));
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Text, ToQColor(clWindowText));
    Memo1->setPalette(memoPalette);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setPlainText(RulesText());
    Memo1->setReadOnly(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

TForm2* OpenRulesWindow(QWidget* mainWindow) {
    auto* form = new TForm2(mainWindow); // owned by the main window, destroyed with it
    form->CentreOn(OuterGeometryOf(*mainWindow));
    form->show();
    return form;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Dialogs.h"

#include "ui/BoardAccessibility.h"
#include "ui/Main.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

namespace {
MessageBoxHook hook;
FileDialogHook fileHook;
bool suppressed = false;
} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const TMessageBoxRequest& request) {
    auto box = std::make_unique<QMessageBox>(request.Icon, request.Caption, request.Text,
                                             QMessageBox::NoButton, Form1);
    box->setWindowModality(Qt::ApplicationModal);
    if (request.Buttons == TMsgButtons::Ok) {
        QPushButton* ok =
            box->addButton(QCoreApplication::translate("Messages", "OK"), QMessageBox::AcceptRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    } else {
        // The buttons read "Oui" and "Non" and answer to their first letters, with or without
        // Alt, as a French desktop's question boxes do (in English, "Yes" and "No").
        QPushButton* yes =
            box->addButton(QCoreApplication::translate("Messages", "&Oui"), QMessageBox::YesRole);
        QPushButton* no =
            box->addButton(QCoreApplication::translate("Messages", "&Non"), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
    }
    // The box sizes itself to its text and buttons; a short text would leave the title bar too
    // narrow for the caption ("Ek…a"). An empty item as wide as the caption needs, across the
    // box's grid, holds it open.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const QMargins margins = grid->contentsMargins();
        const int width =
            std::max(0, TitleBarWidth(request.Caption) - margins.left() - margins.right());
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

int TitleBarWidth(const QString& title) {
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.25);
    else
        font.setPixelSize(font.pixelSize() * 5 / 4);
    const QFontMetrics metrics(font);
    const int button = metrics.height() + 8;
    return metrics.horizontalAdvance(title) + 4 * button + 2 * metrics.averageCharWidth();
}

TModalResult ShowMessageBox(const QString& caption, const QString& text, TMsgButtons buttons,
                            QMessageBox::Icon icon) {
    const TModalResult refusal =
        buttons == TMsgButtons::YesNo ? TModalResult::mrNo : TModalResult::mrOk;
    if (suppressed)
        return refusal;
    // What the box is about is on the board for assistive technologies before the box speaks:
    // the move that ended a game is told before the end's notices.
    UpdateBoardAccessibility();
    if (hook)
        return hook({caption, text, buttons, icon});
    const std::unique_ptr<QMessageBox> box = MakeMessageBox({caption, text, buttons, icon});
    box->exec();
    if (buttons == TMsgButtons::Ok)
        return TModalResult::mrOk;
    QAbstractButton* clicked = box->clickedButton();
    return clicked && box->buttonRole(clicked) == QMessageBox::YesRole ? TModalResult::mrYes
                                                                       : TModalResult::mrNo;
}

bool AskToQuit(const QString& text) {
    return ShowMessageBox(QCoreApplication::translate("Messages", "Quitter ?"), text,
                          TMsgButtons::YesNo, QMessageBox::Question) == TModalResult::mrYes;
}

void ShowNotice(const QString& text) {
    ShowMessageBox(ApplicationTitle, text, TMsgButtons::Ok, QMessageBox::NoIcon);
}

void ShowError(const QString& text) {
    ShowMessageBox(ApplicationTitle, text, TMsgButtons::Ok, QMessageBox::Critical);
}

void ReportError(const char* text) noexcept {
    try {
        ShowError(text ? QString::fromUtf8(text)
                       : QCoreApplication::translate("Messages", "erreur inconnue"));
        return;
    } catch (...) {
        // The last resort allocates nothing.
    }
    std::fputs("ekobarama: ", stderr);
    std::fputs(text ? text : "unknown error", stderr);
    std::fputs("\n", stderr);
    std::fflush(stderr);
}

QString AskForGameFile(const TFileDialogRequest& request) {
    if (suppressed)
        return {};
    if (fileHook)
        return fileHook(request);
    QFileDialog dialog(Form1, request.Caption, request.Directory, GameFileFilter());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setDefaultSuffix(GameFileSuffix);
    if (request.Kind == TFileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.FileName.isEmpty())
            dialog.selectFile(request.FileName);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString GameFileFilter() {
    return QCoreApplication::translate("Files", "Parties d'ekoba (*.ekoba)");
}

FileDialogHook SetFileDialogHook(FileDialogHook newHook) {
    FileDialogHook previous = std::move(fileHook);
    fileHook = std::move(newHook);
    return previous;
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook newHook) {
    MessageBoxHook previous = std::move(hook);
    hook = std::move(newHook);
    return previous;
}

void SetMessageBoxesSuppressed(bool value) {
    suppressed = value;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Dialogs.h"

#include "ui/Main.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPushButton>
#include <cstdio>

namespace {
MessageBoxHook hook;
FileDialogHook fileHook;
bool suppressed = false;
} // namespace

TModalResult ShowMessageBox(const QString& caption, const QString& text, TMsgButtons buttons,
                            QMessageBox::Icon icon) {
    const TModalResult refusal =
        buttons == TMsgButtons::YesNo ? TModalResult::mrNo : TModalResult::mrOk;
    if (suppressed)
        return refusal;
    if (hook)
        return hook({caption, text, buttons, icon});
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, Form1);
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == TMsgButtons::Ok) {
        QPushButton* ok =
            box.addButton(QCoreApplication::translate("Messages", "OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return TModalResult::mrOk;
    }
    // The buttons read "Oui" and "Non" and answer to their first letters, with or without Alt,
    // as a French desktop's question boxes do (in English, "Yes" and "No").
    QPushButton* yes =
        box.addButton(QCoreApplication::translate("Messages", "&Oui"), QMessageBox::YesRole);
    QPushButton* no =
        box.addButton(QCoreApplication::translate("Messages", "&Non"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? TModalResult::mrYes : TModalResult::mrNo;
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

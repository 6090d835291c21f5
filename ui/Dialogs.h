// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message box of the program goes through here: modal, owned by the main window, with
// the exact captions and texts, and buttons "OK", "Oui", "Non". Only "Oui" is consent; Escape
// or closing the box counts as "Non". Tests replace the boxes with a hook that answers them.
#include "record/GameFile.h"

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

enum class TMsgButtons { Ok, YesNo };
enum class TModalResult { mrOk, mrYes, mrNo };

struct TMessageBoxRequest {
    QString Caption;
    QString Text;
    TMsgButtons Buttons;
    QMessageBox::Icon Icon;
};
using MessageBoxHook = std::function<TModalResult(const TMessageBoxRequest&)>;

// The application title, caption of notices and of errors reaching the event loop.
inline const QString ApplicationTitle = "Ekoba";

TModalResult ShowMessageBox(const QString& caption, const QString& text, TMsgButtons buttons,
                            QMessageBox::Icon icon);
// The box ShowMessageBox shows, made and not shown: owned by the main window, its buttons
// labelled, and wide enough for the window manager to show its caption whole.
std::unique_ptr<QMessageBox> MakeMessageBox(const TMessageBoxRequest& request);
// The outer width a window needs for its title to show whole in the window manager's title bar,
// beside the bar's icon and buttons: the title in a bold face a quarter larger than the
// application's (title bars use a bold face, often larger), and room for four square buttons.
int TitleBarWidth(const QString& title);
// "Quitter ?" with Oui / Non; true only for Oui.
bool AskToQuit(const QString& text);
// A notice with the caption "Ekoba" and one OK button.
void ShowNotice(const QString& text);
// An error reaching the event loop: error icon, its text, the caption "Ekoba".
void ShowError(const QString& text);
// ShowError, or when even its box cannot be shown (memory has run out), the text in a plain line
// on standard error. Never throws: the error's own report failing does not end the program. A
// null text is an error of unknown kind.
void ReportError(const char* text) noexcept;

// The file dialogs for saved games: Qt's standard dialogs, modal, owned by the main window,
// listing the games (*.ekoba). Tests replace them with a hook that answers them.
enum class TFileDialogKind { Open, Save };
struct TFileDialogRequest {
    TFileDialogKind Kind;
    QString Caption;
    QString Directory; // where the dialog opens
    QString FileName;  // proposed for saving
};
using FileDialogHook = std::function<QString(const TFileDialogRequest&)>;
// The dialogs' filter, in the program's language.
QString GameFileFilter();
inline const QString GameFileSuffix = QString::fromLatin1(
    record::kGameFileSuffix.data(), static_cast<qsizetype>(record::kGameFileSuffix.size()));
// The chosen file's path, or an empty text when the dialog was cancelled. A name typed without
// the suffix gets it; saving over a file asks first.
QString AskForGameFile(const TFileDialogRequest& request);
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// Replaces the real boxes (nullptr puts them back); returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
// Once the program is ending, no box or dialog is shown any more: questions answer "Non", file
// dialogs are cancelled.
void SetMessageBoxesSuppressed(bool suppressed);

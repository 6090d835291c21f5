// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Shortcuts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QString Tr(const char* text) {
    return QCoreApplication::translate("TShortcutsForm", text);
}
} // namespace

QList<QPair<QString, QString>> KeyboardShortcuts() {
    return {
        {Tr("Ctrl+N"), Tr("Nouvelle partie")},
        {Tr("Ctrl+W"), Tr("Quitter la partie")},
        {Tr("Ctrl+Z"), Tr("Annuler le coup")},
        {Tr("Ctrl+Maj+Z"), Tr("Rétablir le coup")},
        {Tr("Ctrl+R"), Tr("Reprendre la partie")},
        {Tr("Ctrl+O"), Tr("Ouvrir une partie")},
        {Tr("Ctrl+S"), Tr("Enregistrer la partie")},
        {Tr("Ctrl+Q"), Tr("Quitter")},
        {Tr("F1"), Tr("Règle du jeu")},
        {Tr("Gauche, Droite"), Tr("Choisir une de ses cases, dans l'ordre où on les voit")},
        {Tr("Début, Fin"), Tr("Aller à sa première ou à sa dernière case jouable")},
        {Tr("Entrée, Espace"), Tr("Jouer la case choisie")},
        {Tr("1 à 6"), Tr("Jouer sa case n, comptée depuis sa gauche")},
    };
}

TShortcutsForm::TShortcutsForm(QWidget* owner) : TPlainForm(owner, Border) {
    setWindowTitle(Tr("Raccourcis clavier"));
    QString table = "<table cellspacing='4'>";
    for (const auto& [keys, action] : KeyboardShortcuts())
        table += "<tr><td><b>" + keys.toHtmlEscaped() + "</b></td><td>" + action.toHtmlEscaped() +
                 "</td></tr>";
    table += "</table><p>" +
             Tr("Les touches du plateau servent au tour d'une personne, la partie en cours.")
                 .toHtmlEscaped() +
             "</p>";
    auto* label = new QLabel(table, this);
    label->setObjectName("Label1");
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    const QSize size = sizeHint().expandedTo(QSize(460, 0));
    SetOuterSize(size.width() + Border.Left + Border.Right,
                 size.height() + Border.Top + Border.Bottom);
}

TShortcutsForm* OpenShortcutsWindow(QWidget* mainWindow) {
    auto* form = new TShortcutsForm(mainWindow); // owned by the main window, destroyed with it
    form->CentreOn(OuterGeometryOf(*mainWindow));
    form->show();
    return form;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Shortcuts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace {
// Every text is marked where it stands, so that the translation tools find it.
QString Tr(const char* text) {
    return QCoreApplication::translate("TShortcutsForm", text);
}
} // namespace

QList<QPair<QString, QString>> KeyboardShortcuts() {
    return {
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+N")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Nouvelle partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+W")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Quitter la partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+Z")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Annuler le coup"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+Maj+Z")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Rétablir le coup"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "H")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Conseil : marquer le meilleur coup"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+L")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Feuille de partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+R")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Reprendre la partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+O")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ouvrir une partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+S")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Enregistrer la partie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Ctrl+Q")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Quitter"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "F1")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Règle du jeu"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Gauche, Droite")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm",
                              "Choisir une de ses cases, dans l'ordre où on les voit"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Début, Fin")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm",
                              "Aller à sa première ou à sa dernière case jouable"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Entrée, Espace")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Jouer la case choisie"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "1 à 6")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Jouer sa case n, comptée depuis sa gauche"))},
        {Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Échap")),
         Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Arrêter ou effacer le conseil"))},
    };
}

TShortcutsForm::TShortcutsForm(QWidget* owner) : TPlainForm(owner, Border) {
    setWindowTitle(Tr(QT_TRANSLATE_NOOP("TShortcutsForm", "Raccourcis clavier")));
    QString table = "<table cellspacing='4'>";
    for (const auto& [keys, action] : KeyboardShortcuts())
        table += "<tr><td><b>" + keys.toHtmlEscaped() + "</b></td><td>" + action.toHtmlEscaped() +
                 "</td></tr>";
    table += "</table><p>" +
             Tr(QT_TRANSLATE_NOOP(
                    "TShortcutsForm",
                    "Les touches du plateau servent au tour d'une personne, la partie en cours."))
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RulesText.h"

#include <QCoreApplication>

namespace {

// clang-format off
// Stored paragraph by paragraph (each a translatable text of one or more lines), exactly as the
// text control holds them in French.
const char* const storedParagraphs[] = {
    QT_TRANSLATE_NOOP("Rules",
                      "\t\t\tRègle du jeu d'ekoba"),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- L'ekoba est un jeu traditionnel africain qui se joue à deux. Il apprend à épargner pour gagner\n"
                      "davantage. Sa symbolique est agricole : comme un cultivateur, chaque joueur gère une réserve de\n"
                      "graines qu'il sème dans la terre afin d'en récolter le plus possible."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le plateau compte 2 x 6 alvéoles qui contiennent chacune 4 graines au début de la partie.\n"
                      "Chaque rangée de six alvéoles forme le camp d'un joueur."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le but du jeu est de récolter le plus grand nombre possible de graines."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Les joueurs jouent chacun à leur tour ; aucun joueur ne peut passer son tour."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t1- Déplacement - Semailles"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le joueur choisit une alvéole non vide de son camp (au premier coup, n'importe laquelle) et\n"
                      "prend toutes les graines qu'elle contient."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Il sème ces graines une à une dans les alvéoles suivantes, dans le sens inverse des aiguilles\n"
                      "d'une montre, sans sauter d'alvéole. Si besoin, il continue dans le camp de l'adversaire, et\n"
                      "ainsi de suite jusqu'à ce que sa main soit vide."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t2- Krou"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- On appelle « krou » une alvéole qui contient assez de graines pour faire le tour complet du\n"
                      "plateau, c'est-à-dire au moins onze graines : une pour chacune des autres alvéoles."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Si les semailles reviennent à l'alvéole de départ, celle-ci est sautée : le joueur continue\n"
                      "dans l'alvéole suivante, et l'alvéole de départ reste vide à la fin du tour."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t3- Prise et gain - Récoltes"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Si la dernière alvéole semée appartient à l'adversaire et contient 2 ou 3 graines après les\n"
                      "semailles, le joueur récolte ces graines, qui s'ajoutent à son gain. Sinon, il ne récolte rien\n"
                      "et le tour passe à l'adversaire."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- L'alvéole semée juste avant est alors récoltée aux mêmes conditions, puis la précédente, et\n"
                      "ainsi de suite, jusqu'à une alvéole qui ne contient pas 2 ou 3 graines ou qui appartient au\n"
                      "joueur : celle-ci n'est pas récoltée. On ne récolte jamais que des graines du camp adverse."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t4- Interdiction de tuer"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Il est interdit de jouer un coup qui récolterait toutes les graines de l'adversaire. Comme le\n"
                      "dit le proverbe : « Qui tue la terre qu'il récolte n'y récoltera plus jamais. »"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le programme ne fait pas respecter cette règle : c'est aux joueurs d'y veiller."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t5- Obligation de nourrir"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Si, au moment de jouer, le joueur voit que son adversaire n'a plus aucune graine, il doit\n"
                      "jouer un coup qui lui en donne. Si aucun coup ne le permet, la partie est terminée."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le programme ne fait pas respecter cette règle non plus : c'est aux joueurs d'y veiller."),
    "",
    "",
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "\t6- Fin de la partie"),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- La partie se termine quand le joueur dont c'est le tour n'a plus aucune graine dans son camp,\n"
                      "ou quand il ne reste plus qu'une graine à chaque joueur."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Chaque joueur prend alors les graines restées dans son propre camp."),
    "",
    QT_TRANSLATE_NOOP("Rules",
                      "- Le gagnant est celui qui a récolté le plus de graines ; à égalité, la partie est nulle."),
};
// clang-format on

} // namespace

QStringList RulesLines() {
    return RulesText().split('\n');
}

QString RulesText() {
    QStringList paragraphs;
    for (const char* paragraph : storedParagraphs)
        paragraphs << (*paragraph ? QCoreApplication::translate("Rules", paragraph) : QString());
    return paragraphs.join('\n');
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RulesText.h"

namespace {

// Stored line by line, exactly as the text control holds it.
// clang-format off
const char* const storedLines[] = {
    "\t\t\tRègle du jeu d'ekoba",
    "",
    "",
    "",
    "- L'ekoba est un jeu traditionnel africain qui se joue à deux. Il apprend à épargner pour gagner",
    "davantage. Sa symbolique est agricole : comme un cultivateur, chaque joueur gère une réserve de",
    "graines qu'il sème dans la terre afin d'en récolter le plus possible.",
    "",
    "- Le plateau compte 2 x 6 alvéoles qui contiennent chacune 4 graines au début de la partie.",
    "Chaque rangée de six alvéoles forme le camp d'un joueur.",
    "",
    "- Le but du jeu est de récolter le plus grand nombre possible de graines.",
    "",
    "- Les joueurs jouent chacun à leur tour ; aucun joueur ne peut passer son tour.",
    "",
    "",
    "",
    "\t1- Déplacement - Semailles",
    "",
    "- Le joueur choisit une alvéole non vide de son camp (au premier coup, n'importe laquelle) et",
    "prend toutes les graines qu'elle contient.",
    "",
    "- Il sème ces graines une à une dans les alvéoles suivantes, dans le sens inverse des aiguilles",
    "d'une montre, sans sauter d'alvéole. Si besoin, il continue dans le camp de l'adversaire, et",
    "ainsi de suite jusqu'à ce que sa main soit vide.",
    "",
    "",
    "",
    "\t2- Krou",
    "",
    "- On appelle « krou » une alvéole qui contient assez de graines pour faire le tour complet du",
    "plateau, c'est-à-dire au moins onze graines : une pour chacune des autres alvéoles.",
    "",
    "- Si les semailles reviennent à l'alvéole de départ, celle-ci est sautée : le joueur continue",
    "dans l'alvéole suivante, et l'alvéole de départ reste vide à la fin du tour.",
    "",
    "",
    "",
    "\t3- Prise et gain - Récoltes",
    "",
    "- Si la dernière alvéole semée appartient à l'adversaire et contient 2 ou 3 graines après les",
    "semailles, le joueur récolte ces graines, qui s'ajoutent à son gain. Sinon, il ne récolte rien",
    "et le tour passe à l'adversaire.",
    "",
    "- L'alvéole semée juste avant est alors récoltée aux mêmes conditions, puis la précédente, et",
    "ainsi de suite, jusqu'à une alvéole qui ne contient pas 2 ou 3 graines ou qui appartient au",
    "joueur : celle-ci n'est pas récoltée. On ne récolte jamais que des graines du camp adverse.",
    "",
    "",
    "",
    "\t4- Interdiction de tuer",
    "",
    "- Il est interdit de jouer un coup qui récolterait toutes les graines de l'adversaire. Comme le",
    "dit le proverbe : « Qui tue la terre qu'il récolte n'y récoltera plus jamais. »",
    "",
    "- Le programme ne fait pas respecter cette règle : c'est aux joueurs d'y veiller.",
    "",
    "",
    "",
    "\t5- Obligation de nourrir",
    "",
    "- Si, au moment de jouer, le joueur voit que son adversaire n'a plus aucune graine, il doit",
    "jouer un coup qui lui en donne. Si aucun coup ne le permet, la partie est terminée.",
    "",
    "- Le programme ne fait pas respecter cette règle non plus : c'est aux joueurs d'y veiller.",
    "",
    "",
    "",
    "\t6- Fin de la partie",
    "",
    "- La partie se termine quand le joueur dont c'est le tour n'a plus aucune graine dans son camp,",
    "ou quand il ne reste plus qu'une graine à chaque joueur.",
    "",
    "- Chaque joueur prend alors les graines restées dans son propre camp.",
    "",
    "- Le gagnant est celui qui a récolté le plus de graines ; à égalité, la partie est nulle.",
};
// clang-format on

} // namespace

const QStringList& RulesLines() {
    static const QStringList lines = [] {
        QStringList result;
        for (const char* line : storedLines)
            result << QString::fromUtf8(line);
        return result;
    }();
    return lines;
}

QString RulesText() {
    return RulesLines().join('\n');
}

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>Accessibility</name>
    <message>
        <source>Plateau</source>
        <translation>Board</translation>
    </message>
    <message>
        <source>Aucune partie en cours</source>
        <translation>No game on</translation>
    </message>
    <message>
        <source>0 graine</source>
        <translation>0 seeds</translation>
    </message>
    <message>
        <source>1 graine</source>
        <translation>1 seed</translation>
    </message>
    <message>
        <source>%1 graines</source>
        <translation>%1 seeds</translation>
    </message>
    <message>
        <source>Case %1 de %2 : %3</source>
        <translation>Pit %1 of %2: %3</translation>
    </message>
    <message>
        <source>Score de %1 : %2</source>
        <translation>Score of %1: %2</translation>
    </message>
    <message>
        <source>Partie terminée</source>
        <translation>Game over</translation>
    </message>
    <message>
        <source>Au tour de %1</source>
        <translation>%1 to move</translation>
    </message>
    <message>
        <source>Aucun coup joué</source>
        <translation>No move played</translation>
    </message>
    <message>
        <source>%1 a joué sa case %2 et pris %3. Scores : %4, %5.</source>
        <translation>%1 played pit %2 and took %3. Scores: %4, %5.</translation>
    </message>
</context>
<context>
    <name>Board</name>
    <message>
        <source>Interdit : ce coup prendrait toutes les graines de l&apos;adversaire</source>
        <translation>Forbidden: this move would take all of the opponent&apos;s seeds</translation>
    </message>
    <message>
        <source>Interdit : l&apos;adversaire n&apos;a plus de graine, il faut le nourrir</source>
        <translation>Forbidden: the opponent has no seed left and must be fed</translation>
    </message>
</context>
<context>
    <name>Credits</name>
    <message>
        <source>L&apos;équipe Ekobarama</source>
        <translation>The Ekobarama team</translation>
    </message>
    <message>
        <source>https://fr.wikipedia.org/wiki/Awalé</source>
        <translation>https://en.wikipedia.org/wiki/Oware</translation>
    </message>
    <message>
        <source>(pas d&apos;adresse e-mail)</source>
        <translation>(no e-mail address)</translation>
    </message>
    <message>
        <source>https://fr.wikipedia.org/wiki/Mancala</source>
        <translation>https://en.wikipedia.org/wiki/Mancala</translation>
    </message>
    <message>
        <source>A propos d&apos;Ekobarama ...</source>
        <translation>About Ekobarama ...</translation>
    </message>
    <message>
        <source>Auteurs :</source>
        <translation>Authors:</translation>
    </message>
    <message>
        <source>Développeur :</source>
        <translation>Developer:</translation>
    </message>
    <message>
        <source>Graphiste :</source>
        <translation>Graphics:</translation>
    </message>
    <message>
        <source>Site web du jeu Ekoba :</source>
        <translation>Ekoba game web site:</translation>
    </message>
    <message>
        <source>Logiciels utilisés :</source>
        <translation>Software used:</translation>
    </message>
    <message>
        <source>Version :</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Remerciements :</source>
        <translation>Thanks:</translation>
    </message>
    <message>
        <source>merci à</source>
        <translation>thanks to</translation>
    </message>
    <message>
        <source>pour les paquets sur lesquels ce programme est construit</source>
        <translation>for the packages this program is built on</translation>
    </message>
    <message>
        <source>pour les fenêtres, les menus et le dessin</source>
        <translation>for the windows, the menus and the drawing</translation>
    </message>
    <message>
        <source>pour le décodage des images JPEG</source>
        <translation>for decoding the JPEG pictures</translation>
    </message>
    <message>
        <source>pour la sortie du son</source>
        <translation>for the sound output</translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>Parties d&apos;ekoba (*.ekoba)</source>
        <translation>Ekoba games (*.ekoba)</translation>
    </message>
    <message>
        <source>Ligne %1 : %2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>La partie « %1 » ne peut pas être ouverte :
%2</source>
        <translation>The game “%1” cannot be opened:
%2</translation>
    </message>
    <message>
        <source>Ouvrir une partie</source>
        <translation>Open a game</translation>
    </message>
    <message>
        <source>partie-%1.%2</source>
        <translation>game-%1.%2</translation>
    </message>
    <message>
        <source>Enregistrer la partie</source>
        <translation>Save the game</translation>
    </message>
    <message>
        <source>La partie n&apos;a pas pu être enregistrée dans « %1 » :
%2</source>
        <translation>The game could not be saved in “%1”:
%2</translation>
    </message>
    <message>
        <source>Impossible d&apos;ouvrir « %1 » : %2</source>
        <translation>Cannot open “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible de lire « %1 » : %2</source>
        <translation>Cannot read “%1”: %2</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un fichier ordinaire</source>
        <translation>“%1” is not a regular file</translation>
    </message>
    <message>
        <source>Le fichier « %1 » est trop grand (plus de %2 octets)</source>
        <translation>The file “%1” is too large (more than %2 bytes)</translation>
    </message>
    <message>
        <source>le fichier est trop grand (plus de %1 Kio)</source>
        <translation>the file is too large (more than %1 KiB)</translation>
    </message>
    <message>
        <source>ligne trop longue (plus de %1 octets)</source>
        <translation>line too long (more than %1 bytes)</translation>
    </message>
    <message>
        <source>le texte n&apos;est pas de l&apos;UTF-8 valide (colonne %1)</source>
        <translation>the text is not valid UTF-8 (column %1)</translation>
    </message>
    <message>
        <source>caractère de contrôle (colonne %1)</source>
        <translation>control character (column %1)</translation>
    </message>
    <message>
        <source>ce n&apos;est pas un fichier de partie d&apos;ekoba (il commence par [Game &quot;Ekoba&quot;])</source>
        <translation>this is not an ekoba game file (one starts with [Game &quot;Ekoba&quot;])</translation>
    </message>
    <message>
        <source>un fichier de partie commence par [Game &quot;Ekoba&quot;]</source>
        <translation>a game file starts with [Game &quot;Ekoba&quot;]</translation>
    </message>
    <message>
        <source>étiquette inconnue « %1 »</source>
        <translation>unknown tag “%1”</translation>
    </message>
    <message>
        <source>étiquette « %1 » répétée</source>
        <translation>tag “%1” repeated</translation>
    </message>
    <message>
        <source>l&apos;étiquette « %1 » manque</source>
        <translation>the tag “%1” is missing</translation>
    </message>
    <message>
        <source>une étiquette s&apos;écrit [Nom &quot;valeur&quot;]</source>
        <translation>a tag is written [Name &quot;value&quot;]</translation>
    </message>
    <message>
        <source>dans une valeur, \ ne précède que &quot; ou \</source>
        <translation>in a value, \ comes only before &quot; or \</translation>
    </message>
    <message>
        <source>ce fichier est une partie de « %1 », pas d&apos;ekoba</source>
        <translation>this file is a game of “%1”, not of ekoba</translation>
    </message>
    <message>
        <source>date trop longue</source>
        <translation>date too long</translation>
    </message>
    <message>
        <source>nom trop long (plus de %1 caractères)</source>
        <translation>name too long (more than %1 characters)</translation>
    </message>
    <message>
        <source>« %1 » ne dit pas qui joue (personne, debutant, moyen, fort ou expert)</source>
        <translation>“%1” does not say who plays (personne, debutant, moyen, fort or expert)</translation>
    </message>
    <message>
        <source>la position s&apos;écrit « a b c d e f / a b c d e f / joueur / score1 score2 »</source>
        <translation>a position is written “a b c d e f / a b c d e f / player / score1 score2”</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un nombre de graines (0 à %2)</source>
        <translation>“%1” is not a number of seeds (0 to %2)</translation>
    </message>
    <message>
        <source>le joueur qui a le trait est 1 ou 2, pas « %1 »</source>
        <translation>the player to move is 1 or 2, not “%1”</translation>
    </message>
    <message>
        <source>la position compte %1 graines au lieu de %2</source>
        <translation>the position holds %1 seeds instead of %2</translation>
    </message>
    <message>
        <source>résultat « %1 » inconnu (1-0, 0-1, 1/2-1/2 ou *)</source>
        <translation>unknown result “%1” (1-0, 0-1, 1/2-1/2 or *)</translation>
    </message>
    <message>
        <source>étiquette après les coups</source>
        <translation>tag after the moves</translation>
    </message>
    <message>
        <source>texte après le résultat : « %1 »</source>
        <translation>text after the result: “%1”</translation>
    </message>
    <message>
        <source>la partie s&apos;arrête sans son résultat (fichier tronqué ?)</source>
        <translation>the game stops without its result (file cut short?)</translation>
    </message>
    <message>
        <source>commentaire { sans } fermante</source>
        <translation>comment { without its closing }</translation>
    </message>
    <message>
        <source>le résultat « %1 » n&apos;est pas celui de l&apos;étiquette Result « %2 »</source>
        <translation>the result “%1” is not the Result tag&apos;s “%2”</translation>
    </message>
    <message>
        <source>le résultat « %1 » ne découle pas des coups (la partie n&apos;est pas finie)</source>
        <translation>the result “%1” does not follow from the moves (the game is not over)</translation>
    </message>
    <message>
        <source>le résultat « %1 » ne découle pas des coups (ils donnent %2)</source>
        <translation>the result “%1” does not follow from the moves (they give %2)</translation>
    </message>
    <message>
        <source>le numéro de coup n&apos;est suivi d&apos;aucun coup</source>
        <translation>the move number is followed by no move</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est ni un coup ni un numéro de coup</source>
        <translation>“%1” is neither a move nor a move number</translation>
    </message>
    <message>
        <source>deux numéros de coup de suite</source>
        <translation>two move numbers in a row</translation>
    </message>
    <message>
        <source>numéro de coup « %1 » après la fin de la partie</source>
        <translation>move number “%1” after the end of the game</translation>
    </message>
    <message>
        <source>numéro de coup « %1 » au lieu de « %2 »</source>
        <translation>move number “%1” instead of “%2”</translation>
    </message>
    <message>
        <source>« %1 » n&apos;est pas un coup (une lettre de a à f, puis x et les graines prises)</source>
        <translation>“%1” is not a move (a letter from a to f, then x and the seeds taken)</translation>
    </message>
    <message>
        <source>coup « %1 » après la fin de la partie</source>
        <translation>move “%1” after the end of the game</translation>
    </message>
    <message>
        <source>le coup « %1 » du joueur 1 n&apos;a pas son numéro « %2 »</source>
        <translation>player 1&apos;s move “%1” lacks its number “%2”</translation>
    </message>
    <message>
        <source>plus de %1 coups</source>
        <translation>more than %1 moves</translation>
    </message>
    <message>
        <source>coup « %1 » impossible : la case %2 du joueur %3 est vide</source>
        <translation>move “%1” impossible: player %3&apos;s pit %2 is empty</translation>
    </message>
    <message>
        <source>le coup « %1 » prend %2 graines, pas %3</source>
        <translation>the move “%1” takes %2 seeds, not %3</translation>
    </message>
    <message>
        <source>Nom de fichier vide</source>
        <translation>Empty file name</translation>
    </message>
    <message>
        <source>Impossible de créer le dossier « %1 » : %2</source>
        <translation>Cannot make the folder “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire à côté de « %1 » : %2</source>
        <translation>Cannot write beside “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible de régler les droits de « %1 » : %2</source>
        <translation>Cannot set the permissions of “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire « %1 » : %2</source>
        <translation>Cannot write “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible d&apos;écrire sur le disque « %1 » : %2</source>
        <translation>Cannot write “%1” to the disk: %2</translation>
    </message>
    <message>
        <source>Impossible de terminer l&apos;écriture de « %1 » : %2</source>
        <translation>Cannot finish writing “%1”: %2</translation>
    </message>
    <message>
        <source>Impossible de remplacer « %1 » : %2</source>
        <translation>Cannot replace “%1”: %2</translation>
    </message>
    <message>
        <source>La partie inachevée est ouverte dans une autre fenêtre d&apos;Ekobarama. Les parties de cette fenêtre-ci sont gardées à part, dans « %1 ».</source>
        <translation>The unfinished game is open in another Ekobarama window. This window keeps its games apart, in “%1”.</translation>
    </message>
    <message>
        <source>La partie ne pourra pas être reprise si le jeu est fermé : elle ne peut pas être gardée dans « %1 ».
%2</source>
        <translation>The game cannot be resumed once the program is closed: it cannot be kept in “%1”.
%2</translation>
    </message>
    <message>
        <source>règles « %1 » inconnues (standard ou full)</source>
        <translation>unknown rules “%1” (standard or full)</translation>
    </message>
    <message>
        <source>coup « %1 » interdit par les règles complètes : il prendrait toutes les graines du joueur %2</source>
        <translation>move “%1” forbidden by the complete rules: it would take all of player %2&apos;s seeds</translation>
    </message>
    <message>
        <source>coup « %1 » interdit par les règles complètes : le joueur %2 n&apos;a plus de graine et ce coup ne lui en donne pas</source>
        <translation>move “%1” forbidden by the complete rules: player %2 has no seed left and it gives him none</translation>
    </message>
</context>
<context>
    <name>Hint</name>
    <message>
        <source>Conseil : l&apos;ordinateur réfléchit…</source>
        <translation>Hint: the computer is thinking…</translation>
    </message>
    <message>
        <source>Coup conseillé : la case marquée</source>
        <translation>Suggested move: the marked pit</translation>
    </message>
    <message>
        <source>Avec le meilleur jeu : partie nulle</source>
        <translation>With best play: a draw</translation>
    </message>
    <message>
        <source>Avec le meilleur jeu : gagné de %1 graine</source>
        <translation>With best play: won by %1 seed</translation>
    </message>
    <message>
        <source>Avec le meilleur jeu : gagné de %1 graines</source>
        <translation>With best play: won by %1 seeds</translation>
    </message>
    <message>
        <source>Avec le meilleur jeu : perdu de %1 graine</source>
        <translation>With best play: lost by %1 seed</translation>
    </message>
    <message>
        <source>Avec le meilleur jeu : perdu de %1 graines</source>
        <translation>With best play: lost by %1 seeds</translation>
    </message>
    <message>
        <source>Pas de conseil cette fois (%1).</source>
        <translation>No hint this time (%1).</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>&amp;Jeu</source>
        <translation>&amp;Game</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>&amp;Nouvelle partie</source>
        <translation>&amp;New game</translation>
    </message>
    <message>
        <source>&amp;Quitter la partie </source>
        <translation>&amp;Leave the game</translation>
    </message>
    <message>
        <source>&amp;Annuler le coup</source>
        <translation>&amp;Undo the move</translation>
    </message>
    <message>
        <source>&amp;Rétablir le coup</source>
        <translation>&amp;Redo the move</translation>
    </message>
    <message>
        <source>Annuler &amp;tous les coups</source>
        <translation>Undo &amp;all the moves</translation>
    </message>
    <message>
        <source>Rétablir tou&amp;s les coups</source>
        <translation>Re&amp;do all the moves</translation>
    </message>
    <message>
        <source>Re&amp;prendre la partie</source>
        <translation>Resu&amp;me the game</translation>
    </message>
    <message>
        <source>&amp;Ouvrir une partie…</source>
        <translation>&amp;Open a game…</translation>
    </message>
    <message>
        <source>&amp;Enregistrer la partie…</source>
        <translation>&amp;Save the game…</translation>
    </message>
    <message>
        <source>&amp;Quitter</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>&amp;Préferences</source>
        <translation>&amp;Preferences</translation>
    </message>
    <message>
        <source>&amp;Bruitages</source>
        <translation>&amp;Sound effects</translation>
    </message>
    <message>
        <source>&amp;Règle du jeu</source>
        <translation>&amp;Rules of the game</translation>
    </message>
    <message>
        <source>Crédits</source>
        <translation>Credits</translation>
    </message>
    <message>
        <source>&amp;Conseil</source>
        <translation>&amp;Hint</translation>
    </message>
    <message>
        <source>&amp;?</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Vitesse de l&apos;animation</source>
        <translation>&amp;Animation speed</translation>
    </message>
    <message>
        <source>&amp;Normale</source>
        <translation>&amp;Normal</translation>
    </message>
    <message>
        <source>&amp;Rapide</source>
        <translation>&amp;Fast</translation>
    </message>
    <message>
        <source>&amp;Sans animation</source>
        <translation>N&amp;o animation</translation>
    </message>
    <message>
        <source>&amp;Feuille de partie</source>
        <translation>&amp;Move list</translation>
    </message>
    <message>
        <source>Ana&amp;lyser la partie</source>
        <translation>Re&amp;view the game</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>L&apos;ordinateur n&apos;a pas pu choisir son coup (%1). Jouez ce coup à sa place ; il rejouera au tour suivant.</source>
        <translation>The computer could not choose its move (%1). Play this move for it; it will play again on its next turn.</translation>
    </message>
    <message>
        <source>mémoire insuffisante</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>erreur inconnue</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Oui</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Non</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Quitter ?</source>
        <translation>Quit?</translation>
    </message>
    <message>
        <source>Etes vous sur(e) de vouloir quitter cette partie ?</source>
        <translation>Are you sure you want to leave this game?</translation>
    </message>
    <message>
        <source>Une partie ne peut pas commencer : le démarrage du jeu a échoué (%1).</source>
        <translation>A game cannot begin: the program failed to start properly (%1).</translation>
    </message>
    <message>
        <source>Etes vous sur(e) de vouloir quitter le jeu ?</source>
        <translation>Are you sure you want to quit Ekobarama?</translation>
    </message>
    <message>
        <source>Vous devez donner un nom pour le joueur 1</source>
        <translation>You must give a name for player 1</translation>
    </message>
    <message>
        <source>Vous devez donner un nom pour le joueur 2</source>
        <translation>You must give a name for player 2</translation>
    </message>
    <message>
        <source>Le jeu est bloqué ! Fin de la partie</source>
        <translation>The game is blocked! End of the game</translation>
    </message>
    <message>
        <source>Les joueurs gagnent les billes qui restent dans leurs camps</source>
        <translation>Each player wins the seeds left in their camp</translation>
    </message>
    <message>
        <source>Vainqueur : joueur 1</source>
        <translation>Winner: player 1</translation>
    </message>
    <message>
        <source>Vainqueur : joueur 2</source>
        <translation>Winner: player 2</translation>
    </message>
    <message>
        <source>Egalité !</source>
        <translation>It&apos;s a draw!</translation>
    </message>
</context>
<context>
    <name>Panel</name>
    <message>
        <source>Préferences</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>Joueurs</source>
        <translation>Players</translation>
    </message>
    <message>
        <source>Nom Joueur 1 : </source>
        <translation>Player 1 name: </translation>
    </message>
    <message>
        <source>Nom Joueur 2 : </source>
        <translation>Player 2 name: </translation>
    </message>
    <message>
        <source>Joué par : </source>
        <translation>Played by: </translation>
    </message>
    <message>
        <source>Bruitages</source>
        <translation>Sound effects</translation>
    </message>
    <message>
        <source>Activés</source>
        <translation>On</translation>
    </message>
    <message>
        <source>Désactivés</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Une personne</source>
        <translation>A person</translation>
    </message>
    <message>
        <source>Ordinateur : Débutant</source>
        <translation>Computer: Beginner</translation>
    </message>
    <message>
        <source>Ordinateur : Moyen</source>
        <translation>Computer: Intermediate</translation>
    </message>
    <message>
        <source>Ordinateur : Fort</source>
        <translation>Computer: Strong</translation>
    </message>
    <message>
        <source>Ordinateur : Expert</source>
        <translation>Computer: Expert</translation>
    </message>
    <message>
        <source>Joueur 1</source>
        <translation>Player 1</translation>
    </message>
    <message>
        <source>Joueur 2</source>
        <translation>Player 2</translation>
    </message>
    <message>
        <source>Ordinateur</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>Nom du joueur 1</source>
        <translation>Player 1 name</translation>
    </message>
    <message>
        <source>Nom du joueur 2</source>
        <translation>Player 2 name</translation>
    </message>
    <message>
        <source>Joueur 1 joué par</source>
        <translation>Player 1 played by</translation>
    </message>
    <message>
        <source>Joueur 2 joué par</source>
        <translation>Player 2 played by</translation>
    </message>
</context>
<context>
    <name>Rules</name>
    <message>
        <source>Règle du jeu</source>
        <translation>Rules of the game</translation>
    </message>
    <message>
        <source>			Règle du jeu d&apos;ekoba</source>
        <translation>			The rules of ekoba</translation>
    </message>
    <message>
        <source>- L&apos;ekoba est un jeu traditionnel africain qui se joue à deux. Il apprend à épargner pour gagner
davantage. Sa symbolique est agricole : comme un cultivateur, chaque joueur gère une réserve de
graines qu&apos;il sème dans la terre afin d&apos;en récolter le plus possible.</source>
        <translation>- Ekoba is a traditional African game for two players. It teaches saving in order to gain more.
Its symbolism comes from farming: like a farmer, each player manages a store of seeds and sows
them in the land so as to harvest as much as possible.</translation>
    </message>
    <message>
        <source>- Le plateau compte 2 x 6 alvéoles qui contiennent chacune 4 graines au début de la partie.
Chaque rangée de six alvéoles forme le camp d&apos;un joueur.</source>
        <translation>- The board has 2 x 6 pits, each holding 4 seeds at the start of the game. Each row of six pits
is one player&apos;s camp.</translation>
    </message>
    <message>
        <source>- Le but du jeu est de récolter le plus grand nombre possible de graines.</source>
        <translation>- The aim of the game is to harvest as many seeds as possible.</translation>
    </message>
    <message>
        <source>- Les joueurs jouent chacun à leur tour ; aucun joueur ne peut passer son tour.</source>
        <translation>- The players take turns; no player may pass.</translation>
    </message>
    <message>
        <source>	1- Déplacement - Semailles</source>
        <translation>	1- Moving - Sowing</translation>
    </message>
    <message>
        <source>- Le joueur choisit une alvéole non vide de son camp (au premier coup, n&apos;importe laquelle) et
prend toutes les graines qu&apos;elle contient.</source>
        <translation>- The player chooses a pit in their camp that is not empty (on the first move, any of them) and
takes all the seeds it holds.</translation>
    </message>
    <message>
        <source>- Il sème ces graines une à une dans les alvéoles suivantes, dans le sens inverse des aiguilles
d&apos;une montre, sans sauter d&apos;alvéole. Si besoin, il continue dans le camp de l&apos;adversaire, et
ainsi de suite jusqu&apos;à ce que sa main soit vide.</source>
        <translation>- They sow these seeds one by one into the following pits, counter-clockwise, without skipping a
pit. If need be, they go on into the opponent&apos;s camp, and so on until their hand is empty.</translation>
    </message>
    <message>
        <source>	2- Krou</source>
        <translation>	2- Krou</translation>
    </message>
    <message>
        <source>- On appelle « krou » une alvéole qui contient assez de graines pour faire le tour complet du
plateau, c&apos;est-à-dire au moins onze graines : une pour chacune des autres alvéoles.</source>
        <translation>- A &quot;krou&quot; is a pit holding enough seeds to go all the way round the board, that is at least
eleven seeds: one for each of the other pits.</translation>
    </message>
    <message>
        <source>- Si les semailles reviennent à l&apos;alvéole de départ, celle-ci est sautée : le joueur continue
dans l&apos;alvéole suivante, et l&apos;alvéole de départ reste vide à la fin du tour.</source>
        <translation>- If the sowing comes back to the pit it started from, that pit is skipped: the player goes on
into the next pit, and the starting pit stays empty at the end of the turn.</translation>
    </message>
    <message>
        <source>	3- Prise et gain - Récoltes</source>
        <translation>	3- Capture and gain - Harvests</translation>
    </message>
    <message>
        <source>- Si la dernière alvéole semée appartient à l&apos;adversaire et contient 2 ou 3 graines après les
semailles, le joueur récolte ces graines, qui s&apos;ajoutent à son gain. Sinon, il ne récolte rien
et le tour passe à l&apos;adversaire.</source>
        <translation>- If the last pit sown belongs to the opponent and holds 2 or 3 seeds after the sowing, the
player harvests these seeds, which are added to their gain. Otherwise they harvest nothing and
the turn passes to the opponent.</translation>
    </message>
    <message>
        <source>- L&apos;alvéole semée juste avant est alors récoltée aux mêmes conditions, puis la précédente, et
ainsi de suite, jusqu&apos;à une alvéole qui ne contient pas 2 ou 3 graines ou qui appartient au
joueur : celle-ci n&apos;est pas récoltée. On ne récolte jamais que des graines du camp adverse.</source>
        <translation>- The pit sown just before is then harvested on the same conditions, then the one before it, and
so on, until a pit that does not hold 2 or 3 seeds or that belongs to the player: that pit is
not harvested. Only seeds from the opponent&apos;s camp are ever harvested.</translation>
    </message>
    <message>
        <source>	4- Interdiction de tuer</source>
        <translation>	4- No killing</translation>
    </message>
    <message>
        <source>- Il est interdit de jouer un coup qui récolterait toutes les graines de l&apos;adversaire. Comme le
dit le proverbe : « Qui tue la terre qu&apos;il récolte n&apos;y récoltera plus jamais. »</source>
        <translation>- It is forbidden to play a move that would harvest all of the opponent&apos;s seeds. As the saying
goes: &quot;Whoever kills the land they harvest will never harvest from it again.&quot;</translation>
    </message>
    <message>
        <source>- Le programme ne fait pas respecter cette règle : c&apos;est aux joueurs d&apos;y veiller.</source>
        <translation>- The program does not enforce this rule: it is up to the players to see to it.</translation>
    </message>
    <message>
        <source>	5- Obligation de nourrir</source>
        <translation>	5- Duty to feed</translation>
    </message>
    <message>
        <source>- Si, au moment de jouer, le joueur voit que son adversaire n&apos;a plus aucune graine, il doit
jouer un coup qui lui en donne. Si aucun coup ne le permet, la partie est terminée.</source>
        <translation>- If, when it is their turn, the player sees that the opponent has no seeds left, they must play
a move that gives the opponent some. If no move does, the game is over.</translation>
    </message>
    <message>
        <source>- Le programme ne fait pas respecter cette règle non plus : c&apos;est aux joueurs d&apos;y veiller.</source>
        <translation>- The program does not enforce this rule either: it is up to the players to see to it.</translation>
    </message>
    <message>
        <source>	6- Fin de la partie</source>
        <translation>	6- End of the game</translation>
    </message>
    <message>
        <source>- La partie se termine quand le joueur dont c&apos;est le tour n&apos;a plus aucune graine dans son camp,
ou quand il ne reste plus qu&apos;une graine à chaque joueur.</source>
        <translation>- The game ends when the player whose turn it is has no seed left in their camp, or when each
player has only one seed left.</translation>
    </message>
    <message>
        <source>- Chaque joueur prend alors les graines restées dans son propre camp.</source>
        <translation>- Each player then takes the seeds left in their own camp.</translation>
    </message>
    <message>
        <source>- Le gagnant est celui qui a récolté le plus de graines ; à égalité, la partie est nulle.</source>
        <translation>- The winner is the player who has harvested the most seeds; if both have as many, the game is a
draw.</translation>
    </message>
</context>
<context>
    <name>Score</name>
    <message>
        <source>%1 : %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Raccourcis c&amp;lavier</source>
        <translation>&amp;Keyboard shortcuts</translation>
    </message>
    <message>
        <source>Afficher le nombre de graines</source>
        <translation>Show the number of seeds</translation>
    </message>
    <message>
        <source>&amp;Taille du plateau</source>
        <translation>&amp;Board size</translation>
    </message>
    <message>
        <source>&amp;100 %</source>
        <translation>&amp;100%</translation>
    </message>
    <message>
        <source>1&amp;50 %</source>
        <translation>1&amp;50%</translation>
    </message>
    <message>
        <source>&amp;200 %</source>
        <translation>&amp;200%</translation>
    </message>
    <message>
        <source>Ekobarama – règles complètes</source>
        <translation>Ekobarama – complete rules</translation>
    </message>
    <message>
        <source>Règles complètes (ne pas affamer, nourrir)</source>
        <translation>Complete rules (no starving, feeding)</translation>
    </message>
</context>
<context>
    <name>TGameSheet</name>
    <message>
        <source>Courbe de la partie</source>
        <translation>Game curve</translation>
    </message>
    <message>
        <source>La valeur de la position coup par coup, en graines : en haut l&apos;avantage de %1, en bas celui de %2.</source>
        <translation>The position&apos;s value move by move, in seeds: %1&apos;s advantage above, %2&apos;s below.</translation>
    </message>
    <message>
        <source>Avantage %1</source>
        <translation>%1 ahead</translation>
    </message>
    <message>
        <source>Feuille de partie</source>
        <translation>Move list</translation>
    </message>
    <message>
        <source>Coups de la partie</source>
        <translation>Moves of the game</translation>
    </message>
    <message>
        <source>N°</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Joueur</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>Coup</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Prises</source>
        <translation>Taken</translation>
    </message>
    <message>
        <source>Score</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>Perte</source>
        <translation>Loss</translation>
    </message>
    <message>
        <source>Meilleur</source>
        <translation>Best</translation>
    </message>
    <message>
        <source>Analyse en cours</source>
        <translation>Review under way</translation>
    </message>
    <message>
        <source>Arrêter l&apos;analyse</source>
        <translation>Stop the review</translation>
    </message>
    <message>
        <source>Pas de partie en cours.</source>
        <translation>No game on the board.</translation>
    </message>
    <message>
        <source>%1 (en bas) contre %2 (en haut)</source>
        <translation>%1 (below) against %2 (above)</translation>
    </message>
    <message>
        <source>Début</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Valeurs exactes (table des finales)</source>
        <translation>Exact values (endgame table)</translation>
    </message>
    <message>
        <source>Valeurs calculées (recherche à %1 coups)</source>
        <translation>Searched values (%1 moves deep)</translation>
    </message>
</context>
<context>
    <name>TShortcutsForm</name>
    <message>
        <source>Ctrl+N</source>
        <translation>Ctrl+N</translation>
    </message>
    <message>
        <source>Nouvelle partie</source>
        <translation>New game</translation>
    </message>
    <message>
        <source>Ctrl+W</source>
        <translation>Ctrl+W</translation>
    </message>
    <message>
        <source>Quitter la partie</source>
        <translation>Leave the game</translation>
    </message>
    <message>
        <source>Ctrl+Z</source>
        <translation>Ctrl+Z</translation>
    </message>
    <message>
        <source>Annuler le coup</source>
        <translation>Undo the move</translation>
    </message>
    <message>
        <source>Ctrl+Maj+Z</source>
        <translation>Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>Rétablir le coup</source>
        <translation>Redo the move</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Reprendre la partie</source>
        <translation>Resume the game</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Ouvrir une partie</source>
        <translation>Open a game</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Enregistrer la partie</source>
        <translation>Save the game</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>Règle du jeu</source>
        <translation>Rules of the game</translation>
    </message>
    <message>
        <source>Gauche, Droite</source>
        <translation>Left, Right</translation>
    </message>
    <message>
        <source>Choisir une de ses cases, dans l&apos;ordre où on les voit</source>
        <translation>Choose one of your pits, in the order you see them</translation>
    </message>
    <message>
        <source>Début, Fin</source>
        <translation>Home, End</translation>
    </message>
    <message>
        <source>Aller à sa première ou à sa dernière case jouable</source>
        <translation>Go to your first or last playable pit</translation>
    </message>
    <message>
        <source>Entrée, Espace</source>
        <translation>Enter, Space</translation>
    </message>
    <message>
        <source>Jouer la case choisie</source>
        <translation>Play the chosen pit</translation>
    </message>
    <message>
        <source>1 à 6</source>
        <translation>1 to 6</translation>
    </message>
    <message>
        <source>Jouer sa case n, comptée depuis sa gauche</source>
        <translation>Play your pit n, counted from your left</translation>
    </message>
    <message>
        <source>Raccourcis clavier</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>Les touches du plateau servent au tour d&apos;une personne, la partie en cours.</source>
        <translation>The board keys work on a person&apos;s turn, while a game is on.</translation>
    </message>
    <message>
        <source>H</source>
        <translation>H</translation>
    </message>
    <message>
        <source>Conseil : marquer le meilleur coup</source>
        <translation>Hint: mark the best move</translation>
    </message>
    <message>
        <source>Échap</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Arrêter ou effacer le conseil</source>
        <translation>Stop or clear the hint</translation>
    </message>
    <message>
        <source>Ctrl+L</source>
        <translation>Ctrl+L</translation>
    </message>
    <message>
        <source>Feuille de partie</source>
        <translation>Move list</translation>
    </message>
</context>
</TS>

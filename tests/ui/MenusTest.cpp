// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Menus.h"

#include <gtest/gtest.h>

TEST(Accelerators, TakenOrMissingLettersMoveToTheFirstFreeOne) {
    EXPECT_EQ(UniqueAccelerators({"&Nouvelle partie", "&Quitter la partie ", "-", "&Quitter"}),
              QStringList({"&Nouvelle partie", "&Quitter la partie ", "-", "Q&uitter"}));
    EXPECT_EQ(UniqueAccelerators({"&Règle du jeu", "Crédits"}),
              QStringList({"&Règle du jeu", "&Crédits"}));
    EXPECT_EQ(UniqueAccelerators({"&Jeu", "&Options", "?"}),
              QStringList({"&Jeu", "&Options", "?"}));
    // A marked sign is a key too; an unmarked one never is.
    EXPECT_EQ(UniqueAccelerators({"&?", "&?", "?x"}), QStringList({"&?", "?", "?&x"}));
    // Letters compare without case; digits count; a literal ampersand is no mark.
    EXPECT_EQ(UniqueAccelerators({"&abc", "A&bc", "x && y", "&1"}),
              QStringList({"&abc", "A&bc", "&x && y", "&1"}));
    EXPECT_EQ(UniqueAccelerators({"&aa", "&a"}), QStringList({"&aa", "a"}));
}

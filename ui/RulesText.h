// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of ekoba as the rules window shows them: 76 stored lines of French, translated
// paragraph by paragraph into the program's language. The title line
// is indented by three tabs, the six section headings by one; paragraphs begin with "- " and
// are broken into lines of at most 96 characters, which the text control wraps further when
// its width asks for it.
#include <QString>
#include <QStringList>

// The lines of the text in the program's language.
QStringList RulesLines();
// The lines joined by line feeds, without a line feed after the last one.
QString RulesText();

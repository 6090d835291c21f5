// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

// The menu framework makes accelerator letters unique within one menu: an item whose marked
// letter ("&") is already taken by an earlier item, or that has none, takes the first free
// letter or digit of its caption. A sign is a key only where it is marked ("&?"). Separators
// ("-") take none. Returns the captions with the
// "&" where it is finally shown (a literal "&&" stays as it is).
QStringList UniqueAccelerators(const QStringList& captions);

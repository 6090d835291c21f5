// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Menus.h"

#include <QSet>

namespace {

// Position of the marked letter in caption, or -1.
int MarkedLetter(const QString& caption) {
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

QString WithoutMark(const QString& caption, int marked) {
    return marked < 0 ? caption : caption.left(marked - 1) + caption.mid(marked);
}

} // namespace

QStringList UniqueAccelerators(const QStringList& captions) {
    QSet<QChar> taken;
    QStringList result;
    for (const QString& caption : captions) {
        if (caption == "-") {
            result << caption;
            continue;
        }
        // A sign is kept as a key only where the caption marks it: "&?" for a help menu.
        const int marked = MarkedLetter(caption);
        if (marked >= 0 && !caption[marked].isSpace() &&
            !taken.contains(caption[marked].toLower())) {
            taken.insert(caption[marked].toLower());
            result << caption;
            continue;
        }
        const QString plain = WithoutMark(caption, marked);
        QString shown = plain;
        for (int i = 0; i < plain.size(); ++i) {
            const QChar c = plain[i];
            if (c.isLetterOrNumber() && !taken.contains(c.toLower())) {
                taken.insert(c.toLower());
                shown = plain.left(i) + '&' + plain.mid(i);
                break;
            }
        }
        result << shown;
    }
    return result;
}

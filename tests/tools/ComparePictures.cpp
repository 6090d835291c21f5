// SPDX-License-Identifier: GPL-3.0-or-later
// ekoba-compare-pictures [--levels N] [--share S] MADE COMMITTED [MADE COMMITTED ...]
//
// Compares pictures as they decode, for the pictures QPainter paints: QPainter's antialiasing
// and gradients take processor-specific paths, so the same drawing can come out a level off in
// a few pixels on another processor. Each pair must have the same size, depth and alpha, every
// channel of every pixel (alpha included) within N levels (default 2) of the committed one, and
// at most the share S (default 0.002, 0.2 %) of the pixels differing at all. A real change of
// the drawing goes past either bound: a shape moved by a pixel changes its edges by tens of
// levels, a colour changed by a level or two changes every pixel of its area.
//
// Prints one line per pair that differs; status 0 when every pair is within the tolerance, 1
// when one is not, 2 when a picture cannot be read or the arguments are wrong.
#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct TDifference {
    long Pixels = 0; // pixels with any channel different
    int Largest = 0; // levels, over every channel
};

int Channel(QRgb c, int channel) {
    return (c >> (8 * channel)) & 0xFF;
}

TDifference Compare(const QImage& a, const QImage& b) {
    TDifference d;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (la[x] == lb[x])
                continue;
            ++d.Pixels;
            for (int channel = 0; channel < 4; ++channel)
                d.Largest = std::max(d.Largest,
                                     std::abs(Channel(la[x], channel) - Channel(lb[x], channel)));
        }
    }
    return d;
}

int Usage() {
    std::fputs("usage: ekoba-compare-pictures [--levels N] [--share S] MADE COMMITTED "
               "[MADE COMMITTED ...]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int levels = 2;
    double share = 0.002;
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
        const std::string option = argv[i];
        if (option == "--levels")
            levels = std::atoi(argv[i + 1]);
        else if (option == "--share")
            share = std::atof(argv[i + 1]);
        else
            return Usage();
    }
    if (i >= argc || (argc - i) % 2 != 0)
        return Usage();
    int status = 0;
    for (; i < argc; i += 2) {
        const QImage made(QString::fromLocal8Bit(argv[i]));
        const QImage committed(QString::fromLocal8Bit(argv[i + 1]));
        if (made.isNull() || committed.isNull()) {
            std::fprintf(stderr, "%s: cannot read it or %s\n", argv[i + 1], argv[i]);
            return 2;
        }
        if (made.size() != committed.size() || made.depth() != committed.depth() ||
            made.hasAlphaChannel() != committed.hasAlphaChannel()) {
            std::printf("%s: %dx%d, depth %d%s made, %dx%d, depth %d%s committed\n", argv[i + 1],
                        made.width(), made.height(), made.depth(),
                        made.hasAlphaChannel() ? " with alpha" : "", committed.width(),
                        committed.height(), committed.depth(),
                        committed.hasAlphaChannel() ? " with alpha" : "");
            status = 1;
            continue;
        }
        const TDifference d =
            Compare(made.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                    committed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        if (d.Pixels == 0)
            continue;
        const long pixels = long(made.width()) * made.height();
        const bool within = d.Largest <= levels && d.Pixels <= share * double(pixels);
        std::printf("%s: %ld of %ld pixels differ (%.3f %%), by up to %d levels: %s\n", argv[i + 1],
                    d.Pixels, pixels, 100.0 * double(d.Pixels) / double(pixels), d.Largest,
                    within ? "within the tolerance" : "BEYOND the tolerance");
        if (!within)
            status = 1;
    }
    return status;
}

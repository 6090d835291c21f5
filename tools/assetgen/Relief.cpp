// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/Relief.h"

#include "tools/assetgen/DetMath.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace gen {

QRgb ToRgb(const Color& c) {
    auto channel = [](double v) { return int(std::lround(dm::Clamp(v, 0.0, 255.0))); };
    return qRgb(channel(c.R), channel(c.G), channel(c.B));
}

Color FromRgb(QRgb c) {
    return {double(qRed(c)), double(qGreen(c)), double(qBlue(c))};
}

double Field::Get(int x, int y) const {
    return At(std::clamp(x, 0, width_ - 1), std::clamp(y, 0, height_ - 1));
}

double Field::Sample(double x, double y) const {
    x -= 0.5;
    y -= 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const double tx = x - fx, ty = y - fy;
    const double top = dm::Mix(Get(ix, iy), Get(ix + 1, iy), tx);
    const double bottom = dm::Mix(Get(ix, iy + 1), Get(ix + 1, iy + 1), tx);
    return dm::Mix(top, bottom, ty);
}

Field Coverage(const QPainterPath& path, int width, int height) {
    QImage mask(width, height, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(path);
    }
    Field field(width, height);
    for (int y = 0; y < height; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < width; ++x)
            field.At(x, y) = line[x] / 255.0;
    }
    return field;
}

void Blur(Field& field, int radius, int passes) {
    const int w = field.Width(), h = field.Height();
    const double n = 2 * radius + 1;
    std::vector<double> line;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            line.assign(w, 0);
            double sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += field.Get(x, y);
            for (int x = 0; x < w; ++x) {
                line[x] = sum / n;
                sum += field.Get(x + radius + 1, y) - field.Get(x - radius, y);
            }
            for (int x = 0; x < w; ++x)
                field.At(x, y) = line[x];
        }
        for (int x = 0; x < w; ++x) {
            line.assign(h, 0);
            double sum = 0;
            for (int y = -radius; y <= radius; ++y)
                sum += field.Get(x, y);
            for (int y = 0; y < h; ++y) {
                line[y] = sum / n;
                sum += field.Get(x, y + radius + 1) - field.Get(x, y - radius);
            }
            for (int y = 0; y < h; ++y)
                field.At(x, y) = line[y];
        }
    }
}

int ScaledRadius(int radius, double scale) {
    return scale == 1.0 ? radius : std::max(1, int(std::lround(radius * scale)));
}

QPainterPath ScaledPath(const QPainterPath& path, double scale) {
    return scale == 1.0 ? path : QTransform::fromScale(scale, scale).map(path);
}

QImage Shade(const Relief& relief, double scale) {
    const int w = relief.Height.Width(), h = relief.Height.Height();
    // Light from the upper left, fairly high.
    const double lx = -0.48, ly = -0.62, lz = 0.62;
    const double ll = dm::Sqrt(lx * lx + ly * ly + lz * lz);
    const double Lx = lx / ll, Ly = ly / ll, Lz = lz / ll;
    // Half vector with the viewer straight above, for the varnish highlight.
    const double hx = Lx, hy = Ly, hz = Lz + 1;
    const double hl = dm::Sqrt(hx * hx + hy * hy + hz * hz);
    // One pixel's step towards the light across the picture, and how much the light's ray
    // rises over it.
    const double across = dm::Sqrt(Lx * Lx + Ly * Ly);
    const double towardsX = Lx / across, towardsY = Ly / across, rise = Lz / across;
    // The shadows reach as far over the carving at every scale.
    const int steps = scale == 1.0 ? 40 : int(std::lround(40 * scale));
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const Field& H = relief.Height;
            const double dx = (H.Get(x + 1, y) - H.Get(x - 1, y)) * 0.5 * scale;
            const double dy = (H.Get(x, y + 1) - H.Get(x, y - 1)) * 0.5 * scale;
            const double nl = dm::Sqrt(dx * dx + dy * dy + 1);
            const double nx = -dx / nl, ny = -dy / nl, nz = 1 / nl;
            const double diffuse = std::max(0.0, nx * Lx + ny * Ly + nz * Lz) / Lz;
            // Cast shadow: march towards the light and see whether the relief rises above.
            double shadow = 0;
            const double h0 = H.At(x, y);
            for (int step = 1; step <= steps; ++step) {
                const double sx = x + 0.5 + towardsX * step;
                const double sy = y + 0.5 + towardsY * step;
                if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                    break;
                const double above = H.Sample(sx, sy) - (h0 + step * rise / scale);
                shadow = std::max(shadow, dm::Clamp(above / 2.5, 0.0, 1.0));
                if (shadow >= 1)
                    break;
            }
            const double lit = diffuse * (1 - 0.75 * shadow);
            const double shade = (0.30 + 0.70 * lit) * relief.Occlusion.At(x, y);
            const double nh = std::max(0.0, (nx * hx + ny * hy + nz * hz) / hl);
            double specular = nh * nh;
            specular *= specular;
            specular *= specular;
            specular *= specular; // (n.h)^16
            specular *= relief.Gloss.At(x, y) * (1 - shadow);
            const Color& a = relief.Albedo[std::size_t(y) * w + x];
            out[x] = ToRgb({a.R * shade + 255 * specular, a.G * shade + 235 * specular,
                            a.B * shade + 200 * specular});
        }
    }
    return image;
}

QPainterPath Stroke(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

} // namespace gen

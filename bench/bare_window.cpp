// SPDX-License-Identifier: GPL-3.0-or-later
// The reference for Ekobarama's start-up figures: the least a Qt program does to show one
// picture. A plain top-level window with a client area of 637 x 470 pixels, like the game's
// drawing surface, painting one 640 x 480 picture (clipped to the client area, as the game's
// presentation picture is) made in memory before the window is shown.
#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <utility>

namespace {

constexpr int ClientWidth = 637;
constexpr int ClientHeight = 470;

// A picture with detail everywhere, so that a partly drawn window never looks finished.
QImage MakePicture() {
    QImage picture(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb(x * 255 / 639, y * 255 / 479, (x ^ y) & 0xFF);
    }
    return picture;
}

class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage picture) : picture_(std::move(picture)) {
        setWindowTitle("Ekobarama bare window");
        setFixedSize(ClientWidth, ClientHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.drawImage(event->rect(), picture_, event->rect());
    }

private:
    QImage picture_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    PictureWindow window(MakePicture());
    window.show();
    return application.exec();
}

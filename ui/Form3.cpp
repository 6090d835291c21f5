// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Form3.h"

#include "graphics/Catalogue.h"
#include "platform/Graphics.h"
#include "platform/Stream.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace {

void OpenWithSystem(const QString& address) {
    // The system's default handler, without an owner window; whether it succeeded is not asked.
    QDesktopServices::openUrl(QUrl(address));
}

AddressOpener& CurrentOpener() {
    static AddressOpener opener = OpenWithSystem;
    return opener;
}

struct LabelStyle {
    int Points = 8;
    bool Bold = false;
    TColor Color = clWindowText;
    bool Underline = false;
};

void ApplyStyle(QLabel* label, const LabelStyle& style) {
    label->setTextFormat(Qt::PlainText);
    label->setFont(
        platform::MakeFont("MS Sans Serif", style.Points, style.Bold, false, style.Underline));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(style.Color));
    label->setPalette(palette);
    label->adjustSize();
}

const LabelStyle Plain{};
const LabelStyle Name{10, true};
const LabelStyle Bold{8, true};
const LabelStyle Address{8, false, clBlue, true};
const LabelStyle Mail{8, false, clBlue, false};

// Who made the program and what it is built on. Only true statements: the program has no web
// site, author address or e-mail address of its own, so the address labels lead to the French
// Wikipedia articles on awalé, the best-known game of the family ekoba belongs to, and on the
// whole family of sowing games; the thanks go to the projects the program is built on.
// The texts and the Wikipedia articles follow the program's language.
const char* const TeamName = QT_TRANSLATE_NOOP("Credits", "L'équipe Ekobarama");
const char* const DeveloperAddress =
    QT_TRANSLATE_NOOP("Credits", "https://fr.wikipedia.org/wiki/Awalé");
const char* const NoMailAddress = QT_TRANSLATE_NOOP("Credits", "(pas d'adresse e-mail)");
const char* const GameAddress =
    QT_TRANSLATE_NOOP("Credits", "https://fr.wikipedia.org/wiki/Mancala");
const QString ToolsUsed = "C++20, Qt 6, libjpeg-turbo, OpenAL Soft, CMake, GoogleTest";
const QString VersionLabel = "1.0";

// A text of the window in the program's language.
QString Tr(const char* text) {
    return QCoreApplication::translate("Credits", text);
}

} // namespace

void OpenAddress(const QString& address) {
    CurrentOpener()(address);
}

AddressOpener SetAddressOpener(AddressOpener opener) {
    AddressOpener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : AddressOpener(OpenWithSystem);
    return previous;
}

// ---------------------------------------------------------------------------------------------
// TClickLabel

void TClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = pressed_ && event->button() == Qt::LeftButton &&
                         rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (clicked && OnClick)
        OnClick();
}

// ---------------------------------------------------------------------------------------------
// TImage

namespace {

// A canvas over a 32-bit bitmap in memory.
class BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(QImage& bitmap)
        : dc_(bitmap.bits(), bitmap.width(), bitmap.height(),
              static_cast<int>(bitmap.bytesPerLine())) {}

protected:
    void CreateHandle() override { SetHandle(&dc_); }

private:
    platform::DeviceContext dc_;
};

} // namespace

TImage::TImage(QWidget* parent) : QWidget(parent), picture_(std::make_unique<TPicture>()) {}

QImage TImage::Render(TPicture& picture) const {
    QImage bitmap(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    bitmap.fill(palette().color(QPalette::Window));
    {
        BitmapCanvas canvas(bitmap);
        picture.Draw(canvas, 0, 0);
    }
    return bitmap;
}

void TImage::LoadPicture(std::span<const std::uint8_t> pictureData) {
    auto loaded = std::make_unique<TPicture>();
    TMemoryStream stream(pictureData);
    loaded->ReadData(stream);
    QImage shown = Render(*loaded);
    picture_ = std::move(loaded);
    shown_ = std::move(shown);
    update();
}

void TImage::resizeEvent(QResizeEvent*) {
    try {
        shown_ = Render(*picture_);
    } catch (const std::exception&) {
        // The picture was painted when it was loaded; should it fail now, the last bitmap
        // stays shown.
    }
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), shown_);
}

// ---------------------------------------------------------------------------------------------
// TForm3

TForm3::TForm3(QWidget* owner) : TPlainForm(owner, Border) {
    setObjectName("Form3");
    setWindowTitle(QCoreApplication::translate("Credits", "A propos d'Ekobarama ..."));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(clBtnFace));
    palette.setColor(QPalette::WindowText, ToQColor(clWindowText));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(platform::MakeFont("MS Sans Serif", 8));
    setFixedSize(ClientWidth, ClientHeight);

    ApplyStyle(AddLabel("Label1", 48, 0, QCoreApplication::translate("Credits", "Auteurs :")),
               {12, true, clMaroon});
    AddLabel("Label2", 164, 2, QCoreApplication::translate("Credits", "Développeur :"));
    ApplyStyle(AddLabel("Label3", 232, 0, Tr(TeamName)), Name);
    // The developer's address would start at 336, inside the team's name as the installed faces
    // draw it; it starts at 376 instead, above the e-mail label.
    Label5 = AddAddress("Label5", 376, 0, Tr(DeveloperAddress), &TForm3::Label5Click);
    AddLabel("Label4", 164, 18, QCoreApplication::translate("Credits", "Graphiste :"));
    ApplyStyle(AddLabel("Label7", 232, 16, Tr(TeamName)), Name);
    ApplyStyle(AddLabel("Label8", 376, 18, Tr(NoMailAddress)), Mail);

    AddLabel("Label9", 8, 48, QCoreApplication::translate("Credits", "Site web du jeu Ekoba :"));
    Label6 = AddAddress("Label6", 128, 48, Tr(GameAddress), &TForm3::Label6Click);
    AddLabel("Label10", 40, 72, QCoreApplication::translate("Credits", "Logiciels utilisés :"));
    ApplyStyle(AddLabel("Label11", 128, 72, ToolsUsed), Bold);
    AddLabel("Label12", 80, 96, QCoreApplication::translate("Credits", "Version :"));
    ApplyStyle(AddLabel("Label13", 128, 96, VersionLabel), Bold);

    ApplyStyle(
        AddLabel("Label14", 24, 128, QCoreApplication::translate("Credits", "Remerciements :")),
        {10, true, clGreen});
    AddThanks("Label15", 88, 152, QCoreApplication::translate("Credits", "merci à"));
    ApplyStyle(AddLabel("Label16", 128, 150, "Debian"), Name);
    AddLabel("Label17", 248, 152,
             QCoreApplication::translate(
                 "Credits", "pour les paquets sur lesquels ce programme est construit"));
    AddThanks("Label18", 88, 168, QCoreApplication::translate("Credits", "merci à"));
    ApplyStyle(AddLabel("Label19", 128, 166, "Qt"), Name);
    AddLabel("Label20", 224, 168,
             QCoreApplication::translate("Credits", "pour les fenêtres, les menus et le dessin"));
    Label23 = AddAddress("Label23", 480, 168, "https://www.qt.io", &TForm3::Label23Click);
    // The two last rows thank projects like the two first, not an association or a web site
    // and its members: they begin with the same "merci à" in the same column.
    AddThanks("Label21", 88, 184, QCoreApplication::translate("Credits", "merci à"));
    ApplyStyle(AddLabel("Label22", 128, 182, "libjpeg-turbo"), Name);
    AddLabel("Label26", 256, 184,
             QCoreApplication::translate("Credits", "pour le décodage des images JPEG"));
    Label24 = AddAddress("Label24", 488, 184, "https://libjpeg-turbo.org", &TForm3::Label24Click);
    AddThanks("Label27", 88, 200, QCoreApplication::translate("Credits", "merci à"));
    ApplyStyle(AddLabel("Label28", 128, 198, "OpenAL Soft"), Name);
    AddLabel("Label29", 248, 200, QCoreApplication::translate("Credits", "pour la sortie du son"));
    Label25 = AddAddress("Label25", 480, 200, "https://openal-soft.org", &TForm3::Label25Click);

    Image1 = new TImage(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(520, 24, 81, 105);
    // The picture is read from the stored description each time the window is made: the
    // description is not kept while no credits window shows.
    Image1->LoadPicture(ReadStoredDescription(EmbeddedDescriptionBytes()).CreditsPicture);
    ReleaseEmbeddedDescriptionMemory();
}

QLabel* TForm3::AddThanks(const QString& name, int left, int top, const QString& text) {
    // "merci à" ends before the names' column at 128; a longer translation ends there too.
    QLabel* label = AddLabel(name, left, top, text);
    label->adjustSize();
    if (label->x() + label->width() > NamesColumn - 2)
        label->move(NamesColumn - 2 - label->width(), label->y());
    return label;
}

QLabel* TForm3::AddLabel(const QString& name, int left, int top, const QString& text) {
    auto* label = new QLabel(text, this); // owned by the window
    label->setObjectName(name);
    label->move(left, top);
    ApplyStyle(label, Plain);
    return label;
}

TClickLabel* TForm3::AddAddress(const QString& name, int left, int top, const QString& address,
                                void (TForm3::*handler)()) {
    auto* label = new TClickLabel(address, this); // owned by the window
    label->setObjectName(name);
    label->move(left, top);
    label->setCursor(Qt::PointingHandCursor);
    label->OnClick = [this, handler] { (this->*handler)(); };
    ApplyStyle(label, Address);
    return label;
}

void TForm3::Label5Click() {
    OpenAddress(Label5->text());
}
void TForm3::Label6Click() {
    OpenAddress(Label6->text());
}
void TForm3::Label23Click() {
    OpenAddress(Label23->text());
}
void TForm3::Label24Click() {
    OpenAddress(Label24->text());
}
void TForm3::Label25Click() {
    OpenAddress(Label25->text());
}

TForm3* OpenCreditsWindow(QWidget* mainWindow) {
    auto* form = new TForm3(mainWindow); // owned by the main window, destroyed with it
    form->CentreOn(OuterGeometryOf(*mainWindow));
    form->show();
    return form;
}

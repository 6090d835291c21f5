// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Main.h"

#include "engine/DXDraw.h"
#include "engine/ImageList.h"
#include "engine/Sprites.h"
#include "game/Game.h"
#include "graphics/Assets.h"
#include "graphics/Catalogue.h"
#include "graphics/GameSprites.h"
#include "graphics/StoredImageList.h"
#include "platform/DDraw.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Pause.h"
#include "platform/Rounding.h"
#include "platform/WindowSystem.h"
#include "sound/DXSound.h"
#include "sound/WaveList.h"
#include "ui/BoardAccessibility.h"
#include "ui/Dialogs.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/GameFiles.h"
#include "ui/GameSheet.h"
#include "ui/Hint.h"
#include "ui/KeyboardPlay.h"
#include "ui/Menus.h"
#include "ui/PitPicking.h"
#include "ui/Shortcuts.h"
#include "ui/WindowHost.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <vector>

TForm1* Form1 = nullptr;
std::unique_ptr<TOptions> Options;

namespace {

void SetWidgetColours(QWidget* widget, TColor face, TColor text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(face));
    palette.setColor(QPalette::Button, ToQColor(face));
    palette.setColor(QPalette::WindowText, ToQColor(text));
    palette.setColor(QPalette::ButtonText, ToQColor(text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// The classic scheme's text of a disabled control.
constexpr TColor DisabledText = 0x808080;

void SetTextColour(QWidget* widget, TColor text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(text));
    palette.setColor(QPalette::ButtonText, ToQColor(text));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, ToQColor(DisabledText));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(DisabledText));
    widget->setPalette(palette);
}

// A drop-down list that tells when its list opens and closes: while it is open, Enter chooses
// an item there and must not also press the panel's default button.
class TComboBox : public QComboBox {
public:
    TComboBox(QWidget* parent, std::function<void(bool open)> onList)
        : QComboBox(parent), onList_(std::move(onList)) {}
    void showPopup() override {
        onList_(true);
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        // Enter closes the list while Qt is still looking for the key's shortcut: the panel's
        // keys come back once that key is done with.
        QTimer::singleShot(0, this, [this] { onList_(false); });
    }

private:
    std::function<void(bool)> onList_;
};

// A button with one of the style's standard glyphs beside its text. The glyph is looked up
// when the button first shows rather than while the window is made: the lookup searches the
// icon themes' folders and decodes pictures, and the panel holding the buttons stays hidden
// until it is asked for.
class TBitBtn : public QPushButton {
public:
    TBitBtn(QStyle::StandardPixmap glyph, const QString& text, QWidget* parent)
        : QPushButton(text, parent), glyph_(glyph) {}

protected:
    void showEvent(QShowEvent* event) override {
        if (icon().isNull())
            setIcon(style()->standardIcon(glyph_));
        QPushButton::showEvent(event);
    }

private:
    QStyle::StandardPixmap glyph_;
};

// Runs an action once, a moment after the widget's first paint. The painted frame reaches the
// display only when the event loop next hands its requests to the window system; an action run
// on the very next turn of the loop would still hold the frame back.
class TAfterFirstPaint : public QObject {
public:
    TAfterFirstPaint(QWidget* widget, std::function<void()> action)
        : QObject(widget), action_(std::move(action)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && action_) {
            watched->removeEventFilter(this);
            QTimer::singleShot(DelayMs, this, [this, action = std::move(action_)] {
                action();
                deleteLater();
            });
            action_ = nullptr;
        }
        return false;
    }

private:
    static constexpr int DelayMs = 100;
    std::function<void()> action_;
};

std::optional<TStartUpStep> startUpFault;

class EStartUpFault : public Exception {
public:
    using Exception::Exception;
};

// Where a start-up step begins: a fault a test injected there is raised.
void StartUpStep(TStartUpStep step) {
    if (startUpFault == step)
        throw EStartUpFault(Format("Start-up step %d cannot be made", static_cast<int>(step)));
}

} // namespace

void InjectStartUpFault(std::optional<TStartUpStep> step) {
    startUpFault = step;
}

// ---------------------------------------------------------------------------------------------
// TDXForm

TDXForm::TDXForm(QWidget* parent) : QMainWindow(parent) {}

int TDXForm::ClientWidth() const {
    return centralWidget() ? centralWidget()->width() : 0;
}
int TDXForm::ClientHeight() const {
    return centralWidget() ? centralWidget()->height() : 0;
}

int TDXForm::Left() const {
    const QWidget* client = centralWidget();
    const int x = client ? client->mapToGlobal(QPoint(0, 0)).x() : geometry().x();
    return x - FrameLeft;
}

int TDXForm::Top() const {
    const QWidget* client = centralWidget();
    const int y = client ? client->mapToGlobal(QPoint(0, 0)).y() : geometry().y();
    return y - FrameTop;
}

void TDXForm::SetBounds(int left, int top) {
    if (layout())
        layout()->activate();
    const QPoint clientOffset = centralWidget() ? centralWidget()->pos() : QPoint(0, 0);
    const QPoint clientOrigin(left + FrameLeft, top + FrameTop);
    const QPoint windowOrigin = clientOrigin - clientOffset;
    if (isVisible()) {
        // The window manager may add a frame of its own: correct by what it really did.
        move(pos() + (windowOrigin - geometry().topLeft()));
    } else {
        setGeometry(QRect(windowOrigin, geometry().size()));
    }
}

// ---------------------------------------------------------------------------------------------
// TForm1

TForm1::TForm1() {
    Form1 = this;
    InstallWindowHost();
    setWindowTitle("Ekobarama");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(platform::MakeFont("MS Sans Serif", 8));

    ComputerTurn = std::make_unique<TComputerTurn>();
    // Before the drawing surface is made, so that it is never seen without its pits.
    InstallBoardAccessibility();

    Client = new QWidget(this);
    Client->setFixedSize(637, 470);
    SetWidgetColours(Client, clWhite, clWindowText);
    setCentralWidget(Client);

    CreateMenu();

    Timer1.setInterval(333);
    Timer1.setSingleShot(false);
    connect(&Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });

    StartUp([this] { CreateComponents(); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();

    StartUp([this] { FormCreate(); });

    // A window destroyed by another program cannot be shown or answer a question any more:
    // the program ends as after a confirmed quit.
    platform::OnNativeWindowDestroyed(this, [this] {
        Guarded([this] {
            if (!terminating_)
                Terminate();
        });
    });
}

TForm1::~TForm1() {
    // The game's sprites and the background leave the engine before the components go; the
    // components go before the drawing surface, a child widget of the window.
    CurrentGame.reset();
    BackgroundSprite.reset();
    Timer1.stop();
    DXWaveList1.reset();
    DXSound1.reset();
    DXImageList3.reset();
    DXImageList2.reset();
    DXImageList1.reset();
    DXSpriteEngine1.reset();
    if (DXDraw1)
        DXDraw1->Finalize();
    ComputerTurn.reset();
    if (Form1 == this)
        Form1 = nullptr;
}

template <typename Steps> void TForm1::StartUp(Steps&& steps) {
    try {
        steps();
    } catch (const std::exception& error) {
        if (startUpFailure_.isEmpty())
            startUpFailure_ = QString::fromUtf8(error.what()).trimmed();
        if (startUpFailure_.isEmpty())
            startUpFailure_ = QCoreApplication::translate("Messages", "erreur inconnue");
        ReportException(error);
    }
}

TOptions& TForm1::TheOptions() {
    if (!Options)
        Options = std::make_unique<TOptions>();
    return *Options;
}

QWidget* TForm1::DrawingArea() const {
    return DXDraw1;
}

void TForm1::CreateComponents() {
    // The components as the window's stored description makes them. The description read
    // here goes once they hold what they need of it, and so does the memory of its bytes.
    const StoredDescription stored = ReadStoredDescription(EmbeddedDescriptionBytes());
    ReleaseEmbeddedDescriptionMemory();

    StartUpStep(TStartUpStep::DrawingSurface);
    DXDraw1 = new TDXDraw(Client);
    DXDraw1->setObjectName("DXDraw1");
    DXDraw1->Loading();
    DXDraw1->setGeometry(0, 0, 637, 470);
    DXDraw1->SetAutoInitialize(true);
    DXDraw1->SetAutoSize(true);
    DXDraw1->SetColor(clWhite);
    DXDraw1->Display().Width = 777;
    DXDraw1->Display().Height = 470;
    DXDraw1->Display().FixedBitCount = true;
    DXDraw1->Display().FixedRatio = true;
    DXDraw1->Display().FixedSize = false;
    DXDraw1->SetOptions(TDXDrawOptions{TDXDrawOption::doAllowReboot});
    DXDraw1->SetSurfaceWidth(637);
    DXDraw1->SetSurfaceHeight(470);
    DXDraw1->OnDblClick = [this](TCustomDXDraw&) { Guarded([this] { DXDraw1DblClick(); }); };
    DXDraw1->installEventFilter(this);
    // The board takes the keyboard: the keys of play reach it with the window's focus.
    DXDraw1->setFocusPolicy(Qt::StrongFocus);
    DXDraw1->lower();
    DXDraw1->Loaded();

    StartUpStep(TStartUpStep::SpriteEngine);
    DXSpriteEngine1 = std::make_unique<TDXSpriteEngine>();
    DXSpriteEngine1->SetDXDraw(DXDraw1);

    std::unique_ptr<TDXImageList>* lists[] = {&DXImageList1, &DXImageList2, &DXImageList3};
    const TStartUpStep listSteps[] = {TStartUpStep::ImageList1, TStartUpStep::ImageList2,
                                      TStartUpStep::ImageList3};
    for (int n = 1; n <= 3; ++n) {
        StartUpStep(listSteps[n - 1]);
        *lists[n - 1] = std::make_unique<TDXImageList>();
        // The window opens on the presentation: the board, the pits and the hands are made
        // into surfaces (the board's picture decoded) when a game first shows them.
        (*lists[n - 1])->Items().SurfacesOnFirstUse = true;
        LoadImageList(**lists[n - 1], stored.ImageList(n));
        (*lists[n - 1])->SetDXDraw(DXDraw1);
    }

    StartUpStep(TStartUpStep::SoundDevice);
    DXSound1 = std::make_unique<TDXSound>(this);
    StartUpStep(TStartUpStep::SoundList);
    DXWaveList1 = std::make_unique<TDXWaveList>();
    for (const StoredWaveItem& wave : stored.WaveList.Items)
        DXWaveList1->AddWave(wave.Name, wave.Wave, wave.Looped, wave.MaxPlayingCount);
    DXWaveList1->SetDXSound(DXSound1.get());
    // Everything is read. The sound device opens once the first frame is on the screen.
    new TAfterFirstPaint(DXDraw1, [this] { Guarded([this] { OpenSoundDevice(); }); });
    componentsMade_ = true;
}

void TForm1::OpenSoundDevice() {
    if (soundDeviceOpened_ || !DXSound1)
        return;
    soundDeviceOpened_ = true;
    DXSound1->Loaded();
}

void TForm1::SetHint(const QString& hint) {
    hint_ = hint;
    RefreshToolTip();
}

void TForm1::SetShowHint(bool show) {
    showHint_ = show;
    RefreshToolTip();
}

void TForm1::ShowRulesInTitle() {
    const bool full = CurrentGame && AppState != TAppState::Presentation &&
                      CurrentGame->Record.Start().Rules == rules::TRuleSet::Full;
    const QString title =
        full ? QCoreApplication::translate("TForm1", "Ekobarama – règles complètes")
             : QStringLiteral("Ekobarama");
    if (windowTitle() != title)
        setWindowTitle(title);
}

void TForm1::RefreshToolTip() {
    const QString text = showHint_ ? hint_ : QString();
    if (!DXDraw1 || DXDraw1->toolTip() == text)
        return;
    DXDraw1->setToolTip(text);
    // A tip on show follows the changed hint at once.
    if (QToolTip::isVisible()) {
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(QCursor::pos(), text, DXDraw1);
    }
}

void TForm1::CreateMenu() {
    QMenuBar* bar = menuBar();
    // The help menu is "?" with its sign for key in French, as French programs mark it, and
    // "Help" in English, where users look for that word.
    const QStringList barCaptions =
        UniqueAccelerators({QCoreApplication::translate("Menu", "&Jeu"),
                            QCoreApplication::translate("Menu", "&Options"),
                            QCoreApplication::translate("Menu", "&?")});
    Jeu1 = bar->addMenu(barCaptions[0]);
    Jeu1->setObjectName("Jeu1");
    Options1 = bar->addMenu(barCaptions[1]);
    Options1->setObjectName("Options1");
    N1 = bar->addMenu(barCaptions[2]);
    N1->setObjectName("N1");

    // The captions are marked for translation where they are listed; each is shown in the
    // program's language, its accelerators made unique among the translated captions.
    auto addItems = [](QMenu* menu, const QStringList& stored, const QStringList& names) {
        QStringList translated;
        for (const QString& caption : stored)
            translated << QCoreApplication::translate("Menu", caption.toUtf8().constData());
        const QStringList shown = UniqueAccelerators(translated);
        QList<QAction*> actions;
        for (int i = 0; i < stored.size(); ++i) {
            QAction* action = stored[i] == "-" ? menu->addSeparator() : menu->addAction(shown[i]);
            action->setObjectName(names[i]);
            action->setProperty("storedCaption", stored[i]);
            actions << action;
        }
        return actions;
    };
    // The stored items, with taking back and the game files between "&Quitter la partie " and
    // "&Quitter"; the new items take letters that leave the stored ones as they were.
    const QList<QAction*> game =
        addItems(Jeu1,
                 {QT_TRANSLATE_NOOP("Menu", "&Nouvelle partie"),
                  QT_TRANSLATE_NOOP("Menu", "&Quitter la partie "), "-",
                  QT_TRANSLATE_NOOP("Menu", "&Annuler le coup"),
                  QT_TRANSLATE_NOOP("Menu", "&Rétablir le coup"),
                  QT_TRANSLATE_NOOP("Menu", "Annuler &tous les coups"),
                  QT_TRANSLATE_NOOP("Menu", "Rétablir tou&s les coups"),
                  QT_TRANSLATE_NOOP("Menu", "&Conseil"), "-",
                  QT_TRANSLATE_NOOP("Menu", "&Feuille de partie"),
                  QT_TRANSLATE_NOOP("Menu", "Ana&lyser la partie"), "-",
                  QT_TRANSLATE_NOOP("Menu", "Re&prendre la partie"),
                  QT_TRANSLATE_NOOP("Menu", "&Ouvrir une partie…"),
                  QT_TRANSLATE_NOOP("Menu", "&Enregistrer la partie…"), "-",
                  QT_TRANSLATE_NOOP("Menu", "&Quitter")},
                 {"NouvellePartie1", "Quitterlapartie1", "N4", "Annulerlecoup1", "Rtablirlecoup1",
                  "Annulertouslescoups1", "Rtablirtouslescoups1", "Conseil1", "N6",
                  "Feuilledepartie1", "Analyserlapartie1", "N5", "Reprendrelapartie1",
                  "Ouvrirunepartie1", "Enregistrerlapartie1", "N2", "Quitter1"});
    NouvellePartie1 = game[0];
    Quitterlapartie1 = game[1];
    Annulerlecoup1 = game[3];
    Rtablirlecoup1 = game[4];
    Annulertouslescoups1 = game[5];
    Rtablirtouslescoups1 = game[6];
    Conseil1 = game[7];
    Feuilledepartie1 = game[9];
    Analyserlapartie1 = game[10];
    Reprendrelapartie1 = game[12];
    Ouvrirunepartie1 = game[13];
    Enregistrerlapartie1 = game[14];
    Quitter1 = game[16];
    Feuilledepartie1->setCheckable(true);
    Quitterlapartie1->setEnabled(false);
    const std::pair<QAction*, const char*> shortcuts[] = {{NouvellePartie1, "Ctrl+N"},
                                                          {Quitterlapartie1, "Ctrl+W"},
                                                          {Annulerlecoup1, "Ctrl+Z"},
                                                          {Rtablirlecoup1, "Ctrl+Shift+Z"},
                                                          {Reprendrelapartie1, "Ctrl+R"},
                                                          {Ouvrirunepartie1, "Ctrl+O"},
                                                          {Enregistrerlapartie1, "Ctrl+S"},
                                                          {Quitter1, "Ctrl+Q"},
                                                          {Conseil1, "H"},
                                                          {Feuilledepartie1, "Ctrl+L"}};
    for (const auto& [action, keys] : shortcuts)
        action->setShortcut(QKeySequence(keys));
    for (QAction* action :
         {Annulerlecoup1, Rtablirlecoup1, Annulertouslescoups1, Rtablirtouslescoups1, Conseil1,
          Analyserlapartie1, Reprendrelapartie1, Ouvrirunepartie1, Enregistrerlapartie1})
        action->setEnabled(false);
    // The menu shows what can be done at the moment it opens.
    connect(Jeu1, &QMenu::aboutToShow, this, [this] { RefreshGameCommands(); });

    const QList<QAction*> options = addItems(
        Options1,
        {QT_TRANSLATE_NOOP("Menu", "&Préferences"), "-", QT_TRANSLATE_NOOP("Menu", "&Bruitages")},
        {"Prferences1", "N3", "Bruitages1"});
    Prferences1 = options[0];
    Bruitages1 = options[2];
    Bruitages1->setCheckable(true);
    Bruitages1->setChecked(true);
    Options1->addSeparator();
    Tailleduplateau1 =
        Options1->addMenu(QCoreApplication::translate("TForm1", "&Taille du plateau"));
    Tailleduplateau1->setObjectName("Tailleduplateau1");
    Tailleduplateau1->menuAction()->setObjectName("Tailleduplateau1");
    auto* sizes = new QActionGroup(Tailleduplateau1);
    const std::pair<int, const char*> boardSizes[] = {{100, QT_TRANSLATE_NOOP("TForm1", "&100 %")},
                                                      {150, QT_TRANSLATE_NOOP("TForm1", "1&50 %")},
                                                      {200, QT_TRANSLATE_NOOP("TForm1", "&200 %")}};
    for (const auto& [percent, caption] : boardSizes) {
        QAction* size = Tailleduplateau1->addAction(QCoreApplication::translate("TForm1", caption));
        size->setObjectName(QString("Tailleduplateau%1").arg(percent));
        size->setCheckable(true);
        size->setChecked(percent == 100);
        size->setData(percent);
        sizes->addAction(size);
        BoardSizes.push_back(size);
        connect(size, &QAction::triggered, this, [this, percent = percent] {
            Guarded([this, percent] { BoardSizeClick(percent); });
        });
    }
    AddAnimationSpeedMenu(Options1);

    const QList<QAction*> help = addItems(
        N1, {QT_TRANSLATE_NOOP("Menu", "&Règle du jeu"), QT_TRANSLATE_NOOP("Menu", "Crédits")},
        {"Rgledujeu1", "AproposdeEkoba1"});
    Rgledujeu1 = help[0];
    AproposdeEkoba1 = help[1];
    Rgledujeu1->setShortcut(QKeySequence(Qt::Key_F1));
    // The keys of the commands and of the board, after the stored items.
    Raccourcisclavier1 =
        N1->addAction(QCoreApplication::translate("TForm1", "Raccourcis c&lavier"));
    Raccourcisclavier1->setObjectName("Raccourcisclavier1");
    connect(Raccourcisclavier1, &QAction::triggered, this,
            [this] { Guarded([this] { OpenShortcutsWindow(this); }); });

    connect(NouvellePartie1, &QAction::triggered, this,
            [this] { Guarded([this] { NouvellePartie1Click(); }); });
    connect(Quitterlapartie1, &QAction::triggered, this,
            [this] { Guarded([this] { Quitterlapartie1Click(); }); });
    const std::pair<QAction*, void (TForm1::*)()> handlers[] = {
        {Annulerlecoup1, &TForm1::Annulerlecoup1Click},
        {Rtablirlecoup1, &TForm1::Rtablirlecoup1Click},
        {Annulertouslescoups1, &TForm1::Annulertouslescoups1Click},
        {Rtablirtouslescoups1, &TForm1::Rtablirtouslescoups1Click},
        {Reprendrelapartie1, &TForm1::Reprendrelapartie1Click},
        {Ouvrirunepartie1, &TForm1::Ouvrirunepartie1Click},
        {Enregistrerlapartie1, &TForm1::Enregistrerlapartie1Click}};
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this,
                [this, handler = handler] { Guarded([this, handler] { (this->*handler)(); }); });
    connect(Quitter1, &QAction::triggered, this, [this] { Guarded([this] { Quitter1Click(); }); });
    connect(Conseil1, &QAction::triggered, this, [] { Guarded([] { AskForHint(); }); });
    connect(Feuilledepartie1, &QAction::triggered, this,
            [](bool checked) { Guarded([checked] { ShowGameSheet(checked); }); });
    connect(Analyserlapartie1, &QAction::triggered, this,
            [] { Guarded([] { ReviewShownGame(); }); });
    connect(Prferences1, &QAction::triggered, this,
            [this] { Guarded([this] { Prferences1Click(); }); });
    connect(Bruitages1, &QAction::triggered, this,
            [this] { Guarded([this] { Bruitages1Click(); }); });
    connect(Rgledujeu1, &QAction::triggered, this,
            [this] { Guarded([this] { Rgledujeu1Click(); }); });
    connect(AproposdeEkoba1, &QAction::triggered, this,
            [this] { Guarded([this] { AproposdeEkoba1Click(); }); });
}

namespace {

double BoardZoom(int percent) {
    return percent == 150 || percent == 200 ? percent / 100.0 : 1.0;
}

// The preferences panel at a zoom: every control's stored rectangle and font size times the
// zoom. The stored values are taken from the controls the first time and kept on them.
void ZoomPanel(QWidget* panel, double zoom) {
    QList<QWidget*> widgets;
    widgets.push_back(panel);
    // The panel's own controls: those in it and in its groups, not the parts controls are made of.
    for (QWidget* widget : panel->findChildren<QWidget*>()) {
        QWidget* parent = widget->parentWidget();
        if (!widget->isWindow() && (parent == panel || qobject_cast<QGroupBox*>(parent)))
            widgets.push_back(widget);
    }
    for (QWidget* widget : widgets) {
        if (!widget->property("storedGeometry").isValid())
            widget->setProperty("storedGeometry", widget->geometry());
        const QRect stored = widget->property("storedGeometry").toRect();
        if (widget != panel) {
            const QPoint corner(ScaledLength(stored.left(), zoom),
                                ScaledLength(stored.top(), zoom));
            widget->setGeometry(QRect(corner, QPoint(ScaledLength(stored.right() + 1, zoom) - 1,
                                                     ScaledLength(stored.bottom() + 1, zoom) - 1)));
        }
        if (!widget->testAttribute(Qt::WA_SetFont))
            continue; // inherits its parent's font, zoomed there
        if (!widget->property("storedPixels").isValid())
            widget->setProperty("storedPixels", widget->font().pixelSize());
        const int pixels = widget->property("storedPixels").toInt();
        if (pixels > 0) {
            QFont font = widget->font();
            font.setPixelSize(std::max(1, ScaledLength(pixels, zoom)));
            widget->setFont(font);
        }
        // A text does not grow exactly with its font: a label that its zoomed text outgrows
        // keeps its right edge, beside its field, and grows to the left.
        if (auto* label = qobject_cast<QLabel*>(widget); label && zoom != 1.0) {
            const int needed = label->sizeHint().width();
            if (needed > label->width()) {
                QRect grown = label->geometry();
                grown.setLeft(grown.right() + 1 - needed);
                label->setGeometry(grown);
            }
        }
    }
}

} // namespace

void TForm1::CreatePreferencesPanel() {
    GroupBox1 = new QGroupBox(QCoreApplication::translate("Panel", "Préferences"), Client);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(0, 0, 637, 470);
    GroupBox1->setFont(platform::MakeFont("Matisse ITC", 18, true, true));
    SetWidgetColours(GroupBox1, clBtnFace, clMaroon);

    auto makeGroup = [](QWidget* parent, const char* name, const QString& caption, QRect bounds) {
        auto* group = new QGroupBox(caption, parent);
        group->setObjectName(name);
        group->setGeometry(bounds);
        group->setFont(platform::MakeFont("Rockwell Extra Bold", 12, true, true));
        SetWidgetColours(group, clSilver, clNavy);
        return group;
    };
    auto makeLabel = [](QWidget* parent, const char* name, const QString& text, QRect bounds) {
        auto* label = new QLabel(text, parent);
        label->setObjectName(name);
        label->setGeometry(bounds);
        label->setFont(platform::MakeFont("Rockwell Extra Bold", 10, true));
        SetTextColour(label, clBlack);
        return label;
    };
    auto makeEdit = [](QWidget* parent, const char* name, const QString& text, QRect bounds) {
        auto* edit = new QLineEdit(text, parent);
        edit->setObjectName(name);
        edit->setGeometry(bounds);
        edit->setMaxLength(TStoredPreferences::NameLength);
        // The edits take the group's font, in the window-text colour.
        edit->setFont(platform::MakeFont("Rockwell Extra Bold", 12, true, true));
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, ToQColor(clWindowText));
        palette.setColor(QPalette::Base, ToQColor(clWhite));
        palette.setColor(QPalette::Disabled, QPalette::Text, ToQColor(DisabledText));
        palette.setColor(QPalette::Disabled, QPalette::Base, ToQColor(clBtnFace));
        edit->setPalette(palette);
        return edit;
    };
    auto makeRadio = [](QWidget* parent, const char* name, const QString& text, QRect bounds) {
        auto* radio = new QRadioButton(text, parent);
        radio->setObjectName(name);
        radio->setGeometry(bounds);
        radio->setFont(platform::MakeFont("Arial", 10));
        SetTextColour(radio, clBlack);
        return radio;
    };
    auto makeButton = [this](const char* name, const QString& text, QRect bounds,
                             QStyle::StandardPixmap glyph) {
        auto* button = new TBitBtn(glyph, text, GroupBox1);
        button->setObjectName(name);
        button->setGeometry(bounds);
        button->setFont(platform::MakeFont("Arial", 14, true, true));
        SetTextColour(button, clBlack);
        return button;
    };

    // The players' group starts at the panel's left edge, so that its caption shows whole; its
    // right edge and its controls stay where they were on the screen. The names' edits and the
    // lists under them are wide enough for the longest of the lists' items in either language.
    GroupBox7 = makeGroup(GroupBox1, "GroupBox7", QCoreApplication::translate("Panel", "Joueurs"),
                          QRect(0, 48, 629, 241));
    Label6 = makeLabel(GroupBox7, "Label6", QCoreApplication::translate("Panel", "Nom Joueur 1 : "),
                       QRect(204, 48, 100, 16));
    Edit4 =
        makeEdit(GroupBox7, "Edit4", TStoredPreferences::Player1Name(), QRect(348, 40, 221, 26));
    Label7 = makeLabel(GroupBox7, "Label7", QCoreApplication::translate("Panel", "Nom Joueur 2 : "),
                       QRect(204, 128, 100, 16));
    Edit3 =
        makeEdit(GroupBox7, "Edit3", TStoredPreferences::Player2Name(), QRect(348, 120, 221, 26));
    // The labels' texts are wider than their stored boxes in the substitute face; let them
    // show whole, right-aligned against the edits as the layout intends.
    for (QLabel* label : {Label6, Label7}) {
        label->adjustSize();
        label->move(340 - label->width(), label->y());
    }
    // A screen reader names each field by its player and what it holds; the group's caption
    // alone would name them all "Joueurs".
    Edit4->setAccessibleName(QCoreApplication::translate("Panel", "Nom du joueur 1"));
    Edit3->setAccessibleName(QCoreApplication::translate("Panel", "Nom du joueur 2"));
    Label6->setBuddy(Edit4);
    Label7->setBuddy(Edit3);

    // Enter presses OK (made below), except in an open drop-down list.
    const auto enterKeys = std::make_shared<std::vector<QShortcut*>>();

    // Who plays each side, under its name; a side given to the computer is offered its name.
    auto makeChoice = [&](const char* labelName, QLabel*& label, const char* name,
                          QComboBox*& combo, QLineEdit* edit, int y, const QString& personName,
                          const QString& accessibleName) {
        label = makeLabel(GroupBox7, labelName, QCoreApplication::translate("Panel", "Joué par : "),
                          QRect(204, y + 6, 100, 16));
        label->adjustSize();
        label->move(340 - label->width(), label->y());
        combo = new TComboBox(GroupBox7, [enterKeys](bool open) {
            for (QShortcut* enter : *enterKeys)
                enter->setEnabled(!open);
        });
        combo->setObjectName(name);
        // Where a list's name is its chosen item (on Linux), it is named by its label: the
        // label tells the player too, its text on the screen unchanged.
        combo->setAccessibleName(accessibleName);
        label->setAccessibleName(accessibleName);
        label->setBuddy(combo);
        combo->setGeometry(348, y, 221, 24);
        combo->setFont(platform::MakeFont("Arial", 10)); // as the sound switch
        SetTextColour(combo, clBlack);
        combo->addItems(PlayedByItems());
        connect(combo, &QComboBox::currentIndexChanged, this, [edit, personName](int item) {
            // During a game the names stay as the game was made with them.
            if (!edit->isEnabled())
                return;
            const QString computerName = TStoredPreferences::ComputerName();
            const bool computer = PlayedByFromItem(item).has_value();
            if (computer && (edit->text().isEmpty() || edit->text() == personName))
                edit->setText(computerName);
            else if (!computer && edit->text() == computerName)
                edit->setText(personName);
        });
    };
    makeChoice("Label8", Label8, "ComboBox1", ComboBox1, Edit4, 72,
               TStoredPreferences::Player1Name(),
               QCoreApplication::translate("Panel", "Joueur 1 joué par"));
    makeChoice("Label9", Label9, "ComboBox2", ComboBox2, Edit3, 152,
               TStoredPreferences::Player2Name(),
               QCoreApplication::translate("Panel", "Joueur 2 joué par"));

    GroupBox3 = makeGroup(GroupBox1, "GroupBox3", QCoreApplication::translate("Panel", "Bruitages"),
                          QRect(124, 344, 377, 49));
    RadioButton3 =
        makeRadio(GroupBox3, "RadioButton3", QCoreApplication::translate("Panel", "Activés"),
                  QRect(32, 24, 113, 17));
    // Wide enough for "Désactivés" whole beside its button.
    RadioButton4 =
        makeRadio(GroupBox3, "RadioButton4", QCoreApplication::translate("Panel", "Désactivés"),
                  QRect(232, 24, 97, 17));
    (TStoredPreferences::SoundsOn ? RadioButton3 : RadioButton4)->setChecked(true);

    // Counts in sight, in the free band between the players and the sound switch.
    CheckBox1 = new QCheckBox(
        QCoreApplication::translate("TForm1", "Afficher le nombre de graines"), GroupBox1);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(156, 306, 345, 22);
    CheckBox1->setFont(platform::MakeFont("Arial", 10, true));
    SetTextColour(CheckBox1, clBlack);
    CheckBox1->setChecked(TStoredPreferences::ShowCounts);
    // The rules of the games to come, under the sound switch.
    CheckBox2 = new QCheckBox(
        QCoreApplication::translate("TForm1", "Règles complètes (ne pas affamer, nourrir)"),
        GroupBox1);
    CheckBox2->setObjectName("CheckBox2");
    CheckBox2->setGeometry(156, 400, 400, 22);
    CheckBox2->setFont(platform::MakeFont("Arial", 10, true));
    SetTextColour(CheckBox2, clBlack);

    BitBtn1 = makeButton("BitBtn1", QCoreApplication::translate("Panel", "OK"),
                         QRect(202, 429, 113, 25), QStyle::SP_DialogOkButton);
    BitBtn2 = makeButton("BitBtn2", QCoreApplication::translate("Panel", "Annuler"),
                         QRect(308, 429, 113, 25), QStyle::SP_DialogCancelButton);
    BitBtn1->setDefault(true);

    // Tab order: GroupBox3 (its radio buttons), OK, Annuler, then GroupBox7 (Edit3, Edit4, then
    // who plays each side).
    QWidget::setTabOrder(RadioButton3, RadioButton4);
    QWidget::setTabOrder(RadioButton4, BitBtn1);
    QWidget::setTabOrder(BitBtn1, BitBtn2);
    QWidget::setTabOrder(BitBtn2, Edit3);
    QWidget::setTabOrder(Edit3, Edit4);
    QWidget::setTabOrder(Edit4, ComboBox1);
    QWidget::setTabOrder(ComboBox1, ComboBox2);
    QWidget::setTabOrder(ComboBox2, CheckBox1);
    QWidget::setTabOrder(CheckBox1, CheckBox2);

    // OK is the default button (Enter), Annuler the cancel button (Escape).
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), GroupBox1);
        enterKeys->push_back(enter);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, BitBtn1, &QPushButton::click);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), GroupBox1);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, BitBtn2, &QPushButton::click);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });

    const double zoom = BoardZoom(TheOptions().BoardPercent);
    if (zoom != 1.0) {
        GroupBox1->setGeometry(QRect(QPoint(0, 0), Client->size()));
        ZoomPanel(GroupBox1, zoom);
    }
    GroupBox1->hide();
}

void TForm1::ApplyBoardSize() {
    const int percent = TheOptions().BoardPercent;
    const double zoom = BoardZoom(percent);
    for (QAction* size : BoardSizes)
        size->setChecked(size->data().toInt() == ScaledLength(100, zoom));
    const QSize client(ScaledLength(637, zoom), ScaledLength(470, zoom));
    if (Client->size() == client && (!DXDraw1 || DXDraw1->Zoom() == zoom))
        return;
    Client->setFixedSize(client);
    if (GroupBox1) {
        GroupBox1->setGeometry(QRect(QPoint(0, 0), client));
        ZoomPanel(GroupBox1, zoom);
    }
    if (DXDraw1) {
        // The zoom first: the new size is then the same surface in the board's units.
        DXDraw1->SetZoom(zoom);
        DXDraw1->setGeometry(QRect(QPoint(0, 0), client));
        if (DXDraw1->Initialized())
            RedrawScene();
    }
    layout()->activate();
    // A window grown past the screen's edges comes back onto the screen.
    if (const QScreen* screen = this->screen(); screen && isVisible()) {
        const QRect available = screen->availableGeometry();
        const QRect frame = frameGeometry();
        const int dx = std::max(available.left() - frame.left(),
                                std::min(0, available.right() - frame.right()));
        const int dy = std::max(available.top() - frame.top(),
                                std::min(0, available.bottom() - frame.bottom()));
        if (dx != 0 || dy != 0)
            move(pos() + QPoint(dx, dy));
    }
    UpdateBoardAccessibility();
}

double TForm1::ShownZoom() const {
    return DXDraw1 ? DXDraw1->Zoom() : 1.0;
}

void TForm1::BoardSizeClick(int percent) {
    TheOptions().BoardPercent = percent;
    ApplyBoardSize();
    TheOptions().Save();
}

void TForm1::FormCreate() {
    // 1. Centre the window on the screen (outer size, halves to the even neighbour).
    const QScreen* screen = QApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    SetBounds(RoundToInt((screenRect.width() - Width()) / 2.0),
              RoundToInt((screenRect.height() - Height()) / 2.0));
    // 2. Repaint at once.
    repaint();
    // The options come from the panel's stored contents, whatever becomes of the drawing
    // surface: made before it, so that every menu command has them even when it fails.
    StartUpStep(TStartUpStep::Options);
    Options = std::make_unique<TOptions>();
    // The board at the size the options hold, centred again at that size.
    if (BoardZoom(TheOptions().BoardPercent) != 1.0) {
        ApplyBoardSize();
        SetBounds(RoundToInt((screenRect.width() - Width()) / 2.0),
                  RoundToInt((screenRect.height() - Height()) / 2.0));
    }
    // 3. The drawing surface (the image lists then make their picture surfaces), unless its
    // components could not all be made: the window then stays without a picture.
    if (!componentsMade_)
        return;
    StartUpStep(TStartUpStep::DisplayInit);
    DXDraw1->Initialize();
    // 4. The background, on the presentation picture, covering the whole surface.
    StartUpStep(TStartUpStep::BackgroundSprite);
    BackgroundSprite = std::make_unique<TMonSprite>(SpriteEngine());
    BackgroundSprite->SetImage(assets::Image("presentation"));
    BackgroundSprite->SetZ(1);
    BackgroundSprite->X = 0;
    BackgroundSprite->Y = -2;
    // 5. The application state word.
    AppState = TAppState::Presentation;
    // 6. The options are made above. 7. The first frame.
    StartUpStep(TStartUpStep::FirstFrame);
    RedrawScene();
    // The game left unfinished by an earlier run, offered by "Reprendre la partie"; no game
    // has finished in this window yet.
    ForgetFinishedGame();
    LookForUnfinishedGame();
    RefreshGameCommands();
    // The game's sheet, open at the end of the last run, opens again beside the window once the
    // window is on the screen.
    if (TheOptions().ShowSheet)
        QTimer::singleShot(0, this, [] { Guarded([] { ShowGameSheet(true); }); });
}

bool TForm1::RefuseGameAfterFailedStartUp() {
    if (startUpFailure_.isEmpty())
        return false;
    // Something the board needs is missing: no game, and the person is told why.
    ShowNotice(
        QCoreApplication::translate(
            "Messages", "Une partie ne peut pas commencer : le démarrage du jeu a échoué (%1).")
            .arg(startUpFailure_));
    return true;
}

void TForm1::NouvellePartie1Click() {
    if (RefuseGameAfterFailedStartUp())
        return;
    bool made = false;
    if (AppState == TAppState::Jeu &&
        AskToQuit(QCoreApplication::translate(
            "Messages", "Etes vous sur(e) de vouloir quitter cette partie ?"))) {
        ForgetUnfinishedGame(); // the game on the board is left
        AppState = TAppState::Presentation;
        CurrentGame.reset();
        CurrentGame = std::make_unique<Tjeu>();
        CurrentGame->Relayout();
        AppState = TAppState::Jeu;
        made = true;
    }
    if (AppState == TAppState::Presentation) {
        CurrentGame = std::make_unique<Tjeu>();
        CurrentGame->Relayout();
        made = true;
    }
    RedrawScene();
    if (made) {
        if (DXDraw1 && DXDraw1->isVisible())
            DXDraw1->setFocus(Qt::OtherFocusReason);
        // A panel left open as the game starts locks the names as opening it now would.
        LockNamesDuringGame();
        ComputerTurn->Begin();
    }
    RefreshGameCommands();
}

void TForm1::Quitterlapartie1Click() {
    if (!AskToQuit(QCoreApplication::translate(
            "Messages", "Etes vous sur(e) de vouloir quitter cette partie ?")))
        return;
    if (AppState == TAppState::Jeu)
        ForgetUnfinishedGame(); // the game is left
    EndGame();
    RefreshGameCommands();
}

void TForm1::Quitter1Click() {
    if (terminating_ || !AskToQuit(QCoreApplication::translate(
                            "Messages", "Etes vous sur(e) de vouloir quitter le jeu ?")))
        return;
    Terminate();
}

void TForm1::Terminate() {
    EndGame();
    terminating_ = true;
    if (AppState == TAppState::Distribution) {
        // A move is being shown: its handler is still running below us and keeps using the
        // game, the background and the options. Hide the window and let the move run to its
        // end without pauses, pacing or questions.
        SetMessageBoxesSuppressed(true);
        platform::SetPausesEnabled(false);
        platform::SetPresentationPacing(false);
        hide();
    }
    // Every event loop ends, without asking the windows again; the background and the options
    // are released once they have (ReleaseProgramObjects), when nothing can use them any more.
    QCoreApplication::exit(0);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // FormClose: the same question as "&Quitter"; the window's own closing is cancelled, a
    // confirmed quit ends the program through the termination it requested. Once the program
    // is ending, a close request is simply granted.
    if (terminating_) {
        event->accept();
        return;
    }
    event->ignore();
    Guarded([this] { Quitter1Click(); });
}

void TForm1::Prferences1Click() {
    if (!GroupBox1)
        CreatePreferencesPanel();
    if (DXDraw1)
        DXDraw1->hide();
    GroupBox1->show();
    Prferences1->setEnabled(false);
    TheOptions().ShowInPanel();
    // The focus goes to the panel's first control in tab order, the checked sound switch, so
    // that Enter and Escape answer at once.
    (RadioButton3->isChecked() ? RadioButton3 : RadioButton4)->setFocus(Qt::OtherFocusReason);
}

void TForm1::BitBtn1Click() {
    // A name of blanks is no name.
    if (Edit4->text().trimmed().isEmpty()) {
        ShowNotice(
            QCoreApplication::translate("Messages", "Vous devez donner un nom pour le joueur 1"));
        return;
    }
    if (Edit3->text().trimmed().isEmpty() && Edit3->isEnabled()) {
        ShowNotice(
            QCoreApplication::translate("Messages", "Vous devez donner un nom pour le joueur 2"));
        return;
    }
    TheOptions().ReadFromPanel();
    ClosePreferencesPanel();
    ApplyCountsInSight();
    // Who plays each side takes effect in the running game: a side now the computer's is
    // played by it from its turn on, a side taken back is a person's at once.
    ComputerTurn->Next();
}

void TForm1::LockNamesDuringGame() {
    if (!GroupBox1)
        return;
    // The names are read when a game is made: they cannot be changed while one is on. Who
    // plays each side can.
    const bool gameOn = AppState == TAppState::Jeu || AppState == TAppState::Distribution;
    for (QWidget* name : std::initializer_list<QWidget*>{Label6, Edit4, Label7, Edit3})
        name->setEnabled(!gameOn);
}

void TForm1::BitBtn2Click() {
    ClosePreferencesPanel();
}

void TForm1::ClosePreferencesPanel() {
    GroupBox1->hide();
    if (DXDraw1) {
        DXDraw1->show();
        DXDraw1->setFocus(Qt::OtherFocusReason); // the board takes the keys again
    }
    Prferences1->setEnabled(true);
}

void TForm1::Bruitages1Click() {
    const bool on = Bruitages1->isChecked();
    TheOptions().SoundsOn = on;
    Bruitages1->setChecked(on);
    TheOptions().Save();
}

void TForm1::Rgledujeu1Click() {
    OpenRulesWindow(this);
}

void TForm1::AproposdeEkoba1Click() {
    OpenCreditsWindow(this);
}

// ---------------------------------------------------------------------------------------------

namespace {
std::function<void()> frameObserver;

// The move being shown, if any, and whether one of its frames or sounds has failed already.
bool moveShown = false;
bool moveFailureShown = false;

// Runs a frame or a sound. During a move a failure is shown once and the move goes on.
template <typename Step> void MoveStep(Step&& step) {
    if (!moveShown) {
        step();
        return;
    }
    try {
        step();
    } catch (const std::exception& error) {
        if (!moveFailureShown) {
            moveFailureShown = true;
            ReportException(error);
        }
    }
}
} // namespace

TMoveInProgress::TMoveInProgress() : outer_(!moveShown) {
    if (outer_) {
        moveShown = true;
        moveFailureShown = false;
    }
}

TMoveInProgress::~TMoveInProgress() {
    if (outer_)
        moveShown = false;
}

void DrawFrame() {
    if (!Form1 || !Form1->DXSpriteEngine1)
        return;
    MoveStep([] {
        if (AppState == TAppState::Jeu)
            UpdateHover();
        RefreshKeyboardMark();
        RefreshHintLine();
        Form1->DXSpriteEngine1->Draw();
        Form1->DXDraw1->Flip();
    });
    UpdateBoardAccessibility();
    RefreshGameSheet();
    if (frameObserver)
        frameObserver();
}

void SetFrameObserver(std::function<void()> observer) {
    frameObserver = std::move(observer);
}

void PlaySoundItem(int index) {
    if (Form1 && Form1->DXWaveList1) {
        MoveStep([index] {
            Form1->OpenSoundDevice();
            Form1->DXWaveList1->Items().Items(index).PlayWave(false);
        });
    }
}

void ReportException(const std::exception& error) noexcept {
    ReportError(error.what());
}

bool TerminationRequested() {
    return Form1 && Form1->terminating_;
}

void ReleaseProgramObjects() {
    CurrentGame.reset();
    BackgroundSprite.reset();
    Options.reset();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Every text the program writes shows whole, in French and in English: the preferences panel's
// captions, list items and names, the texts of the help menu's windows, the message boxes with
// their captions in the title bar, and the score lines on the board, whose names give way to
// "…" before a line would run under the sun or off its panel. Widths are Qt's font metrics of
// each widget's own font against the widget's width, at each of the board's sizes.
#include "game/Game.h"
#include "game/Player.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "tests/ui/FormFixture.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/Shortcuts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTextDocument>
#include <QTranslator>
#include <random>
#include <string>
#include <tuple>

namespace {

// A language and a board size in percent.
class TextsFit : public FormTest, public ::testing::WithParamInterface<std::tuple<TLanguage, int>> {
protected:
    void SetUp() override {
        TestApp();
        // French is the program's own language; English comes from its translation, installed
        // before the window is made.
        if (Language() == TLanguage::English) {
            ASSERT_TRUE(english.load(":/i18n/ekobarama_en.qm"));
            QCoreApplication::installTranslator(&english);
        }
        FormTest::SetUp();
        ASSERT_TRUE(Options);
        form->show();
        form->BoardSizeClick(std::get<1>(GetParam()));
    }
    void TearDown() override {
        FormTest::TearDown();
        QCoreApplication::removeTranslator(&english);
    }

    // Every control under root shows its text whole and lies inside its parent.
    void CheckControls(QWidget* root, const QString& where) {
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(root) || widget->isWindow())
                continue;
            const std::string name = (where + " " + widget->objectName() + " (" +
                                      widget->metaObject()->className() + ")")
                                         .toStdString();
            EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
                << name << " at " << Text(widget->geometry()) << " leaves its parent's "
                << Text(widget->parentWidget()->rect());
            const QFontMetrics metrics(widget->font());
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (label->text().isEmpty() || !label->pixmap().isNull())
                    continue;
                if (label->wordWrap()) {
                    EXPECT_LE(label->heightForWidth(label->width()), label->height())
                        << name << ": " << label->text().toStdString();
                } else if (Qt::mightBeRichText(label->text()) ||
                           label->textFormat() == Qt::RichText) {
                    EXPECT_LE(label->sizeHint().width(), label->width())
                        << name << ": " << label->text().toStdString();
                } else {
                    for (const QString& line : label->text().split('\n'))
                        EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width())
                            << name << ": " << line.toStdString();
                }
                ++checked;
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                // The style's own size for the text, its glyph and its indicator.
                EXPECT_LE(button->sizeHint().width(), button->width())
                    << name << ": " << button->text().toStdString();
                ++checked;
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                QStyleOptionGroupBox option;
                option.initFrom(group);
                option.text = group->title();
                option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
                option.textAlignment = group->alignment();
                const QRect caption = group->style()->subControlRect(
                    QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
                EXPECT_GE(caption.left(), 0) << name;
                EXPECT_LE(caption.left() + metrics.horizontalAdvance(group->title()),
                          group->width())
                    << name << ": " << group->title().toStdString();
                ++checked;
            } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                QStyleOptionComboBox option;
                option.initFrom(combo);
                option.frame = true;
                option.editable = combo->isEditable();
                const int field = combo->style()
                                      ->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo)
                                      .width();
                for (int i = 0; i < combo->count(); ++i) {
                    EXPECT_LE(metrics.horizontalAdvance(combo->itemText(i)), field)
                        << name << ": " << combo->itemText(i).toStdString();
                    ++checked;
                }
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                // The text's room inside the frame, less the edit's margin of 2 pixels at
                // either end; its text, and the longest name it takes in a wide letter.
                QStyleOptionFrame option;
                option.initFrom(edit);
                option.lineWidth =
                    edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
                option.midLineWidth = 0;
                option.state |= QStyle::State_Sunken;
                const int room = edit->style()
                                     ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                     .width() -
                                 edit->textMargins().left() - edit->textMargins().right() - 4;
                EXPECT_LE(metrics.horizontalAdvance(edit->text()), room) << name;
                EXPECT_LE(metrics.horizontalAdvance(QString(edit->maxLength(), QChar('M'))), room)
                    << name << " holds " << edit->maxLength() << " letters";
                ++checked;
            }
        }
    }
    // A window's caption shows whole in its title bar.
    void CheckTitle(const QWidget* window, int outerWidth) {
        EXPECT_LE(TitleBarWidth(window->windowTitle()), outerWidth)
            << window->windowTitle().toStdString();
        ++checked;
    }
    static std::string Text(const QRect& r) {
        return QString("%1,%2 %3x%4")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height())
            .toStdString();
    }

    static TLanguage Language() { return std::get<0>(GetParam()); }

    QTranslator english;
    int checked = 0;
};

INSTANTIATE_TEST_SUITE_P(
    BothLanguagesEverySize, TextsFit,
    ::testing::Combine(::testing::Values(TLanguage::French, TLanguage::English),
                       ::testing::Values(100, 150, 200)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == TLanguage::French ? "French" : "English") +
               std::to_string(std::get<1>(info.param));
    });

} // namespace

TEST_P(TextsFit, PanelWindowsAndBoxesShowEveryTextWhole) {
    // The menus: each has its key, the help menu too.
    QSet<int> keys;
    for (const QAction* menu : form->menuBar()->actions()) {
        const QKeySequence key = QKeySequence::mnemonic(menu->text());
        EXPECT_FALSE(key.isEmpty()) << menu->text().toStdString();
        keys.insert(key[0].toCombined());
    }
    EXPECT_EQ(keys.size(), form->menuBar()->actions().size());
    CheckTitle(form.get(), form->Width());

    form->Prferences1Click();
    CheckControls(form->GroupBox1, "panel");
    // The panel during a game, its names locked, and both sides given to the computer.
    form->BitBtn2Click();
    form->NouvellePartie1Click();
    form->Prferences1Click();
    form->ComboBox1->setCurrentIndex(2);
    form->ComboBox2->setCurrentIndex(4);
    CheckControls(form->GroupBox1, "panel during a game");
    form->BitBtn2Click();

    form->Rgledujeu1Click();
    form->AproposdeEkoba1Click();
    TShortcutsForm* keysWindow = OpenShortcutsWindow(form.get());
    for (TPlainForm* window : std::initializer_list<TPlainForm*>{
             form->findChild<TForm2*>(), form->findChild<TForm3*>(), keysWindow}) {
        ASSERT_NE(window, nullptr);
        CheckControls(window, window->windowTitle());
        CheckTitle(window, window->Frame().Width);
    }

    // The message boxes as they are shown: the end of a game, a question, an error.
    const TMessageBoxRequest requests[] = {
        {ApplicationTitle, QCoreApplication::translate("Messages", "Vainqueur : joueur 1"),
         TMsgButtons::Ok, QMessageBox::NoIcon},
        {ApplicationTitle, QCoreApplication::translate("Messages", "Egalité !"), TMsgButtons::Ok,
         QMessageBox::NoIcon},
        {ApplicationTitle,
         QCoreApplication::translate("Messages", "Le jeu est bloqué ! Fin de la partie"),
         TMsgButtons::Ok, QMessageBox::NoIcon},
        {QCoreApplication::translate("Messages", "Quitter ?"),
         QCoreApplication::translate("Messages",
                                     "Etes vous sur(e) de vouloir quitter cette partie ?"),
         TMsgButtons::YesNo, QMessageBox::Question},
        {ApplicationTitle, "x", TMsgButtons::Ok, QMessageBox::Critical},
    };
    for (const TMessageBoxRequest& request : requests) {
        const std::unique_ptr<QMessageBox> box = MakeMessageBox(request);
        box->setWindowModality(Qt::NonModal); // looked at, not answered
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        CheckControls(box.get(), "box " + request.Text);
        CheckTitle(box.get(), box->width());
        box->hide();
    }
    EXPECT_GT(checked, 40);
}

// Score lines over many names, banked values and gains: a line that fits is the plain line; one
// that does not keeps its numbers whole and the longest beginning of the name that fits, ended
// with "…". On the board the long names of a game are written so.
TEST_P(TextsFit, ScoreLinesGiveWayToTheSunAndThePanelsEdge) {
    if (std::get<1>(GetParam()) != 100)
        GTEST_SKIP() << "score lines are cut in the board's own units, the same at every size";
    std::mt19937 random(Language() == TLanguage::French ? 44 : 45);
    const QStringList letters = {"M", "W", "m", "i", "é", "Ō", " ", "字", "😀"};
    TFont look;
    look.Name = "Matisse ITC";
    look.Size = 20;
    look.Style = TFontStyles{.Bold = true};
    const QFont font = look.ToQFont();
    const QFontMetrics metrics(font);
    const QString ellipsis(QChar(0x2026));
    int elided = 0;
    for (int round = 0; round < 3000; ++round) {
        QString name;
        const int length = 1 + static_cast<int>(random() % 32);
        while (name.size() < length)
            name += letters[static_cast<qsizetype>(random() % letters.size())];
        name = name.trimmed();
        if (name.isEmpty())
            name = "M";
        const int n = 1 + static_cast<int>(random() % 2);
        const int value = static_cast<int>(random() % 49);
        const int gain = random() % 3 == 0 ? static_cast<int>(random() % 25) : 0;
        const QString bracket = gain ? QString(" (+%1)").arg(gain) : QString();
        const int room = TScore::LineEnd(n) - static_cast<int>(TScore::TextX(n));
        const QString text = ScoreText(n, name, value, gain, font);
        const std::string what =
            (name + QString(" %1 %2 %3 → ").arg(n).arg(value).arg(gain) + text).toStdString();
        // The name as written: what comes before the numbers' part of the line.
        const QString tail = ScoreLine(QString(), value) + bracket;
        ASSERT_TRUE(text.endsWith(tail)) << what;
        const QString shown = text.chopped(tail.size());
        EXPECT_LE(metrics.horizontalAdvance(text), room) << what;
        if (metrics.horizontalAdvance(ScoreLine(name, value) + bracket) <= room) {
            EXPECT_EQ(shown, name) << what;
            continue;
        }
        ++elided;
        ASSERT_TRUE(shown.endsWith(ellipsis)) << what;
        const QString kept = shown.chopped(1);
        EXPECT_TRUE(name.startsWith(kept)) << what;
        // Nothing more of the name would have fitted.
        qsizetype next = kept.size() + 1;
        while (next < name.size() &&
               (name[next].isLowSurrogate() || name.left(next).trimmed() == kept))
            ++next;
        if (next < name.size()) {
            const QString longer = ScoreLine(name.left(next).trimmed() + ellipsis, value) + bracket;
            EXPECT_GT(metrics.horizontalAdvance(longer), room) << what;
        }
    }
    EXPECT_GT(elided, 1000);

    // The players' usual names and every banked value fit whole.
    for (int n = 1; n <= 2; ++n)
        for (int value = 0; value <= 48; ++value)
            EXPECT_EQ(ScoreText(n, TStoredPreferences::Player1Name(), value, 0, font),
                      ScoreLine(TStoredPreferences::Player1Name(), value));

    // A game between two long names: both lines on the board are cut.
    const QString longName(32, QChar('M'));
    Options->Player1Name = longName;
    Options->Player2Name = longName;
    form->NouvellePartie1Click();
    ASSERT_TRUE(CurrentGame);
    for (int n = 1; n <= 2; ++n) {
        const TLabel& line = *CurrentGame->Player(n).Score->Text->TextLabel;
        EXPECT_EQ(line.Caption, ScoreText(n, longName, 0, 0, font));
        EXPECT_TRUE(line.Caption.contains(ellipsis)) << line.Caption.toStdString();
        EXPECT_EQ(CurrentGame->Player(n).Name, longName); // only the line is cut
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Under an English locale every text the window shows is English: the menus, the preferences
// panel, the questions and end-of-game messages, the score lines, the rules and the credits.
// A text is caught when it is still one of the French texts of the translation file, or when
// it holds a letter or sign that only French uses.
#include "game/Game.h"
#include "game/Player.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "record/GameFile.h"
#include "tests/ui/FormFixture.h"
#include "ui/BoardAccessibility.h"
#include "ui/GameFiles.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

// The French texts whose English differs (the ones that read the same, such as "OK", cannot
// tell).
QSet<QString> FrenchSources() {
    QFile file(qEnvironmentVariable("EKOBA_SOURCE_DIR") + "/i18n/ekobarama_en.ts");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QSet<QString> sources;
    QXmlStreamReader xml(&file);
    QString source;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == u"source")
            source = xml.readElementText();
        else if (xml.isStartElement() && xml.name() == u"translation" &&
                 xml.readElementText() != source)
            sources << source;
        else if (!xml.isStartElement())
            xml.readNext();
    }
    EXPECT_GT(sources.size(), 90);
    return sources;
}

class English : public FormTest {
protected:
    void SetUp() override {
        InstallTranslations(TestApp()); // before the window is made
        FormTest::SetUp();
        ASSERT_EQ(ChosenLanguage(), TLanguage::English);
    }
    // Every text shown, one by one.
    void Check(const QString& text, const QString& where) {
        static const QSet<QString> french = FrenchSources();
        static const QRegularExpression frenchOnly("[éèêàâùûçôîœ«»]");
        EXPECT_FALSE(french.contains(text)) << where.toStdString() << ": " << text.toStdString();
        for (const QString& line : text.split('\n'))
            EXPECT_FALSE(french.contains(line) || frenchOnly.match(line).hasMatch())
                << where.toStdString() << ": " << line.toStdString();
        ++checked;
    }
    void CheckWidgets(const QWidget* window, const QString& where) {
        Check(window->windowTitle(), where);
        for (const QLabel* label : window->findChildren<QLabel*>())
            Check(label->text(), where);
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            Check(button->text(), where);
        for (const QGroupBox* group : window->findChildren<QGroupBox*>())
            Check(group->title(), where);
        for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
            Check(edit->text(), where);
        for (const QComboBox* combo : window->findChildren<QComboBox*>())
            for (int i = 0; i < combo->count(); ++i)
                Check(combo->itemText(i), where);
        for (const QPlainTextEdit* text : window->findChildren<QPlainTextEdit*>())
            Check(text->toPlainText(), where);
    }
    int checked = 0;
};

TEST_F(English, MenusPanelMessagesRulesAndCreditsSpeakEnglish) {
    for (const QAction* menu : form->menuBar()->actions()) {
        Check(menu->text(), "menu bar");
        for (const QAction* item : menu->menu()->actions())
            if (!item->isSeparator())
                Check(item->text(), "menu " + menu->text());
    }
    EXPECT_EQ(form->NouvellePartie1->text(), "&New game");

    form->Prferences1Click();
    CheckWidgets(form->GroupBox1, "preferences panel");
    EXPECT_EQ(Options->Player1Name, "Player 1");
    form->Edit4->clear();
    form->BitBtn1Click();
    form->BitBtn2Click();

    form->NouvellePartie1Click();
    ASSERT_TRUE(CurrentGame);
    Check(CurrentGame->Player(1).Score->Text->TextLabel->Caption, "score line");
    EXPECT_EQ(CurrentGame->Player(2).Score->Text->TextLabel->Caption, "Player 2: 0");
    // The board as a screen reader reads it, and what a damaged game file is told with.
    EXPECT_EQ(PitAccessibleName(9), "Pit 3 of Player 2: 4 seeds");
    EXPECT_EQ(SeedsText(0) + SeedsText(1), "0 seeds1 seed");
    for (const QString& text : {ScoreAccessibleName(1), TurnAccessibleName(),
                                LastMoveAccessibleName(), PitAccessibleName(1)})
        Check(text, "accessible board");
    for (int fault = 0; fault < record::kReadFaultCount; ++fault) {
        const QString text =
            ReadErrorText({1, static_cast<record::TReadFault>(fault), {"x", "y", "z"}});
        Check(text, "game file fault");
        EXPECT_FALSE(text.contains('%') || text.isEmpty()) << text.toStdString();
    }
    for (int fault = 0; fault <= static_cast<int>(files::TFileWriteFault::CannotReplace); ++fault)
        Check(WriteProblemText({static_cast<files::TFileWriteFault>(fault), "x", "y"}),
              "game file not written");
    form->Quitterlapartie1Click(); // answered No
    CurrentGame->Finish();
    ASSERT_EQ(boxes.size(), 5u);
    for (const TMessageBoxRequest& box : boxes) {
        Check(box.Caption, "message box");
        Check(box.Text, "message box");
    }
    EXPECT_EQ(boxes[1].Caption, "Quit?");
    EXPECT_EQ(boxes[4].Text, "It's a draw!");

    form->Rgledujeu1Click();
    form->AproposdeEkoba1Click();
    for (const char* name : {"Form2", "Form3"}) {
        const QWidget* window = form->findChild<QWidget*>(name);
        ASSERT_NE(window, nullptr) << name;
        CheckWidgets(window, name);
    }
    EXPECT_GT(checked, 60);
}

} // namespace

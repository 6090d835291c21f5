// SPDX-License-Identifier: GPL-3.0-or-later
// The rules window and the credits window, opened from the main window's "?" menu.
#include "graphics/Catalogue.h"
#include "picture/JPEG.h"
#include "platform/Graphics.h"
#include "tests/ui/FormFixture.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/RulesText.h"
#include "ui/Shortcuts.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <cstring>

namespace {

// Calls the opener would have made, instead of handing addresses to the system.
class HelpWindows : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        SetAddressOpener([this](const QString& address) { opened.push_back(address); });
    }
    void TearDown() override {
        SetAddressOpener(nullptr);
        FormTest::TearDown();
    }
    FrameGeometry MainFrame() const {
        return {form->Left(), form->Top(), form->Width(), form->Height()};
    }

    std::vector<QString> opened;
};

QStringList MemoLines(const QPlainTextEdit& memo) {
    QStringList lines;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

} // namespace

TEST(Centring, RoundsHalvesToTheEvenNeighbourThenAddsTheOwnerCorner) {
    // The main window's outer size is 643 x 513: the rules window (780 x 514) is 68.5 pixels
    // wider on each side and half a pixel higher; the credits window (690 x 263) 23.5 narrower.
    EXPECT_EQ(CentredOn({100, 50, 643, 513}, 780, 514), QPoint(100 - 68, 50 + 0));
    EXPECT_EQ(CentredOn({100, 50, 643, 513}, 690, 263), QPoint(100 - 24, 50 + 125));
    EXPECT_EQ(CentredOn({0, 0, 103, 105}, 0, 0), QPoint(52, 52));
    EXPECT_EQ(CentredOn({0, 0, 101, 107}, 0, 0), QPoint(50, 54));
    EXPECT_EQ(CentredOn({-7, -9, 10, 10}, 13, 15), QPoint(-7 - 2, -9 - 2));
}

// Escape alone closes each of the help menu's windows, from the control that has the keys.
TEST_F(HelpWindows, EscapeClosesTheRulesTheKeysAndTheCredits) {
    form->Rgledujeu1->trigger();
    form->AproposdeEkoba1->trigger();
    TShortcutsForm* keys = OpenShortcutsWindow(form.get());
    auto* rules = form->findChild<TForm2*>();
    auto* credits = form->findChild<TForm3*>();
    ASSERT_TRUE(rules && credits);
    const std::pair<QWidget*, QWidget*> windows[] = {
        {rules, rules->Memo1}, {credits, credits->Label5}, {keys, keys->findChild<QLabel*>()}};
    for (const auto& [window, control] : windows) {
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(window->isVisible());
        QTest::keyClick(control, Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_TRUE(window->isVisible()) << window->windowTitle().toStdString();
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
    }
}

TEST_F(HelpWindows, EachUseOfRulesOpensAnotherCentredNonModalWindow) {
    const FrameGeometry main = MainFrame();
    form->Rgledujeu1->trigger();
    form->Rgledujeu1->trigger();
    const QList<TForm2*> opened = form->findChildren<TForm2*>();
    ASSERT_EQ(opened.size(), 2);
    for (TForm2* rules : opened) {
        EXPECT_EQ(rules->parentWidget(), form.get());
        EXPECT_TRUE(rules->isVisible());
        EXPECT_TRUE(rules->isWindow());
        EXPECT_EQ(rules->windowModality(), Qt::NonModal);
        EXPECT_EQ(rules->windowTitle(), "Règle du jeu");
        EXPECT_EQ(rules->Frame(), (FrameGeometry{main.Left - 68, main.Top, 780, 514}));
        EXPECT_TRUE(rules->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(rules->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_NE(rules->minimumSize(), rules->maximumSize());
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpWindows, ClosingHidesAWindowThatLivesAsLongAsTheMainWindow) {
    QPointer<TForm2> rules = OpenRulesWindow(form.get());
    QPointer<TForm3> credits = OpenCreditsWindow(form.get());
    rules->close();
    credits->close();
    QApplication::processEvents();
    ASSERT_TRUE(rules);
    ASSERT_TRUE(credits);
    EXPECT_TRUE(rules->isHidden());
    EXPECT_TRUE(credits->isHidden());
    form.reset();
    EXPECT_FALSE(rules);
    EXPECT_FALSE(credits);
}

TEST_F(HelpWindows, RulesMemoIsReadOnlyWrappedAndFillsTheWindow) {
    TForm2* rules = OpenRulesWindow(form.get());
    QApplication::processEvents();
    QPlainTextEdit* memo = rules->Memo1;
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(memo->geometry(), rules->rect());
    EXPECT_TRUE(memo->font().bold());
    EXPECT_EQ(memo->font().pixelSize(), 16); // 12 points at 96 dpi
    // Read-only: typing changes nothing.
    const QString before = memo->toPlainText();
    QTest::keyClicks(memo, "abc");
    EXPECT_EQ(memo->toPlainText(), before);
    // Growing the window wraps the text to the new width instead of scrolling sideways.
    rules->SetOuterSize(1000, 600);
    QApplication::processEvents();
    EXPECT_EQ(memo->geometry(), rules->rect());
    EXPECT_EQ(rules->Frame().Width, 1000);
}

// Walks the memo's lines through the stored structure: the title, three empty lines, four
// introductory paragraphs separated by one empty line, then six sections, each after three
// empty lines, made of a heading, one empty line and paragraphs separated by one empty line.
TEST_F(HelpWindows, RulesTextHas76LinesWithTheHeadingsAtTheirPlaces) {
    const QStringList lines = MemoLines(*OpenRulesWindow(form.get())->Memo1);
    ASSERT_EQ(lines.size(), 76);
    EXPECT_EQ(lines, RulesLines());
    EXPECT_EQ(lines[0], "\t\t\tRègle du jeu d'ekoba");

    int at = 1;
    auto empties = [&] {
        int count = 0;
        while (at < lines.size() && lines[at].isEmpty()) {
            ++at;
            ++count;
        }
        return count;
    };
    // Reads paragraphs up to the next run of three empty lines; returns how many it read.
    auto paragraphs = [&] {
        int count = 0;
        while (at < lines.size()) {
            EXPECT_TRUE(lines[at].startsWith("- ")) << "line " << at + 1;
            ++count;
            while (at < lines.size() && !lines[at].isEmpty()) {
                EXPECT_LE(lines[at].size(), 96) << "line " << at + 1;
                EXPECT_FALSE(lines[at].contains('\t')) << "line " << at + 1;
                ++at;
            }
            const int start = at;
            const int gap = empties();
            if (gap == 3 || at == lines.size()) {
                at = start;
                break;
            }
            EXPECT_EQ(gap, 1) << "line " << start + 1;
        }
        return count;
    };

    EXPECT_EQ(empties(), 3);
    EXPECT_EQ(paragraphs(), 4);
    const QStringList headings = {"\t1- Déplacement - Semailles",  "\t2- Krou",
                                  "\t3- Prise et gain - Récoltes", "\t4- Interdiction de tuer",
                                  "\t5- Obligation de nourrir",    "\t6- Fin de la partie"};
    QStringList sections;
    while (at < lines.size()) {
        EXPECT_EQ(empties(), 3) << "before line " << at + 1;
        ASSERT_LT(at, lines.size());
        sections << lines[at++];
        EXPECT_EQ(empties(), 1) << "after heading " << sections.size();
        EXPECT_GE(paragraphs(), 1) << "section " << sections.size();
    }
    EXPECT_EQ(sections, headings);
    EXPECT_EQ(at, 76);
}

TEST_F(HelpWindows, RulesTellThatTheBanAndTheDutyToFeedAreNotEnforced) {
    const QStringList& lines = RulesLines();
    const auto section = [&](const QString& heading) {
        const int start = lines.indexOf(heading);
        EXPECT_GE(start, 0) << heading.toStdString();
        QString text;
        for (int i = start + 1; i < lines.size() && !lines[i].startsWith('\t'); ++i)
            text += lines[i] + ' ';
        return text;
    };
    EXPECT_TRUE(section("\t4- Interdiction de tuer").contains("ne fait pas respecter"));
    EXPECT_TRUE(section("\t5- Obligation de nourrir").contains("ne fait pas respecter"));
    EXPECT_FALSE(section("\t3- Prise et gain - Récoltes").contains("ne fait pas respecter"));
}

TEST_F(HelpWindows, EachUseOfCreditsOpensAnotherCentredFixedWindow) {
    const FrameGeometry main = MainFrame();
    form->AproposdeEkoba1->trigger();
    form->AproposdeEkoba1->trigger();
    const QList<TForm3*> opened = form->findChildren<TForm3*>();
    ASSERT_EQ(opened.size(), 2);
    for (TForm3* credits : opened) {
        EXPECT_EQ(credits->parentWidget(), form.get());
        EXPECT_TRUE(credits->isVisible());
        EXPECT_EQ(credits->windowModality(), Qt::NonModal);
        EXPECT_EQ(credits->windowTitle(), "A propos d'Ekobarama ...");
        EXPECT_EQ(credits->size(), QSize(684, 238));
        EXPECT_EQ(credits->minimumSize(), credits->maximumSize());
        // Outer 690 x 263: (643 - 690) / 2 = -23.5 goes to -24, (513 - 263) / 2 = 125.
        EXPECT_EQ(credits->Frame(), (FrameGeometry{main.Left - 24, main.Top + 125, 690, 263}));
        EXPECT_FALSE(credits->windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(credits->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(credits->windowFlags() & Qt::WindowCloseButtonHint);
    }
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(HelpWindows, EveryClickableLabelOpensExactlyTheAddressItShows) {
    TForm3* credits = OpenCreditsWindow(form.get());
    QApplication::processEvents();
    const std::vector<TClickLabel*> links = {credits->Label5, credits->Label6, credits->Label23,
                                             credits->Label24, credits->Label25};
    const QStringList names = {"Label5", "Label6", "Label23", "Label24", "Label25"};
    for (size_t i = 0; i < links.size(); ++i) {
        TClickLabel* link = links[i];
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(link->objectName(), names[i]);
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), ToQColor(clBlue));
        const QUrl url(link->text(), QUrl::StrictMode);
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.scheme(), "https");

        opened.clear();
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
        EXPECT_EQ(opened, std::vector<QString>{link->text()});
        // The right button, or a press that leaves the label before the release, is no click.
        opened.clear();
        QTest::mouseClick(link, Qt::RightButton, Qt::NoModifier, link->rect().center());
        QTest::mousePress(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, Qt::NoModifier, QPoint(-5, -5));
        EXPECT_TRUE(opened.empty());
    }
}

TEST_F(HelpWindows, TheMailAddressAndTheOtherLabelsOpenNothing) {
    TForm3* credits = OpenCreditsWindow(form.get());
    QApplication::processEvents();
    const auto* mail = credits->findChild<QLabel*>("Label8");
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(dynamic_cast<const TClickLabel*>(mail), nullptr);
    EXPECT_FALSE(mail->font().underline());
    EXPECT_EQ(mail->palette().color(QPalette::WindowText), ToQColor(clBlue));
    int plain = 0;
    for (QLabel* label : credits->findChildren<QLabel*>()) {
        if (dynamic_cast<TClickLabel*>(label))
            continue;
        ++plain;
        EXPECT_NE(label->cursor().shape(), Qt::PointingHandCursor) << label->text().toStdString();
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, label->rect().center());
    }
    EXPECT_EQ(plain, 24);
    EXPECT_TRUE(opened.empty());
}

// With the fonts installed here, every text still fits: no label runs into another or into the
// picture, and everything stays inside the client area.
TEST_F(HelpWindows, CreditsLabelsFitTheirPlaces) {
    TForm3* credits = OpenCreditsWindow(form.get());
    const QList<QLabel*> labels = credits->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 29);
    EXPECT_EQ(credits->Image1->geometry(), QRect(520, 24, 81, 105));
    for (QLabel* label : labels) {
        const QRect box = label->geometry();
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_TRUE(credits->rect().contains(box));
        EXPECT_FALSE(box.intersects(credits->Image1->geometry()));
        for (QLabel* other : labels) {
            if (other != label) {
                EXPECT_FALSE(box.intersects(other->geometry())) << other->text().toStdString();
            }
        }
    }
}

TEST_F(HelpWindows, CreditsPictureIsTheStoredJpegPaintedUnscaledAtTheCorner) {
    TForm3* credits = OpenCreditsWindow(form.get());
    const TImage& image = *credits->Image1;
    ASSERT_NE(dynamic_cast<const TJPEGImage*>(image.Picture().Graphic()), nullptr);
    EXPECT_EQ(image.Picture().Width(), 80);
    EXPECT_EQ(image.Picture().Height(), 100);
    const QImage& shown = image.Shown();
    ASSERT_EQ(shown.size(), QSize(81, 105));
    const QRgb face = ToQColor(clBtnFace).rgb();
    // The control's last column and its five last rows are the window's colour.
    for (int y = 0; y < 105; ++y)
        EXPECT_EQ(shown.pixel(80, y), face) << "row " << y;
    for (int y = 100; y < 105; ++y)
        for (int x = 0; x < 81; ++x)
            EXPECT_EQ(shown.pixel(x, y), face) << x << ", " << y;
    // The picture covers the rest, and it is a picture, not one colour.
    QSet<QRgb> colours;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 80; ++x)
            colours.insert(shown.pixel(x, y));
    EXPECT_GT(colours.size(), 16);
}

TEST_F(HelpWindows, DamagedPictureDataRaiseAndLeaveTheShownPicture) {
    TForm3* credits = OpenCreditsWindow(form.get());
    TImage& image = *credits->Image1;
    const QImage before = image.Shown();
    const ByteBlock& stored = EmbeddedDescription().CreditsPicture;
    // The JPEG's declared count runs past the data; a JPEG cut inside its header.
    const ByteBlock overlong(stored.begin(), stored.end() - 10);
    ByteBlock cutHeader(stored.begin(), stored.begin() + 40);
    const std::size_t countAt = 1 + stored[0];
    const auto count = static_cast<std::uint32_t>(cutHeader.size() - countAt - 4);
    std::memcpy(cutHeader.data() + countAt, &count, sizeof count);
    EXPECT_THROW(image.LoadPicture(overlong), EReadError);
    EXPECT_THROW(image.LoadPicture(cutHeader), EJPEG);
    EXPECT_EQ(image.Picture().Width(), 80);
    EXPECT_EQ(image.Shown(), before);
}

// The main window's layout: the arithmetic on its own, then the real window offscreen at its
// creation size, after resizing, in both screen modes, minimised and restored, with the
// background skin, and its menu tree.

#include "mainwindow/layout.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>
#include <cmath>
#include <limits>

#include "mainwindow/main_window.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/twips.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"

namespace {

using testing_support::FormHarness;
using testing_support::processEvents;

layout::Rect RectOf(const QWidget* w) {
    return layout::Rect{w->x(), w->y(), w->width(), w->height()};
}

// ---- arithmetic ----

TEST(LayoutArithmetic, NormalLayoutAtCreationSize) {
    const layout::NormalLayout l = layout::ComputeNormalLayout(662, 482);
    EXPECT_EQ(l.text1Width, 563);
    EXPECT_EQ(l.frame1Left, 564);
    EXPECT_EQ(l.rightColumnLeft, 564);
    EXPECT_EQ(l.frame4Top, 352);
    EXPECT_EQ(l.frame5Top, 452);
    EXPECT_EQ(l.picture1Top, 368);
    EXPECT_EQ(l.picture2Top, 369);
    EXPECT_EQ(l.scaleLabelTop, 356);
    EXPECT_EQ(l.image1Top, 354);
    EXPECT_EQ(l.image2Top, 42);
    EXPECT_EQ(l.text1Height, 354);
    EXPECT_EQ(l.label5Top, 352);
}

TEST(LayoutArithmetic, TheMarkerPointerLiesOnTheStripAtEveryHeight) {
    for (const int h : {482, 700, 1080}) {
        const layout::NormalLayout l = layout::ComputeNormalLayout(662, h);
        EXPECT_EQ(l.image2Top + layout::kMarkerPointerTop, l.image1Top + 1) << h;
        EXPECT_EQ(l.image2Top + layout::kMarkerPointerTop + layout::kMarkerPointerHeight,
                  l.picture1Top - 1)
            << h;
        EXPECT_EQ(layout::MarkerTopOnStrip(l.image1Top), l.image2Top) << h;
    }
}

TEST(LayoutArithmetic, SizeTestIsStrictlyAbove3000Twips) {
    EXPECT_FALSE(layout::NormalLayoutApplies(3000.0, 9000.0));
    EXPECT_FALSE(layout::NormalLayoutApplies(9000.0, 3000.0));
    EXPECT_TRUE(layout::NormalLayoutApplies(3001.0, 3001.0));
    EXPECT_FALSE(layout::NormalLayoutApplies(0.0, 0.0));
}

TEST(LayoutArithmetic, LargeWaterfallOn482PixelClient) {
    const layout::LargeWaterfallScreen s = layout::ComputeLargeWaterfallScreen(482);
    EXPECT_EQ(s.values, (layout::ScreenValues{306.0, 145.0, 130.0}));
    EXPECT_EQ(s.picture1Top, 145);
    EXPECT_EQ(s.picture1Height, 306);
    EXPECT_EQ(s.picture1Top + s.picture1Height, 482 - 31);
    EXPECT_EQ(s.text1Height, 130);
    EXPECT_EQ(s.image1Top, 125);
    EXPECT_EQ(s.scaleLabelTop, 133);
}

TEST(LayoutArithmetic, NormalScreenValuesAreConstants) {
    for (const int h : {300, 482, 900}) {
        const layout::NormalScreen s = layout::ComputeNormalScreen(h);
        EXPECT_EQ(s.values, (layout::ScreenValues{85.0, 368.0, 353.0}));
        EXPECT_EQ(s.picture1Height, 85);
        EXPECT_EQ(s.picture1Top, h - 114);
        EXPECT_EQ(s.text1Height, h - 128);
    }
}

TEST(LayoutArithmetic, NegativeSizesAreClampedAtZero) {
    EXPECT_EQ(layout::ComputeNormalScreen(100).text1Height, 0);
    EXPECT_EQ(layout::ComputeLargeWaterfallScreen(150).picture1Height, 0);
    EXPECT_EQ(layout::ComputeLargeWaterfallScreen(150).values.WaterfallHeight, -26.0);
    EXPECT_EQ(layout::ComputeNormalLayout(50, 50).text1Width, 0);
    EXPECT_EQ(platform::PixelSize(-0.4), 0);
    EXPECT_EQ(platform::PixelSize(2.5), 2);
    EXPECT_EQ(platform::PixelSize(3.5), 4);
    EXPECT_EQ(platform::PixelSize(std::nan("")), 0);
    EXPECT_EQ(platform::PixelSize(1e300), std::numeric_limits<int>::max());
}

TEST(LayoutArithmetic, BackgroundGoesToTheBottomRightCorner) {
    EXPECT_EQ(layout::BackgroundPosition(662, 482, 640, 480), (layout::Position{22, 2}));
    EXPECT_EQ(layout::BackgroundPosition(500, 300, 640, 480), (layout::Position{-140, -180}));
}

// ---- the window ----

TEST(MainWindow, CreatedWithTheDesignedClientAreaAndRectangles) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(form.clientSize(), QSize(662, 482));
    EXPECT_EQ(RectOf(form.Text1), layout::kText1);
    EXPECT_EQ(RectOf(form.Picture3), layout::kPicture3);
    EXPECT_EQ(RectOf(form.Frame1), layout::kFrame1);
    EXPECT_EQ(RectOf(form.Frame7), layout::kFrame7);
    EXPECT_EQ(RectOf(form.Frame2), layout::kFrame2);
    EXPECT_EQ(RectOf(form.Frame3), layout::kFrame3);
    EXPECT_EQ(RectOf(form.Image2), layout::kImage2);
    EXPECT_EQ(RectOf(form.Image1), layout::kImage1);
    EXPECT_EQ(RectOf(form.Label1), layout::kLabel1);
    EXPECT_EQ(RectOf(form.Label3), layout::kLabel3);
    EXPECT_EQ(RectOf(form.Picture1), layout::kPicture1);
    EXPECT_EQ(RectOf(form.Picture2), layout::kPicture2);
    EXPECT_EQ(RectOf(form.Frame6), layout::kFrame6);
    EXPECT_EQ(RectOf(form.Frame4), layout::kFrame4);
    EXPECT_EQ(RectOf(form.Frame5), layout::kFrame5);
    EXPECT_EQ(RectOf(form.Label5), layout::kLabel5);
    EXPECT_EQ(RectOf(form.img_Background), layout::kImgBackground);
    // The waterfall draws into 512 x 81 pixels inside its border.
    EXPECT_EQ(form.Picture1->image().size(), QSize(512, 81));
    EXPECT_EQ(form.Radars->image().size(), QSize(44, 44));
}

TEST(MainWindow, CaptionsToolTipsAndInitialStates) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(form.windowTitle(), MainWindow::designedCaption());
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral("Quorvin\n"));
    EXPECT_EQ(form.Frame1->title(), QStringLiteral("Text/Log Files"));
    EXPECT_EQ(form.Frame7->title(), QStringLiteral("DSP Setup"));
    EXPECT_EQ(form.Frame2->title(), QStringLiteral("PSK Mode"));
    EXPECT_EQ(form.Frame3->title(), QStringLiteral("Screen"));
    EXPECT_EQ(form.Frame4->title(), QStringLiteral("Waterfall"));
    EXPECT_EQ(form.Frame6->title(), QStringLiteral("Phase"));
    EXPECT_TRUE(form.Frame5->title().isEmpty());
    EXPECT_EQ(form.Command1->text(), QStringLiteral("Save"));
    EXPECT_EQ(form.Command1->toolTip(), QStringLiteral("Save file"));
    EXPECT_EQ(form.Command2->text(), QStringLiteral("Open"));
    EXPECT_EQ(form.Command2->toolTip(), QStringLiteral("Open file"));
    EXPECT_EQ(form.Command8->toolTip(), QStringLiteral("Save waterfall picture to disk"));
    EXPECT_EQ(form.Command7->toolTip(), QStringLiteral("Load waterfall picture"));
    EXPECT_EQ(form.Command4->toolTip(), QStringLiteral("Copy Waterfall image to clipboard"));
    EXPECT_EQ(form.Command5->toolTip(), QStringLiteral("Clear Waterfall"));
    EXPECT_EQ(form.Option1->text(), QStringLiteral("BPSK"));
    EXPECT_EQ(form.Option1->toolTip(), QStringLiteral("Standard PSK31"));
    EXPECT_EQ(form.Option2->text(), QStringLiteral("QPSK usb"));
    EXPECT_EQ(form.Option2->toolTip(), QStringLiteral("QPSK in USB"));
    EXPECT_EQ(form.Option3->text(), QStringLiteral("QPSK lsb"));
    EXPECT_EQ(form.Option3->toolTip(), QStringLiteral("QPSK in LSB"));
    EXPECT_EQ(form.Option4->text(), QStringLiteral("Normal"));
    EXPECT_EQ(form.Option4->toolTip(), QStringLiteral("switch to large textscreen"));
    EXPECT_EQ(form.Option5->text(), QStringLiteral("Rev"));
    EXPECT_EQ(form.Option5->toolTip(), QStringLiteral("Switch to large waterfall"));
    EXPECT_EQ(form.Check1->text(), QStringLiteral("Stop Decode"));
    EXPECT_EQ(form.Check1->toolTip(), QStringLiteral("Stop Decoding the PSK31 to Text"));
    EXPECT_EQ(form.Check2->text(), QStringLiteral("Halt Waterfall"));
    EXPECT_EQ(form.Check2->toolTip(), QStringLiteral("Stop the Waterfall"));
    EXPECT_EQ(form.PhaseStatus[0]->text(), QStringLiteral("On"));
    EXPECT_EQ(form.PhaseStatus[1]->text(), QStringLiteral("Off"));
    EXPECT_EQ(form.Picture2->toolTip(), QStringLiteral("PSK Signal quality"));
    EXPECT_EQ(form.Radars->toolTip(), QStringLiteral("Phase Tuning Indicator"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("50Hz"));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("3000Hz"));
    EXPECT_TRUE(form.Label5->text().isEmpty());
    EXPECT_EQ(form.Label8->text(), QStringLiteral("AutoLog OFF"));
    EXPECT_EQ(form.Label8->toolTip(),
              QStringLiteral("Enable/disable AutoLog (quorvin_autolog.log)"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm OFF"));
    EXPECT_EQ(form.Label2->toolTip(), QStringLiteral("Activate/de-activate PSK-Alarm"));
    EXPECT_EQ(form.Label7->text(), QStringLiteral("0 Hz"));
    EXPECT_EQ(form.Label7->toolTip(), QStringLiteral("Frequency on cursor spot"));
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency 0 Hz"));
    EXPECT_EQ(form.Label9->toolTip(), QStringLiteral("Active frequency"));
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality "));
    EXPECT_EQ(form.Label6->toolTip(), QStringLiteral("Signal quality"));
    EXPECT_EQ(form.Label4->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(form.Label4->toolTip(), QStringLiteral("Current Time"));
    EXPECT_EQ(form.Label8->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form.Label2->cursor().shape(), Qt::PointingHandCursor);

    EXPECT_TRUE(form.Option1->isChecked());
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_FALSE(form.Check1->isChecked());
    EXPECT_FALSE(form.Check2->isChecked());
    EXPECT_EQ(form.Picture1->backColor(), QColor(0, 0, 255));
    EXPECT_EQ(form.Picture2->backColor(), QColor(0, 0, 0));
    // The status labels sit in the status bar, left to right.
    const std::vector<QWidget*> statusBar{form.Label8, form.Label2, form.Label7,
                                          form.Label9, form.Label6, form.Label4};
    for (std::size_t i = 0; i < statusBar.size(); ++i) {
        EXPECT_EQ(statusBar[i]->parentWidget(), form.Frame5);
        if (i > 0) {
            EXPECT_GT(statusBar[i]->x(), statusBar[i - 1]->x() + statusBar[i - 1]->width() - 1);
        }
    }
    // The hidden auxiliary pictures.
    EXPECT_FALSE(form.Picture4->isVisibleTo(form.client));
    EXPECT_FALSE(form.img_Blanco->isVisibleTo(form.client));
    EXPECT_FALSE(form.Radar_Pic->isVisibleTo(form.client));
    EXPECT_EQ(form.Radars->image(), form.Radar_Pic->image());
}

TEST(MainWindow, ShownAtCreationSizeTheNormalLayoutReproducesTheDesign) {
    FormHarness harness;
    MainWindow& form = harness.show();
    ASSERT_EQ(form.clientSize(), QSize(662, 482));
    EXPECT_EQ(form.Frame1->x(), 564);
    EXPECT_EQ(form.Frame7->x(), 564);
    EXPECT_EQ(form.Frame2->x(), 564);
    EXPECT_EQ(form.Frame3->x(), 564);
    EXPECT_EQ(form.Picture3->x(), 564);
    EXPECT_EQ(form.Picture1->y(), 368);
    EXPECT_EQ(form.Picture1->height(), 85);
    EXPECT_EQ(form.Picture2->y(), 369);
    EXPECT_EQ(form.Text1->height(), 354);
    EXPECT_EQ(form.Text1->width(), 563);
    EXPECT_EQ(form.Frame5->y(), 452);
    EXPECT_EQ(form.Frame4->y(), 352);
    EXPECT_EQ(form.Frame6->y(), 352);
    EXPECT_EQ(form.Image1->y(), 354);
    EXPECT_EQ(form.Image2->y(), 42);
    EXPECT_EQ(form.Label1->y(), 356);
    EXPECT_EQ(form.Label5->y(), 352);
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
    EXPECT_EQ(harness.settings.WaterfallHeight, 85.0);
    EXPECT_EQ(harness.settings.WaterfallTop, 368.0);
    EXPECT_EQ(harness.settings.TextHeight, 353.0);
}

TEST(MainWindow, ResizingMovesTheRightColumnAndTheBottomRow) {
    FormHarness harness;
    MainWindow& form = harness.show();
    const int menu = form.height() - form.clientSize().height();
    form.resize(800, 600 + menu);
    processEvents();
    ASSERT_EQ(form.clientSize(), QSize(800, 600));
    EXPECT_EQ(form.Text1->width(), 701);
    EXPECT_EQ(form.Text1->height(), 472);
    EXPECT_EQ(form.Frame1->x(), 702);
    EXPECT_EQ(form.Frame3->x(), 702);
    EXPECT_EQ(form.Picture3->x(), 702);
    EXPECT_EQ(form.Frame5->y(), 570);
    EXPECT_EQ(form.Picture1->y(), 486);
    // Nothing else moves sideways; the waterfall keeps its size.
    EXPECT_EQ(form.Picture1->x(), 1);
    EXPECT_EQ(form.Picture1->width(), 516);
    EXPECT_EQ(form.Frame5->x(), 1);
    EXPECT_EQ(form.Frame4->x(), 600);
    EXPECT_EQ(form.Frame6->x(), 542);
}

TEST(MainWindow, LargeWaterfallOn482PixelClient) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.Option5->setChecked(true);
    EXPECT_EQ(form.Picture1->y(), 145);
    EXPECT_EQ(form.Picture1->height(), 306);
    EXPECT_EQ(form.Text1->height(), 130);
    EXPECT_EQ(form.Image1->y(), 125);
    EXPECT_EQ(form.Label1->y(), 133);
    EXPECT_EQ(form.Label3->y(), 133);
    EXPECT_EQ(harness.settings.ScreenSet, 1.0);
    EXPECT_EQ(harness.settings.WaterfallHeight, 306.0);
    EXPECT_EQ(harness.settings.WaterfallTop, 145.0);
    EXPECT_EQ(harness.settings.TextHeight, 130.0);
    // Only those move, and the marker, whose pointer goes onto the strip, above the waterfall.
    EXPECT_EQ(form.Picture2->y(), 369);
    EXPECT_EQ(form.Frame5->y(), 452);
    EXPECT_EQ(form.Image2->y() + layout::kMarkerPointerTop, form.Image1->y() + 1);
    const QObjectList& stack = form.client->children();
    EXPECT_GT(stack.indexOf(form.Image2), stack.indexOf(form.Picture1));
    EXPECT_GT(stack.indexOf(form.Image2), stack.indexOf(form.Text1));

    form.Option4->setChecked(true);
    EXPECT_EQ(form.Picture1->y(), 368);
    EXPECT_EQ(form.Picture1->height(), 85);
    EXPECT_EQ(form.Text1->height(), 354);
    EXPECT_EQ(form.Image2->y(), 42);
    EXPECT_LT(form.client->children().indexOf(form.Image2),
              form.client->children().indexOf(form.Text1));
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
}

TEST(MainWindow, AResizeReturnsToTheNormalScreen) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.Option5->setChecked(true);
    form.resize(form.width() + 20, form.height() + 10);
    processEvents();
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
    EXPECT_EQ(form.Picture1->height(), 85);
}

TEST(MainWindow, MinimiseAndRestoreReturnToTheNormalScreen) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.Option5->setChecked(true);
    ASSERT_EQ(harness.settings.ScreenSet, 1.0);
    const int frame1Left = form.Frame1->x();
    form.showMinimized();
    processEvents();
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
    EXPECT_EQ(form.Frame1->x(), frame1Left);
    form.showNormal();
    processEvents();
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
    EXPECT_EQ(form.Picture1->y(), 368);
    EXPECT_EQ(form.Text1->height(), 354);
}

TEST(MainWindow, SavedLargeWaterfallGivesWayToTheNormalScreenWhenShown) {
    FormHarness harness;
    {
        KVXmodules::SettingsRecord record;
        KVXmodules::DefaultSetRecord(record);
        record.ScreenSet = 1;
        QFile file(harness.filePath(QStringLiteral("QUORVIN.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(KVXmodules::SettingsFileBytes(record, {9930, 7230}, u"0.1.0"));
    }
    MainWindow& form = harness.load();
    EXPECT_TRUE(form.Option5->isChecked());
    EXPECT_EQ(form.Picture1->height(), 306);
    form.show();
    processEvents();
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_EQ(harness.settings.ScreenSet, 0.0);
}

TEST(MainWindow, NoWindowIsSmallerThanItsCreationSize) {
    FormHarness harness;
    MainWindow& form = harness.show();
    // Far below the creation size (even below the 3000 twips under which nothing would be laid
    // out): the window keeps the creation size, and the right-hand column stays above the
    // waterfall's rows.
    for (const QSize asked : {QSize(200, 600), QSize(640, 300), QSize(120, 120)}) {
        form.resize(asked);
        processEvents();
        EXPECT_GE(form.clientSize().width(), layout::kClientWidth);
        EXPECT_GE(form.clientSize().height(), layout::kClientHeight);
        EXPECT_LE(form.Frame3->geometry().bottom(), form.Frame4->y()) << asked.width();
        EXPECT_LT(form.Picture1->geometry().right(), form.Frame1->x()) << asked.width();
    }
}

TEST(MainWindow, SkinFollowsTheBottomRightCornerOnlyWhenOn) {
    FormHarness harness;
    MainWindow& form = harness.show();
    const QPoint before = form.img_Background->pos();
    const int menu = form.height() - form.clientSize().height();
    form.resize(700, 520 + menu);
    processEvents();
    EXPECT_EQ(form.img_Background->pos(), before);

    harness.settings.BackgroundSkin = KVXmodules::kFlagSet;
    form.resize(720, 530 + menu);
    processEvents();
    EXPECT_EQ(form.img_Background->pos(), QPoint(720 - 640, 530 - 480));
}

TEST(MainWindow, OuterSizeInTwips) {
    FormHarness harness;
    MainWindow& form = harness.create();
    form.setOuterHeightTwips(9000.0F);
    form.setOuterWidthTwips(12000.0F);
    EXPECT_EQ(form.size(), QSize(800, 600));
    EXPECT_EQ(form.outerWidthTwips(), 12000.0F);
    EXPECT_EQ(form.outerHeightTwips(), 9000.0F);
}

// ---- menus ----

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return captions;
}

TEST(MainWindow, MenuBarHoldsFiveMenusAndNotTheWaterfallPopup) {
    FormHarness harness;
    MainWindow& form = harness.create();
    QStringList top;
    for (const QAction* action : form.menuBar()->actions()) {
        top.append(action->text());
    }
    EXPECT_EQ(top, (QStringList{"&File", "&Edit", "&Options", "&Setup", "&Help"}));
    EXPECT_EQ(Captions(form.menuwaters),
              (QStringList{"Copy", "Clear", "Save...", "-", "Close Menu"}));
}

TEST(MainWindow, SetupMenuTree) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(Captions(form.menusetup),
              (QStringList{"Fonts...", "Text Colors", "Waterfall Colors", "-", "Setup PSK/DSP...",
                           "Setup PSK Alarm...", "-", "Sound Mixer...", "Audio Input...",
                           "Rig Control...", "Reporting...", "-", "Enter your call...",
                           "Use Background Skin", "Remember Screen Size", "-",
                           "Restore all settings to default", "Save Current Settings"}));
    EXPECT_FALSE(form.menusetupsaveset->isVisible());
    EXPECT_EQ(Captions(form.menutextcolors),
              (QStringList{"Black on Yellow", "Black on White", "White on Blue", "Yellow on Black",
                           "White on green"}));
    EXPECT_EQ(Captions(form.menuwatercol), (QStringList{"Blue", "Red", "Black"}));
    EXPECT_TRUE(form.menuscreensize->isCheckable());
    EXPECT_EQ(form.menuscreensize->objectName(), QStringLiteral("menuscreensize"));
}

TEST(MainWindow, ColourItemsSelectTheirSchemeAndPalette) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.menutextcol3->trigger();
    EXPECT_EQ(harness.settings.TextColorSheme, 2);
    EXPECT_TRUE(form.menutextcol3->isChecked());
    EXPECT_FALSE(form.menutextcol4->isChecked());
    form.menutextcol3->trigger();  // choosing the ticked item again keeps it ticked
    EXPECT_TRUE(form.menutextcol3->isChecked());
    form.menuwaterfallcol2->trigger();
    EXPECT_EQ(harness.settings.WaterfallColor, 1.0);
    EXPECT_EQ(form.Picture1->backColor(), QColor(128, 0, 0));
    EXPECT_TRUE(form.menuwaterfallcol2->isChecked());
    EXPECT_FALSE(form.menuwaterfallcol1->isChecked());
}

TEST(MainWindow, FileEditOptionsAndHelpMenus) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(Captions(form.mnuFile),
              (QStringList{"Text ", "Waterfall Spectrum", "-", "Autolog To File", "-", "Print...",
                           "-", "E&xit"}));
    EXPECT_EQ(Captions(form.menufiletext),
              (QStringList{"&Open...", "Open in &Notepad...", "&Save..."}));
    EXPECT_EQ(form.menuopen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(form.menuautolog->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(
        Captions(form.menuedit),
        (QStringList{"Cut", "Copy", "Paste", "-", "Paste Date and Time", "-",
                     "Copy Entire Text Window", "Copy Waterfall", "-", "Enable Text To Edit "}));
    EXPECT_EQ(Captions(form.menuoptions),
              (QStringList{"&Find", "Find Locator...", "Band Activity...", "-", "PSK-Alarm...", "-",
                           "Clear Receive Window", "Clear Waterfall Window", "-", "Notebook...",
                           // the program's own, after the designed items: the receive speed
                           "-", "Speed"}));
    EXPECT_EQ(Captions(form.menuspeed), (QStringList{"PSK31", "PSK63", "PSK125", "PSK250"}));
    EXPECT_EQ(form.help->text(), QStringLiteral("Quorvin Help") + QString(23, u' ') + "F1");
    EXPECT_TRUE(form.help->shortcut().isEmpty());
    EXPECT_EQ(Captions(form.mnuHelp), (QStringList{form.help->text(), "Quorvin On The Web...", "-",
                                                   "PSK Quick Guide", "-", "&About"}));
}

}  // namespace

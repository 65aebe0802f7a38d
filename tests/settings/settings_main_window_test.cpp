// The settings on a real main window offscreen: reset, call sign, colour schemes, palettes, and
// the keeper's save and load through the controls, with scripted dialogs and a temporary program
// folder.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

#include "mainwindow/main_window.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_file.h"
#include "settings/settings_keeper.h"
#include "settings/settings_record.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using testing_support::ReadAll;
using testing_support::UnprivilegedScope;
using testing_support::WriteAll;

using namespace KVXmodules;
using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

QStringList LinesOf(const QByteArray& bytes) {
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

QByteArray Join(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLatin1() + "\r\n";
    }
    return bytes;
}

// The lines a reset record would write, to be edited by a test.
QStringList ResetLines() {
    SettingsRecord r;
    DefaultSetRecord(r);
    return LinesOf(SettingsFileBytes(r, {9000, 7000}, u"0.1.0"));
}

// A window as start-up leaves it before the settings file is read: caption prefix, reset,
// settings path in a temporary program folder, working DSP values not kept.
class SettingsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        form = &harness.create();
        settings.CaptionPrefix = MainWindow::designedCaption() + QStringLiteral(" - ");
        form->settingsKeeper().DefaultSet();
        settings.SettingsFilePath = path();
        settings.SaveWorkingDSP = kFlagClear;
        harness.engine.clearCalls();
    }

    QString path() const { return harness.filePath(QStringLiteral("QUORVIN.ini")); }

    // The receive modes given to the engine since the last clearCalls().
    std::vector<std::int64_t> Modes() const {
        std::vector<std::int64_t> modes;
        for (const auto& call : harness.engine.calls()) {
            if (call.name == "fnSetRXPSKMode") {
                modes.push_back(call.args.at(0));
            }
        }
        return modes;
    }

    std::vector<std::size_t> TickedTextColours() const {
        return Ticked({form->menutextcol1, form->menutextcol2, form->menutextcol3,
                       form->menutextcol4, form->menutextcol5});
    }
    std::vector<std::size_t> TickedPalettes() const {
        return Ticked({form->menuwaterfallcol1, form->menuwaterfallcol2, form->menuwaterfallcol3});
    }

    QColor TextColour() const { return form->Text1->palette().color(QPalette::Text); }
    QColor TextBackground() const { return form->Text1->palette().color(QPalette::Base); }

    testing_support::FormHarness harness;
    SettingsRecord& settings = harness.settings;
    testing_support::ScriptedDialogs& dialogs = harness.dialogs;
    MainWindow* form = nullptr;

  private:
    static std::vector<std::size_t> Ticked(std::initializer_list<QAction*> items) {
        std::vector<std::size_t> ticked;
        std::size_t i = 0;
        for (QAction* item : items) {
            if (item->isChecked()) {
                ticked.push_back(i);
            }
            ++i;
        }
        return ticked;
    }
};

// ---------------------------------------------------------------------------------------------
// DefaultSet

TEST_F(SettingsWindow, ResetShowsYellowOnBlackBpskNormalScreenAndPhaseOn) {
    form->Option3->setChecked(true);
    form->Option5->setChecked(true);
    form->PhaseStatus[1]->setChecked(true);
    form->setup().SetTextColorShemes(2);
    form->setup().WaterfallColors(1);
    harness.engine.clearCalls();

    form->settingsKeeper().DefaultSet();

    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_TRUE(form->Option4->isChecked());
    EXPECT_TRUE(form->PhaseStatus[0]->isChecked());
    EXPECT_EQ(settings.PhaseTuneStatus, kFlagSet);
    EXPECT_EQ(Modes(), std::vector<std::int64_t>{0});  // the mode option's click handler ran
    EXPECT_EQ(TextColour(), QColor(255, 255, 0));
    EXPECT_EQ(TextBackground(), QColor(0, 0, 0));
    EXPECT_EQ(TickedTextColours(), std::vector<std::size_t>{3});
    EXPECT_EQ(TickedPalettes(), std::vector<std::size_t>{0});
    EXPECT_EQ(form->Picture1->backColor(), QColor(0, 0, 255));
    EXPECT_EQ(settings.WaterfallHeight, 85);
    EXPECT_EQ(settings.SavedDSP, (std::array<std::int16_t, 6>{1500, 50, 1500, 5, 5, 1}));
}

TEST_F(SettingsWindow, ResetRecordMatchesTheWindowsReset) {
    SettingsRecord alone;
    DefaultSetRecord(alone);
    const QByteArray fromWindow = SettingsFileBytes(settings, {1, 1}, u"x");
    const QByteArray fromRecord = SettingsFileBytes(alone, {1, 1}, u"x");
    EXPECT_EQ(fromWindow, fromRecord);
    EXPECT_EQ(settings.TextForeColor, alone.TextForeColor);
    EXPECT_EQ(settings.TextBackColor, alone.TextBackColor);
    EXPECT_EQ(settings.WaterfallBackColor, alone.WaterfallBackColor);
}

// ---------------------------------------------------------------------------------------------
// Colour schemes and palettes

TEST_F(SettingsWindow, WhiteOnBlueTicksOnlyItsItem) {
    form->setup().SetTextColorShemes(2);
    EXPECT_EQ(TickedTextColours(), std::vector<std::size_t>{2});
    EXPECT_EQ(settings.TextColorSheme, 2);
    EXPECT_EQ(TextColour(), QColor(255, 255, 255));
    EXPECT_EQ(TextBackground(), QColor(0, 0, 255));
}

TEST_F(SettingsWindow, UnknownSchemeRemovesEveryTickAndKeepsTheColours) {
    form->setup().SetTextColorShemes(4);
    form->setup().SetTextColorShemes(7);
    EXPECT_TRUE(TickedTextColours().empty());
    EXPECT_EQ(settings.TextColorSheme, 4);
    EXPECT_EQ(TextBackground(), QColor(0, 128, 0));
}

TEST_F(SettingsWindow, PalettesAndAnUnknownOne) {
    form->setup().WaterfallColors(1);
    EXPECT_EQ(TickedPalettes(), std::vector<std::size_t>{1});
    EXPECT_EQ(form->Picture1->backColor(), QColor(128, 0, 0));
    EXPECT_EQ(settings.WaterfallRedOffset, 254);
    form->setup().WaterfallColors(2);
    EXPECT_EQ(TickedPalettes(), std::vector<std::size_t>{2});
    EXPECT_EQ(form->Picture1->backColor(), QColor(0, 0, 0));
    form->setup().WaterfallColors(3);
    EXPECT_TRUE(TickedPalettes().empty());
    EXPECT_EQ(settings.WaterfallColor, 2);
    EXPECT_EQ(form->Picture1->backColor(), QColor(0, 0, 0));
}

// ---------------------------------------------------------------------------------------------
// The reset command

TEST_F(SettingsWindow, ResetCommandNoAndCancelChangeNothing) {
    WriteAll(path(), "old file\r\n");
    settings.SquelchMax = 42;
    form->setup().SetTextColorShemes(1);
    for (const MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
        dialogs.answer(answer);
        form->setup().menudefault_Click();
    }
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0], (MessageBoxRequest{QStringLiteral("Are you sure to reset all Quorvin "
                                                          "settings back to their default "
                                                          "settings?"),
                                           QStringLiteral("Reset values to default"),
                                           MsgButtons::YesNoCancel, MsgIcon::Question}));
    EXPECT_EQ(ReadAll(path()), "old file\r\n");
    EXPECT_EQ(settings.SquelchMax, 42);
    EXPECT_EQ(settings.TextColorSheme, 1);
}

TEST_F(SettingsWindow, ResetCommandYesResetsAndSavesAtOnce) {
    settings.PSKAlarm = kFlagSet;
    settings.AutoAlarmLog = kFlagSet;
    settings.ProgramTimerInterval = 30;
    settings.BackgroundSkin = kFlagSet;
    settings.OperatorCall = QStringLiteral("ON4ABC");
    settings.ScreenWidth = 12000;
    settings.ScreenHeigth = 8000;
    settings.Sensitivity = 2000;
    settings.SaveWorkingDSP = kFlagSet;
    form->setup().SetTextColorShemes(0);
    form->menuscreensize->trigger();  // ticked, as a user would
    ASSERT_EQ(settings.RememberScreenSize, kFlagSet);
    dialogs.answer(MsgResult::Yes);

    form->setup().menudefault_Click();

    // Every tick and option shows the reset values; one click turns the size back on.
    EXPECT_EQ(settings.RememberScreenSize, kFlagClear);
    EXPECT_FALSE(form->menuscreensize->isChecked());
    EXPECT_TRUE(form->menutextcol4->isChecked());
    EXPECT_FALSE(form->menutextcol1->isChecked());
    EXPECT_TRUE(form->PhaseStatus[0]->isChecked());
    form->menuscreensize->trigger();
    EXPECT_EQ(settings.RememberScreenSize, kFlagSet);
    EXPECT_TRUE(form->menuscreensize->isChecked());
    form->menuscreensize->trigger();

    EXPECT_EQ(settings.PSKAlarm, kFlagSet);
    EXPECT_EQ(settings.AutoAlarmLog, kFlagSet);
    EXPECT_EQ(settings.ProgramTimerInterval, 30);
    EXPECT_EQ(settings.BackgroundSkin, kFlagSet);
    EXPECT_EQ(settings.OperatorCall, "ON4ABC");
    EXPECT_EQ(settings.ScreenWidth, 12000.0F);
    EXPECT_EQ(settings.ScreenHeigth, 8000.0F);
    EXPECT_EQ(settings.Sensitivity, 1500);
    EXPECT_EQ(settings.TextColorSheme, 3);
    const QStringList lines = LinesOf(ReadAll(path()));
    ASSERT_EQ(lines.size(), 48);
    EXPECT_TRUE(lines[1].endsWith(u"= ON4ABC"));
    EXPECT_EQ(lines[11], " 3 ");
    EXPECT_EQ(lines[17], " 1500 ");
    EXPECT_EQ(lines[29], "-1 ");
    EXPECT_EQ(lines[39], " 30 ");
    EXPECT_EQ(dialogs.messageBoxes().size(), 1U);  // the question only
}

// ---------------------------------------------------------------------------------------------
// The call sign command

TEST_F(SettingsWindow, CallSignOf20IsTakenAndShownInTheCaption) {
    settings.OperatorCall = QStringLiteral("OLD");
    dialogs.answer(QStringLiteral("ABCDEFGHIJ KLMNOPQRS"));
    form->setup().menuopcall_Click();
    ASSERT_EQ(dialogs.inputBoxes().size(), 1U);
    EXPECT_EQ(dialogs.inputBoxes()[0],
              (platform::InputBoxRequest{QStringLiteral("Enter your name or call sign:"),
                                         QStringLiteral("Call sign"), QStringLiteral("OLD")}));
    EXPECT_EQ(settings.OperatorCall, "ABCDEFGHIJ KLMNOPQRS");
    EXPECT_EQ(form->windowTitle(), settings.CaptionPrefix + "ABCDEFGHIJ KLMNOPQRS");
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_FALSE(QFile::exists(path()));  // not written until the next save
}

TEST_F(SettingsWindow, CallSignsOf21And2AreRefused) {
    settings.OperatorCall = QStringLiteral("OLD");
    dialogs.answer(QStringLiteral("ABCDEFGHIJKLMNOPQRSTU"));
    form->setup().menuopcall_Click();
    dialogs.answer(QStringLiteral("AB"));
    form->setup().menuopcall_Click();
    const MessageBoxRequest refused{
        QStringLiteral("The name or call you entered is invallid. It needs to be at least 3 "
                       "characters long and no longer then 20 characters."),
        QStringLiteral("Call sign invallid"), MsgButtons::Ok, MsgIcon::Exclamation};
    EXPECT_EQ(dialogs.messageBoxes(), (std::vector<MessageBoxRequest>{refused, refused}));
    EXPECT_EQ(settings.OperatorCall, "OLD");
    EXPECT_EQ(form->windowTitle(), MainWindow::designedCaption());
}

TEST_F(SettingsWindow, EmptyCallSignEndsSilently) {
    settings.OperatorCall = QStringLiteral("OLD");
    dialogs.answer(QString());
    form->setup().menuopcall_Click();
    EXPECT_TRUE(dialogs.messageBoxes().empty());
    EXPECT_EQ(settings.OperatorCall, "OLD");
}

TEST_F(SettingsWindow, BlanksCountInACallSign) {
    dialogs.answer(QStringLiteral("  A"));
    form->setup().menuopcall_Click();
    EXPECT_EQ(settings.OperatorCall, "  A");
}

// ---------------------------------------------------------------------------------------------
// SaveSettings

TEST_F(SettingsWindow, SaveWritesTheWindowsSizeAtThatMoment) {
    form->resize(700, 520);
    form->setup().menusetupsaveset_Click();
    const QStringList lines = LinesOf(ReadAll(path()));
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[45].trimmed().toDouble(), static_cast<double>(form->outerWidthTwips()));
    EXPECT_EQ(lines[47].trimmed().toDouble(), static_cast<double>(form->outerHeightTwips()));
    EXPECT_GT(form->outerWidthTwips(), 700.0F * 15 - 1);
    EXPECT_TRUE(dialogs.messageBoxes().empty());
}

TEST_F(SettingsWindow, WithoutSaveWorkingDSPTheLoadedValuesAreWrittenAndPutBack) {
    settings.SquelchMax = 33;
    settings.RXSearchRange = 2.5;
    form->setup().menusetupsaveset_Click();
    const QStringList lines = LinesOf(ReadAll(path()));
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[21], " 5 ");
    EXPECT_EQ(lines[15], " 50 ");
    EXPECT_EQ(settings.SquelchMax, 5);
    EXPECT_EQ(settings.RXSearchRange, 50);
}

TEST_F(SettingsWindow, WithSaveWorkingDSPAFractionIsWrittenAndReadBackUnchanged) {
    settings.SaveWorkingDSP = kFlagSet;
    settings.RXSearchRange = 2.5;
    form->setup().menusetupsaveset_Click();
    EXPECT_EQ(LinesOf(ReadAll(path()))[15], " 2.5 ");

    testing_support::FormHarness second;
    SettingsRecord& again = second.settings;
    MainWindow& other = second.create();
    other.settingsKeeper().DefaultSet();
    again.SettingsFilePath = path();
    other.settingsKeeper().load();
    EXPECT_EQ(again.RXSearchRange, 2.5);
    EXPECT_EQ(again.SavedDSP[kSavedRXSearchRange], 2);
    // The next save with SaveWorkingDSP clear writes the rounded copy.
    other.settingsKeeper().save();
    EXPECT_EQ(LinesOf(ReadAll(path()))[15], " 2 ");
}

TEST_F(SettingsWindow, SaveIntoAMissingFolderShowsOneMessageAndStillPutsTheDSPValuesBack) {
    settings.SettingsFilePath = harness.filePath(QStringLiteral("missing/QUORVIN.ini"));
    settings.Sensitivity = 2222;
    form->settingsKeeper().save();
    const auto boxes = dialogs.messageBoxes();
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].text, "Error. Could not write to disk. ");
    EXPECT_TRUE(boxes[0].title.startsWith(u"Error nr: ")) << boxes[0].title.toStdString();
    bool isNumber = false;
    EXPECT_NE(boxes[0].title.mid(10).toInt(&isNumber), 0);
    EXPECT_TRUE(isNumber);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(settings.Sensitivity, 1500);
}

TEST_F(SettingsWindow, ReadOnlySettingsFileGivesTheMessageAndStaysAsItWas) {
    form->setup().menusetupsaveset_Click();
    const QByteArray before = ReadAll(path());
    ASSERT_EQ(before.count("\r\n"), 48);
    QFile::setPermissions(harness.programFolder(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::WriteOther | QFile::ExeOther);
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadOther);
    settings.OperatorCall = QStringLiteral("CHANGED");
    {
        UnprivilegedScope user;
        if (QFile(path()).open(QIODevice::Append)) {
            GTEST_SKIP() << "file permissions are not enforced here";
        }
        form->setup().menusetupsaveset_Click();
    }
    EXPECT_EQ(dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(ReadAll(path()), before);
}

TEST_F(SettingsWindow, FailedWriteGivesTheMessageAndKeepsTheOldFile) {
    WriteAll(path(), "old\r\n");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    form->setup().menusetupsaveset_Click();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(ReadAll(path()), "old\r\n");
    EXPECT_EQ(QDir(harness.programFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"QUORVIN.ini"});
}

// ---------------------------------------------------------------------------------------------
// LoadSettings

TEST_F(SettingsWindow, LoadBringsTheControlsInLine) {
    QStringList lines = ResetLines();
    lines[1] += QStringLiteral("PA3XYZ");
    lines[3] = QStringLiteral(" 2 ");              // QPSK lsb
    lines[5] = QStringLiteral(" 1 ");              // large waterfall
    lines[7] = QStringLiteral(" 1 ");              // red palette
    lines[9] = QStringLiteral("  DejaVu Serif ");  // font, blanks around it
    lines[11] = QStringLiteral(" 2 ");             // white on blue
    lines[29] = QStringLiteral("-1 ");             // alarm on
    lines[35] = QStringLiteral("-1 ");             // alarm log on
    lines[37] = QStringLiteral(" 0 ");             // phase indicator off
    lines[43] = QStringLiteral("-1 ");             // remember screen size
    WriteAll(path(), Join(lines));

    form->settingsKeeper().load();

    EXPECT_EQ(form->windowTitle(), settings.CaptionPrefix + "PA3XYZ");
    EXPECT_TRUE(form->PhaseStatus[1]->isChecked());
    EXPECT_EQ(form->Label2->text(), "PSK-Alarm ON*");
    EXPECT_TRUE(form->Option3->isChecked());
    EXPECT_EQ(Modes(), std::vector<std::int64_t>{2});
    EXPECT_EQ(TickedTextColours(), std::vector<std::size_t>{2});
    EXPECT_EQ(TextBackground(), QColor(0, 0, 255));
    EXPECT_EQ(TickedPalettes(), std::vector<std::size_t>{1});
    EXPECT_EQ(form->Picture1->backColor(), QColor(128, 0, 0));
    EXPECT_TRUE(form->Option5->isChecked());
    EXPECT_EQ(form->Text1->font().family(), "DejaVu Serif");
    EXPECT_EQ(settings.Font, "  DejaVu Serif ");
    EXPECT_TRUE(form->menuscreensize->isChecked());
}

TEST_F(SettingsWindow, AlarmLabelWithoutLogAndAlarmOff) {
    QStringList lines = ResetLines();
    lines[29] = QStringLiteral("-1 ");
    lines[35] = QStringLiteral(" 0 ");
    WriteAll(path(), Join(lines));
    form->settingsKeeper().load();
    EXPECT_EQ(form->Label2->text(), "PSK-Alarm ON");

    form->Label2->setText(QStringLiteral("as it was"));
    lines[29] = QStringLiteral(" 0 ");
    WriteAll(path(), Join(lines));
    form->settingsKeeper().load();
    EXPECT_EQ(form->Label2->text(), "as it was");
}

TEST_F(SettingsWindow, SystemFontInAnyCaseLeavesTheResetFont) {
    const QString resetFamily = form->Text1->font().family();
    for (const char* name : {"System", " SYSTEM ", "", "   "}) {
        QStringList lines = ResetLines();
        lines[9] = QString::fromLatin1(name);
        WriteAll(path(), Join(lines));
        form->Text1->setFont(QFont(resetFamily));
        form->settingsKeeper().load();
        EXPECT_EQ(form->Text1->font().family(), resetFamily) << name;
        EXPECT_EQ(settings.Font, QString::fromLatin1(name));
    }
}

TEST_F(SettingsWindow, ShortFileTakesValuesButLeavesTheControls) {
    QStringList lines = ResetLines();
    lines[3] = QStringLiteral(" 2 ");    // QPSK lsb, read
    lines[11] = QStringLiteral(" 0 ");   // scheme 0, read
    lines[21] = QStringLiteral(" 17 ");  // SquelchMax, read
    lines[37] = QStringLiteral(" 0 ");   // phase off: beyond the end
    WriteAll(path(), Join(lines.mid(0, 24)));

    form->settingsKeeper().load();

    EXPECT_EQ(settings.PSKMode, 2);
    EXPECT_EQ(settings.TextColorSheme, 0);
    EXPECT_EQ(settings.PhaseTuneStatus, kFlagSet);
    EXPECT_EQ(settings.SavedDSP[kSavedSquelchMax], 17);
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_TRUE(Modes().empty());
    EXPECT_EQ(TickedTextColours(), std::vector<std::size_t>{3});
    EXPECT_EQ(TextColour(), QColor(255, 255, 0));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(SettingsWindow, OutOfRangeValueLeavesTheControls) {
    QStringList lines = ResetLines();
    lines[3] = QStringLiteral(" 1 ");
    lines[11] = QStringLiteral(" 40000 ");
    WriteAll(path(), Join(lines));
    form->settingsKeeper().load();
    EXPECT_EQ(settings.TextColorSheme, 3);
    EXPECT_EQ(settings.PSKMode, 1);
    EXPECT_TRUE(form->Option1->isChecked());
}

TEST_F(SettingsWindow, NonNumericValueLeavesTheControls) {
    QStringList lines = ResetLines();
    lines[3] = QStringLiteral(" 1 ");
    lines[43] = QStringLiteral(" yes ");
    WriteAll(path(), Join(lines));
    form->settingsKeeper().load();
    EXPECT_EQ(settings.PSKMode, 1);
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_FALSE(form->menuscreensize->isChecked());
}

TEST_F(SettingsWindow, TwoCharacterCallLeavesTheCaption) {
    QStringList lines = ResetLines();
    lines[1] += QStringLiteral("AB");
    WriteAll(path(), Join(lines));
    settings.OperatorCall = QStringLiteral("OLD");
    form->settingsKeeper().load();
    EXPECT_EQ(settings.OperatorCall, "");
    EXPECT_EQ(form->windowTitle(), MainWindow::designedCaption());
}

TEST_F(SettingsWindow, MissingFileResets) {
    form->setup().SetTextColorShemes(0);
    settings.Sensitivity = 2000;
    form->settingsKeeper().load();
    EXPECT_EQ(settings.Sensitivity, 1500);
    EXPECT_EQ(TickedTextColours(), std::vector<std::size_t>{3});
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsWindow, SaveThenLoadGivesTheSameFile) {
    settings.SaveWorkingDSP = kFlagSet;
    settings.OperatorCall = QStringLiteral("Ren\u00e9 \u20ac");
    settings.Font = QStringLiteral("Caf\u00e9");
    settings.PSKAlarmString[1] = QStringLiteral("DX");
    settings.SquelchMax = 12.25;
    form->setup().SetTextColorShemes(4);
    form->setup().WaterfallColors(2);
    form->setup().menusetupsaveset_Click();
    const QByteArray first = ReadAll(path());
    EXPECT_TRUE(first.contains("= Ren\xE9 \x80\r\n"));

    testing_support::FormHarness second;
    SettingsRecord& again = second.settings;
    MainWindow& other = second.create();
    other.resize(form->size());
    other.settingsKeeper().DefaultSet();
    again.SettingsFilePath = path();
    again.SaveWorkingDSP = kFlagSet;
    other.settingsKeeper().load();
    EXPECT_EQ(again.OperatorCall, settings.OperatorCall);
    EXPECT_EQ(again.SquelchMax, 12.25);
    other.settingsKeeper().save();
    EXPECT_EQ(ReadAll(path()), first);
}

// ---------------------------------------------------------------------------------------------
// The real start-up sequence

TEST(SettingsStartUp, LoadSequenceReadsTheFileInTheProgramFolder) {
    testing_support::FormHarness harness;
    QStringList lines = ResetLines();
    lines[1] += QStringLiteral("G4XYZ");
    lines[3] = QStringLiteral(" 1 ");
    lines[11] = QStringLiteral(" 1 ");
    WriteAll(harness.filePath(QStringLiteral("QUORVIN.ini")), Join(lines));
    MainWindow& form = harness.load();
    EXPECT_EQ(harness.settings.SettingsFilePath, harness.filePath(QStringLiteral("QUORVIN.ini")));
    EXPECT_EQ(form.windowTitle(), MainWindow::designedCaption() + " - G4XYZ");
    EXPECT_TRUE(form.Option2->isChecked());
    EXPECT_TRUE(form.menutextcol2->isChecked());
    EXPECT_TRUE(harness.dialogs.messageBoxes().empty());
}

// ---------------------------------------------------------------------------------------------
// The settings file follows the settings while the program runs

// Lets the program run until `done` holds or ten seconds have passed; whether it holds.
bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return done();
}

TEST(SettingsFollowChanges, AChangeReachesTheFileWithoutAnExitAsTheExitWritesIt) {
    testing_support::FormHarness harness;
    const QString file = harness.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(file, Join(ResetLines()));
    MainWindow& form = harness.load();
    const QByteArray loaded = ReadAll(file);

    form.menutextcol1->trigger();  // black on yellow
    ASSERT_TRUE(RunUntil([&] { return ReadAll(file) != loaded; }))
        << "the changed colours never reached the file";
    const QByteArray followed = ReadAll(file);
    EXPECT_EQ(LinesOf(followed)[11], QStringLiteral(" 0 "));
    form.Form_Unload();
    EXPECT_EQ(ReadAll(file), followed) << "the exit writes what the change wrote";
    EXPECT_TRUE(harness.dialogs.messageBoxes().empty());
}

TEST(SettingsFollowChanges, OnlyWhatTheExitWouldWriteDifferentlyRewritesTheFile) {
    testing_support::FormHarness harness;
    const QString file = harness.filePath(QStringLiteral("QUORVIN.ini"));
    QStringList lines = ResetLines();
    lines[0] = QStringLiteral(";an older version's header");
    WriteAll(file, Join(lines));
    MainWindow& form = harness.load();
    const QByteArray loaded = ReadAll(file);

    struct Step {
        const char* name;
        std::function<void()> change;
        bool rewrites;
    };
    const std::vector<Step> steps{
        {"nothing changed", [] {}, false},
        // Without SaveWorkingDSP a save puts the loaded DSP value back: the exit writes the
        // file as it was, and the value in use stays.
        {"a working DSP value", [&] { harness.settings.Sensitivity = 1234; }, false},
        {"the window's size, not to be remembered", [&] { form.resize(640, 480); }, false},
        {"the alarm switched on", [&] { form.receivedText().Label2_Click(); }, true},
        {"the alarm switched on, again", [] {}, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const QByteArray before = ReadAll(file);
        step.change();
        form.settingsKeeper().saveIfChanged();
        EXPECT_EQ(ReadAll(file) != before, step.rewrites);
    }
    EXPECT_EQ(harness.settings.Sensitivity, 1234);
    const QStringList written = LinesOf(ReadAll(file));
    EXPECT_EQ(written[29], QStringLiteral("-1 "));
    EXPECT_EQ(written[17], LinesOf(loaded)[17]);
    const QByteArray followed = ReadAll(file);
    form.Form_Unload();
    EXPECT_EQ(ReadAll(file), followed);
}

// The receive speed of the settings file is ticked, told to the engine and named in the caption;
// a file without it (an older one) and a reset give PSK31, told to the engine only when it was
// receiving at another speed.
TEST_F(SettingsWindow, TheFilesSpeedIsTickedToldAndCaptionedAndAResetGivesPsk31) {
    const auto speedsTold = [this] {
        std::vector<std::int64_t> speeds;
        for (const auto& call : harness.engine.calls()) {
            if (call.name == "fnSetRXPSKSpeed") speeds.push_back(call.args.at(0));
        }
        return speeds;
    };
    const auto expectSpeed = [this](int speed, const char* notice) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(form->menuspeeds[static_cast<std::size_t>(i)]->isChecked(), i == speed);
        }
        EXPECT_EQ(settings.PSKSpeed, speed);
        EXPECT_TRUE(form->windowTitle().endsWith(QString::fromLatin1(notice)));
        EXPECT_EQ(form->windowTitle().contains(u'['), *notice != 0)
            << form->windowTitle().toStdString();
    };
    struct Case {
        const char* tail;  // after line 48
        int speed;
        std::vector<std::int64_t> told;
        const char* notice;
    };
    const Case cases[] = {
        {"[PSKSpeed]\r\n 2 \r\n", 2, {2}, " [BPSK125]"},
        {"", 0, {0}, ""},
        {"", 0, {}, ""},
        {"[PSKSpeed]\r\n 1 \r\n", 1, {1}, " [BPSK63]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        WriteAll(path(), Join(ResetLines()) + c.tail);
        harness.engine.clearCalls();
        form->settingsKeeper().load();
        EXPECT_EQ(speedsTold(), c.told);
        expectSpeed(c.speed, c.notice);
    }
    harness.engine.clearCalls();
    dialogs.answer(MsgResult::Yes);
    form->setup().menudefault_Click();
    EXPECT_EQ(speedsTold(), std::vector<std::int64_t>{0});
    expectSpeed(0, "");
    EXPECT_FALSE(ReadAll(path()).contains("[PSKSpeed]"));
}

}  // namespace

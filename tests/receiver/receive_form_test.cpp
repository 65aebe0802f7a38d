// The main window's received text: the text flush, the receive box's bound, the PSK alarm with
// its sound and log, the autolog, the alarm and autolog toggles, the receive mode options and
// the decode controls, on a recording engine and a recording sound player in a temporary
// program folder.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>

#include "display/display_controller.h"
#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "pskmodem/engine/message_sink.h"
#include "receiver/engine_window_proc.h"
#include "receiver/receive_controller.h"
#include "receivetext/receive_text.h"
#include "receivetext/receive_text_box.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_record.h"
#include "setup/alarm_setup_window.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"

namespace {

using testing_support::EngineCall;
using testing_support::FormHarness;

const QString kStart = QStringLiteral("Quorvin\r\n");
const QString kBannerPattern = QStringLiteral(
    "\r\n\r\n\\*\\*\\*Quorvin AutoLog Activated at->\\d\\d:\\d\\d:\\d\\d  "
    "Date:\\d\\d-\\d\\d-\\d\\d\\d\\d\\*\\*\\*\r\n");

// The engine's character messages for `text`, as the window procedure keeps them (a CR
// becomes CR CR LF, an LF is dropped), then one text tick.
void Receive(MainWindow& form, QStringView text) {
    for (const QChar c : text) {
        APIStuff::AppendReceivedCharacter(form.receive().receiverBuffers.RxTextBuffer, c.unicode());
    }
    form.Timer2->setEnabled(true);
    form.receivedText().Timer2_Timer();
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Clicks a label as the mouse does.
void Click(QWidget& widget) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

// An alarm with the strings CQ, nothing and DX, and with its log.
void SetUpAlarm(KVXmodules::SettingsRecord& settings, std::int16_t log = KVXmodules::kFlagSet) {
    settings.PSKAlarm = KVXmodules::kFlagSet;
    settings.AutoAlarmLog = log;
    settings.PSKAlarmString[0] = QStringLiteral("CQ");
    settings.PSKAlarmString[1] = QString();
    settings.PSKAlarmString[2] = QStringLiteral("DX");
}

QStringList AlarmLogLines(const FormHarness& harness) {
    const QString log =
        QString::fromLatin1(FileBytes(harness.filePath(QStringLiteral("quorvin_alarm.log"))));
    QStringList lines = log.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// ---- the text flush ----

TEST(TextFlush, InsertsAtTheEndShowingOneBreakPerLine) {
    FormHarness harness;
    MainWindow& form = harness.load();
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart);
    // Without a selection the caret goes to the end.
    QTextCursor caret = form.Text1->textCursor();
    caret.setPosition(2);
    form.Text1->setTextCursor(caret);

    Receive(form, u"A\r\nB");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("A\r\r\nB"));
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral("Quorvin\nA\nB"));
    EXPECT_FALSE(form.Text1->textCursor().hasSelection());
    EXPECT_TRUE(form.Text1->textCursor().atEnd());
    EXPECT_TRUE(form.receive().receiverBuffers.RxTextBuffer.isEmpty());
    EXPECT_FALSE(form.Timer2->isEnabled());
}

TEST(TextFlush, AUsersSelectionAndViewStayWhileTextFlows) {
    FormHarness harness;
    MainWindow& form = harness.show();
    for (int line = 0; line < 200; ++line) {
        Receive(form, QStringLiteral("line %1\r").arg(line));
    }
    QScrollBar* scroll = form.Text1->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    QTextCursor selection = form.Text1->textCursor();
    selection.setPosition(10);
    selection.setPosition(14, QTextCursor::KeepAnchor);
    form.Text1->setTextCursor(selection);
    scroll->setValue(3);

    Receive(form, u"CQ CQ\r");
    EXPECT_TRUE(form.receivedText().Text1Content->text().endsWith(u"CQ CQ\r\r\n"));
    EXPECT_EQ(form.Text1->textCursor().selectionStart(), 10);
    EXPECT_EQ(form.Text1->textCursor().selectionEnd(), 14);
    EXPECT_EQ(scroll->value(), 3);

    // Once the selection is gone the view follows the text again.
    QTextCursor caret = form.Text1->textCursor();
    caret.clearSelection();
    form.Text1->setTextCursor(caret);
    Receive(form, u"73");
    EXPECT_TRUE(form.Text1->textCursor().atEnd());
    EXPECT_GT(scroll->value(), 3);
    EXPECT_TRUE(form.Text1->viewport()->rect().contains(form.Text1->cursorRect()));
}

TEST(TextFlush, EngineMessagesReachTheBoxAtTheTextTick) {
    FormHarness harness;
    MainWindow& form = harness.show();
    for (const char c : std::string("CQ CQ de QX1ABC\r\n")) {
        form.messageSink().post(platform::kMsgCharacter, c, 0);
    }
    QElapsedTimer clock;
    clock.start();
    while (form.receivedText().Text1Content->text() == kStart && clock.elapsed() < 5000) {
        testing_support::processEvents();
    }
    EXPECT_EQ(form.receivedText().Text1Content->text(),
              kStart + QStringLiteral("CQ CQ de QX1ABC\r\r\n"));
    EXPECT_FALSE(form.Timer2->isEnabled());
}

TEST(TextFlush, TrailingBackspaceRules) {
    FormHarness harness;
    MainWindow& form = harness.load();
    // ab, then a single backspace: the b and the backspace go.
    Receive(form, u"ab");
    Receive(form, u"\b");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("a"));
    // A line break, then a backspace: the whole break goes.
    Receive(form, u"xyz\r");
    Receive(form, u"\b");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("axyz"));
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral("Quorvin\naxyz"));
    // A backspace inside a flush stays as a character.
    Receive(form, u"a\bb");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("axyza\bb"));
}

TEST(TextFlush, StopDecodeHoldsTheTextUntilResumed) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.Check1->setChecked(true);
    EXPECT_EQ(form.receivedText().DecodeStopped, 1);
    Receive(form, u"hello");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart);
    EXPECT_EQ(form.receive().receiverBuffers.RxTextBuffer, QStringLiteral("hello"));
    EXPECT_TRUE(form.Timer2->isEnabled());  // ticks on

    // Releasing the mouse over the waterfall resumes decoding; the next tick shows it all.
    form.display().Picture1_MouseUp(Qt::LeftButton, Qt::NoModifier, 10, 10);
    EXPECT_FALSE(form.Check1->isChecked());
    EXPECT_EQ(form.receivedText().DecodeStopped, 0);
    form.receivedText().Timer2_Timer();
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("hello"));
    EXPECT_FALSE(form.Timer2->isEnabled());
}

// ---- the receive box's bound ----

TEST(ReceiveBox, MoreThan30000CharactersKeepTheLast25000) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.receivedText().Text1Content->setText(QString(29990, u'x'));
    EXPECT_EQ(form.receivedText().Text1Content->text().size(), 29990);
    Receive(form, u"0123456789");  // exactly 30000: kept
    EXPECT_EQ(form.receivedText().Text1Content->text().size(), 30000);
    Receive(form, u"A");  // one more
    EXPECT_EQ(form.receivedText().Text1Content->text().size(), receiver::kReceiveTextKept);
    EXPECT_TRUE(form.receivedText().Text1Content->text().endsWith(u"0123456789A"));
    EXPECT_EQ(form.Text1->toPlainText(),
              receiver::DisplayText(form.receivedText().Text1Content->text()));
    EXPECT_TRUE(form.Text1->textCursor().atEnd());

    // Any change is bounded, also one that does not come from the flush.
    form.receivedText().Text1Content->setText(QString(40000, u'y'));
    EXPECT_EQ(form.receivedText().Text1Content->text().size(), receiver::kReceiveTextKept);
}

// ---- the alarm ----

TEST(Alarm, SoundsAndLogsTheStringAsStored) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    MainWindow& form = harness.create();
    Receive(form, u"d");
    EXPECT_TRUE(harness.sound.played().isEmpty());
    Receive(form, u"x");
    const QString sound = harness.filePath(QStringLiteral("alarm.wav"));
    EXPECT_EQ(harness.sound.played(), QStringList{sound});
    EXPECT_EQ(form.receivedText().SoundFileName, sound);
    const QStringList lines = AlarmLogLines(harness);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^\\*\\*\\*Quorvin AlarmLog: string 'DX' found at->"
                                   "\\d\\d:\\d\\d:\\d\\d  Date:\\d\\d-\\d\\d-\\d{4}\\*\\*\\*$"))
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_TRUE(form.receivedText().AlarmWindow.isEmpty());
}

// The alarm interface, which the band activity's hits use as the receive text's do: every hit
// sounds, and a slot outside the record's alarm strings writes no log line.
TEST(Alarm, SounderSoundsEveryHitAndLogsOnlyTheStoredStrings) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    MainWindow& form = harness.create();
    for (const int slot : {0, 2, KVXmodules::kPSKAlarmStringCount, -1}) {
        form.alarmSounder().sound(slot);
    }
    EXPECT_EQ(harness.sound.played().size(), 4);
    const QStringList lines = AlarmLogLines(harness);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(u"string 'CQ' found")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(u"string 'DX' found")) << lines[1].toStdString();
}

TEST(Alarm, WithoutLoggingOnlySounds) {
    FormHarness harness;
    SetUpAlarm(harness.settings, KVXmodules::kFlagClear);
    MainWindow& form = harness.create();
    Receive(form, u"CQ");
    EXPECT_EQ(harness.sound.played().size(), 1);
    EXPECT_FALSE(QFile::exists(harness.filePath(QStringLiteral("quorvin_alarm.log"))));
    // LogAlarm itself does nothing while alarm logging is off.
    std::int16_t slot = 0;
    form.receivedText().LogAlarm(slot);
    EXPECT_FALSE(QFile::exists(harness.filePath(QStringLiteral("quorvin_alarm.log"))));
}

TEST(Alarm, OffTakesNoCharacters) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    harness.settings.PSKAlarm = KVXmodules::kFlagClear;
    MainWindow& form = harness.create();
    Receive(form, u"CQ D");
    EXPECT_TRUE(form.receivedText().AlarmWindow.isEmpty());
    form.receivedText().Label2_Click();  // on
    Receive(form, u"X");                 // the D came while the alarm was off
    EXPECT_TRUE(harness.sound.played().isEmpty());
    Receive(form, u"DX");
    EXPECT_EQ(harness.sound.played().size(), 1);
}

TEST(Alarm, OneCharacterStringsAreNeverSearched) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    harness.settings.PSKAlarmString = {QStringLiteral("Q"), QStringLiteral("X"),
                                       QStringLiteral("Z")};
    MainWindow& form = harness.create();
    Receive(form, u"QXZ QQ XX ZZ");
    EXPECT_TRUE(harness.sound.played().isEmpty());
}

TEST(Alarm, FindsEveryStringWhateverTheFlushes) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    MainWindow& form = harness.create();
    // Twenty characters without a hit, then a string across the twentieth.
    Receive(form, u"0123456789012345678");
    Receive(form, u"C");
    Receive(form, u"Q");
    EXPECT_EQ(harness.sound.played().size(), 1);
    // Inside one flush with other characters, both strings.
    Receive(form, u"qrz? cq de dx1abc k");
    EXPECT_EQ(harness.sound.played().size(), 3);
    EXPECT_EQ(AlarmLogLines(harness).size(), 3);
    // The characters of a hit never fire twice: a change that is no flush finds nothing.
    form.receivedText().Text1Content->insertAtEnd(u"!");
    EXPECT_EQ(harness.sound.played().size(), 3);
}

TEST(Alarm, TextHeldByStopDecodeIsSearchedWhole) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    MainWindow& form = harness.create();
    form.Check1->setChecked(true);
    Receive(form, u"abCQe");
    EXPECT_TRUE(harness.sound.played().isEmpty());
    form.Check1->setChecked(false);
    form.receivedText().Timer2_Timer();
    EXPECT_EQ(harness.sound.played().size(), 1);
    EXPECT_EQ(form.receivedText().AlarmWindow.text(), QStringLiteral("e"));
}

TEST(Alarm, ErasedCharactersDoNotCount) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    MainWindow& form = harness.create();
    Receive(form, u"CX");
    Receive(form, u"\b");  // erases the X: the box ends in C
    Receive(form, u"Q");
    EXPECT_EQ(harness.sound.played().size(), 1);
    Receive(form, u"DX\b");  // erased within its own flush
    EXPECT_EQ(harness.sound.played().size(), 1);
}

TEST(Alarm, LogAndSoundStayInTheProgramFolder) {
    FormHarness harness;
    MainWindow& form = harness.load();
    SetUpAlarm(harness.settings);  // after the reset of the load
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());  // as a file dialog may leave it
    Receive(form, u"CQ");
    EXPECT_EQ(harness.sound.played(), QStringList{harness.filePath(QStringLiteral("alarm.wav"))});
    EXPECT_EQ(AlarmLogLines(harness).size(), 1);
    EXPECT_FALSE(
        QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("quorvin_alarm.log"))));
}

TEST(Alarm, AnUnwritableLogIsPassedOver) {
    FormHarness harness;
    SetUpAlarm(harness.settings);
    ASSERT_TRUE(QDir(harness.programFolder()).mkdir(QStringLiteral("quorvin_alarm.log")));
    MainWindow& form = harness.create();
    Receive(form, u"CQ");
    EXPECT_EQ(harness.sound.played().size(), 1);
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

// ---- the autolog ----

TEST(AutoLog, OneBannerPerSwitchOnAndTheTextAsReceived) {
    FormHarness harness;
    MainWindow& form = harness.load();
    const QString log = harness.filePath(QStringLiteral("quorvin_autolog.log"));
    Receive(form, u"before");
    EXPECT_FALSE(QFile::exists(log));

    form.receivedText().menuautolog_Click();
    EXPECT_EQ(form.receivedText().AutoLogActive, KVXmodules::kFlagSet);
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 1);
    EXPECT_FALSE(QFile::exists(log));  // nothing until text comes
    Receive(form, u"x\ry");
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 0);
    Receive(form, u"z\b");
    Receive(form, QStringView(u"\u00e9"));

    form.receivedText().menuautolog_Click();  // off: nothing more is written
    Receive(form, u"unlogged");
    form.receivedText().menuautolog_Click();  // on again: a second banner
    Receive(form, u"again");

    const QByteArray bytes = FileBytes(log);
    const QRegularExpression whole(
        QStringLiteral("^%1x\r\r\nyz\b\xe9%1again$").arg(kBannerPattern));
    EXPECT_TRUE(whole.match(QString::fromLatin1(bytes)).hasMatch()) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("x\r\r\nyz\b\xe9"));  // 8-bit, unchanged
    // The box applied the backspace; the log keeps it.
    EXPECT_TRUE(form.receivedText().Text1Content->text().endsWith(u"x\r\r\ny\u00e9unloggedagain"));
}

TEST(AutoLog, StaysInTheProgramFolderWhereverTheCurrentDirectoryIs) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.receivedText().menuautolog_Click();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    Receive(form, u"text");
    EXPECT_TRUE(
        FileBytes(harness.filePath(QStringLiteral("quorvin_autolog.log"))).endsWith("text"));
    EXPECT_FALSE(
        QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("quorvin_autolog.log"))));
}

TEST(AutoLog, AnUnwritableLogStillShowsTheText) {
    FormHarness harness;
    ASSERT_TRUE(QDir(harness.programFolder()).mkdir(QStringLiteral("quorvin_autolog.log")));
    MainWindow& form = harness.load();
    form.receivedText().menuautolog_Click();
    Receive(form, u"shown");
    EXPECT_EQ(form.receivedText().Text1Content->text(), kStart + QStringLiteral("shown"));
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 1)
        << "the banner waits for the first text that gets in";
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

// ---- toggles ----

TEST(Toggles, AlarmLabelCaptions) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm OFF"));
    EXPECT_EQ(form.Label2->toolTip(), QStringLiteral("Activate/de-activate PSK-Alarm"));
    Click(*form.Label2);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm ON"));
    EXPECT_EQ(harness.settings.PSKAlarm, KVXmodules::kFlagSet);
    Click(*form.Label2);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm OFF"));
    EXPECT_EQ(harness.settings.PSKAlarm, KVXmodules::kFlagClear);
    harness.settings.AutoAlarmLog = 1;  // any non-zero value
    form.receivedText().Label2_Click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm ON*"));
    harness.settings.PSKAlarm = 5;  // any non-zero value counts as on
    form.receivedText().Label2_Click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("PSK-Alarm OFF"));
    EXPECT_EQ(harness.settings.PSKAlarm, 0);
}

TEST(Toggles, AutoLogLabelAndMenuItem) {
    FormHarness harness;
    MainWindow& form = harness.create();
    EXPECT_EQ(form.Label8->text(), QStringLiteral("AutoLog OFF"));
    EXPECT_EQ(form.Label8->toolTip(),
              QStringLiteral("Enable/disable AutoLog (quorvin_autolog.log)"));
    EXPECT_EQ(form.menuautolog->text(), QStringLiteral("Autolog To File"));
    EXPECT_TRUE(form.menuautolog->isCheckable());
    EXPECT_FALSE(form.menuautolog->isChecked());

    Click(*form.Label8);
    EXPECT_EQ(form.Label8->text(), QStringLiteral("AutoLog ON"));
    EXPECT_TRUE(form.menuautolog->isChecked());
    EXPECT_EQ(form.receivedText().AutoLogActive, -1);

    form.menuautolog->trigger();  // the menu item, as a click on it
    EXPECT_EQ(form.Label8->text(), QStringLiteral("AutoLog OFF"));
    EXPECT_FALSE(form.menuautolog->isChecked());
    EXPECT_EQ(form.receivedText().AutoLogActive, 0);
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 0);

    form.menuautolog->trigger();
    EXPECT_TRUE(form.menuautolog->isChecked());
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 1);
}

TEST(Toggles, PskAlarmItemOpensTheAlarmSetup) {
    FormHarness harness;
    MainWindow& form = harness.show();
    EXPECT_EQ(form.menupskalarm->text(), QStringLiteral("PSK-Alarm..."));
    EXPECT_EQ(form.menupskalarm->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(form.setup().alarmSetupWindow(), nullptr);
    form.menupskalarm->trigger();
    testing_support::processEvents();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    ASSERT_NE(form.setup().alarmSetupWindow(), nullptr);
    EXPECT_TRUE(form.setup().alarmSetupWindow()->isVisible());
}

// ---- receive mode and decode controls ----

TEST(ReceiveMode, OptionsSetTheEnginesModeAndTheSetting) {
    FormHarness harness;
    MainWindow& form = harness.load();
    harness.engine.clearCalls();
    form.Option3->click();
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{{"fnSetRXPSKMode", {2, 0}, {}}}));
    EXPECT_EQ(harness.settings.PSKMode, 2);
    form.Option2->click();
    form.Option1->click();
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{{"fnSetRXPSKMode", {2, 0}, {}},
                                                               {"fnSetRXPSKMode", {1, 0}, {}},
                                                               {"fnSetRXPSKMode", {0, 0}, {}}}));
    EXPECT_EQ(harness.settings.PSKMode, 0);
    form.Option1->click();  // already selected: no new call
    EXPECT_EQ(harness.engine.calls().size(), 3U);
    EXPECT_EQ(form.Option3->toolTip(), QStringLiteral("QPSK in LSB"));
}

TEST(DecodeControls, StopDecodeFlipsTheFlagAndFocusesTheWaterfall) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.activateWindow();
    form.Text1->setFocus();
    form.Check1->click();
    EXPECT_EQ(form.receivedText().DecodeStopped, 1);
    EXPECT_EQ(form.focusWidget(), form.Picture1);
    form.Text1->setFocus();
    form.Check1->click();
    EXPECT_EQ(form.receivedText().DecodeStopped, 0);
    EXPECT_EQ(form.focusWidget(), form.Picture1);
    EXPECT_EQ(form.Check1->text(), QStringLiteral("Stop Decode"));
    EXPECT_EQ(form.Check1->toolTip(), QStringLiteral("Stop Decoding the PSK31 to Text"));
}

TEST(DecodeControls, HaltWaterfallLeavesTextAndModeAlone) {
    FormHarness harness;
    MainWindow& form = harness.load();
    EXPECT_FALSE(form.display().waterfallHalted());
    form.Check2->click();
    EXPECT_TRUE(form.display().waterfallHalted());
    EXPECT_EQ(form.Check2->text(), QStringLiteral("Halt Waterfall"));
    EXPECT_EQ(form.receivedText().DecodeStopped, 0);
    harness.engine.clearCalls();
    form.Option2->click();
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{{"fnSetRXPSKMode", {1, 0}, {}}}));
    Receive(form, u"flowing");
    EXPECT_TRUE(form.receivedText().Text1Content->text().endsWith(u"flowing"));
}

// ---- receive speed ----

// The Speed items beside the mode options: each tells the engine its speed, is ticked alone and
// is kept in the settings; the caption names the mode while it is not PSK31, before a sound card
// notice. The ticked item again changes nothing.
TEST(ReceiveSpeed, ItemsTellTheEngineAreTickedKeptAndNameTheModeInTheCaption) {
    FormHarness harness;
    MainWindow& form = harness.load();
    const QString caption = form.windowTitle();
    EXPECT_TRUE(form.menuspeeds[0]->isChecked());
    struct Step {
        QRadioButton* option;  // clicked, or else the item of `speed`
        int speed;
        std::vector<EngineCall> calls;
        const char* notice;
    };
    const Step steps[] = {
        {nullptr, 1, {{"fnSetRXPSKSpeed", {1}, {}}}, " [BPSK63]"},
        {form.Option2, 1, {{"fnSetRXPSKMode", {1, 0}, {}}}, " [QPSK63 USB]"},
        {nullptr, 3, {{"fnSetRXPSKSpeed", {3}, {}}}, " [QPSK250 USB]"},
        {nullptr, 3, {}, " [QPSK250 USB]"},
        {form.Option3, 3, {{"fnSetRXPSKMode", {2, 0}, {}}}, " [QPSK250 LSB]"},
        {nullptr, 2, {{"fnSetRXPSKSpeed", {2}, {}}}, " [QPSK125 LSB]"},
        {nullptr, 0, {{"fnSetRXPSKSpeed", {0}, {}}}, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.notice);
        harness.engine.clearCalls();
        if (step.option != nullptr) {
            step.option->click();
        } else {
            form.menuspeeds[static_cast<std::size_t>(step.speed)]->trigger();
        }
        EXPECT_EQ(harness.engine.calls(), step.calls);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(form.menuspeeds[static_cast<std::size_t>(i)]->isChecked(), i == step.speed);
        }
        EXPECT_EQ(harness.settings.PSKSpeed, step.speed);
        EXPECT_EQ(form.windowTitle(), caption + QString::fromLatin1(step.notice));
    }
    form.menuspeeds[1]->trigger();
    form.ShowSoundCardStatus(true);
    EXPECT_EQ(form.windowTitle(), caption + " [QPSK63 LSB] [no sound card - retrying]");
    form.menuspeeds[2]->trigger();
    EXPECT_EQ(form.windowTitle(), caption + " [QPSK125 LSB] [no sound card - retrying]");
    form.ShowSoundCardStatus(false);
    EXPECT_EQ(form.windowTitle(), caption + " [QPSK125 LSB]");
}

// Tuning to a signal (a band activity row) sets its frequency, then its speed and its mode.
TEST(ReceiveSpeed, TuningToASignalSetsItsSpeedAndMode) {
    FormHarness harness;
    MainWindow& form = harness.load();
    const QString caption = form.windowTitle();
    harness.engine.clearCalls();
    form.receive().tuneToSignal(1234, pskmodem::Mode::QpskLsb, pskmodem::Speed::Psk125);
    EXPECT_EQ(harness.engine.callNames(),
              (std::vector<std::string>{"fnSetRXFrequency", "fnSetTXFrequency", "fnSetRXPSKSpeed",
                                        "fnSetRXPSKMode"}));
    EXPECT_EQ(harness.engine.calls()[2].args, (std::vector<std::int64_t>{2}));
    EXPECT_TRUE(form.Option3->isChecked());
    EXPECT_TRUE(form.menuspeeds[2]->isChecked());
    EXPECT_EQ(form.windowTitle(), caption + " [QPSK125 LSB]");
    form.receive().tuneToSignal(900, pskmodem::Mode::Bpsk, pskmodem::Speed::Psk31);
    EXPECT_TRUE(form.Option1->isChecked());
    EXPECT_TRUE(form.menuspeeds[0]->isChecked());
    EXPECT_EQ(harness.settings.PSKSpeed, 0);
    EXPECT_EQ(form.windowTitle(), caption);
}

}  // namespace

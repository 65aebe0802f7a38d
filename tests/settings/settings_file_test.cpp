// QUORVIN.ini: the 48 lines, their encoding and every reading rule, the reset values and the
// working/saved DSP copies, and replacing the file on disk.

#include "settings/settings_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "settings/colour_schemes.h"
#include "settings/settings_record.h"
#include "support/test_files.h"

namespace {

using testing_support::ReadAll;
using testing_support::UnprivilegedScope;
using testing_support::WriteAll;

using namespace KVXmodules;

constexpr WindowSizeTwips kWindow{9930, 7230};

SettingsRecord ResetRecord() {
    SettingsRecord record;
    DefaultSetRecord(record);
    return record;
}

QStringList LinesOf(const QByteArray& bytes) {
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.takeLast(), QString());  // the last line is ended too
    return lines;
}

QByteArray Join(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLatin1() + "\r\n";
    }
    return bytes;
}

// A record with a value different from its reset value in every field that the file holds.
SettingsRecord FullRecord() {
    SettingsRecord r = ResetRecord();
    r.OperatorCall = QStringLiteral("PA3XYZ Jan");
    r.PSKMode = 2;
    r.ScreenSet = 1;
    r.WaterfallColor = 1;
    r.Font = QStringLiteral("Courier New");
    r.TextColorSheme = 4;
    r.RXfreqMaxRange = 1234;
    r.RXSearchRange = 2.5;
    r.Sensitivity = 2100;
    r.SmoothingSpeed = 7;
    r.SquelchMax = 20;
    r.SquelchSpeed = 0;
    r.WaterfallSpectrumSpeed = 4;
    r.EditorFont = QStringLiteral("Lucida Console");
    r.PSKAlarm = kFlagSet;
    r.PSKAlarmString[0] = QStringLiteral("CQ DX");
    r.PSKAlarmString[1] = QStringLiteral("QRZ");
    r.PSKAlarmString[2] = QStringLiteral("TEST");
    r.AutoAlarmLog = kFlagSet;
    r.PhaseTuneStatus = kFlagClear;
    r.ProgramTimerInterval = 25;
    r.BackgroundSkin = kFlagSet;
    r.RememberScreenSize = kFlagSet;
    r.SaveWorkingDSP = kFlagSet;
    return r;
}

// ---------------------------------------------------------------------------------------------
// Reset values and the DSP copies

TEST(ResetRecord, ValuesAfterAReset) {
    const SettingsRecord r = ResetRecord();
    EXPECT_EQ(r.WaterfallHeight, 85);
    EXPECT_EQ(r.WaterfallTop, 368);
    EXPECT_EQ(r.TextHeight, 353);
    EXPECT_EQ(r.WaterfallBlueOffset, 254);
    EXPECT_EQ(r.WaterfallRedOffset, 0);
    EXPECT_EQ(r.WaterfallBackColor, 9);
    EXPECT_EQ(r.RXfreqMaxRange, 1500);
    EXPECT_EQ(r.RXSearchRange, 50);
    EXPECT_EQ(r.Sensitivity, 1500);
    EXPECT_EQ(r.SmoothingSpeed, 5);
    EXPECT_EQ(r.SquelchMax, 5);
    EXPECT_EQ(r.SquelchSpeed, 1);
    EXPECT_EQ(r.Font, "System");
    EXPECT_EQ(r.EditorFont, "System");
    EXPECT_EQ(r.SaveWorkingDSP, 0);
    EXPECT_EQ(r.PSKAlarmString[0], "QR9ZZ");
    EXPECT_EQ(r.PSKAlarmString[1], "");
    EXPECT_EQ(r.PSKAlarmString[2], "");
    EXPECT_EQ(r.PSKMode, 0);
    EXPECT_EQ(r.TextColorSheme, 3);
    EXPECT_EQ(r.ScreenSet, 0);
    EXPECT_EQ(r.WaterfallColor, 0);
    EXPECT_EQ(r.WaterfallSpectrumSpeed, 2);
    EXPECT_EQ(r.TextForeColor, QColor(255, 255, 0));  // yellow on black
    EXPECT_EQ(r.TextBackColor, QColor(0, 0, 0));
    EXPECT_EQ(r.RememberScreenSize, 0);
    EXPECT_EQ(r.PhaseTuneStatus, -1);
    EXPECT_EQ(r.SavedDSP, (std::array<std::int16_t, 6>{1500, 50, 1500, 5, 5, 1}));
}

TEST(ResetRecord, KeepsTheSettingsAResetDoesNotTouch) {
    SettingsRecord r = FullRecord();
    r.ScreenWidth = 9000;
    r.ScreenHeigth = 6000;
    r.CaptionPrefix = QStringLiteral("Quorvin - ");
    r.SettingsFilePath = QStringLiteral("QUORVIN.ini");
    DefaultSetRecord(r);
    EXPECT_EQ(r.PSKAlarm, kFlagSet);
    EXPECT_EQ(r.AutoAlarmLog, kFlagSet);
    EXPECT_EQ(r.ProgramTimerInterval, 25);
    EXPECT_EQ(r.BackgroundSkin, kFlagSet);
    EXPECT_EQ(r.OperatorCall, "PA3XYZ Jan");
    EXPECT_EQ(r.ScreenWidth, 9000.0F);
    EXPECT_EQ(r.ScreenHeigth, 6000.0F);
    EXPECT_EQ(r.CaptionPrefix, "Quorvin - ");
    EXPECT_EQ(r.SettingsFilePath, "QUORVIN.ini");
    EXPECT_EQ(r.SaveWorkingDSP, kFlagClear);
}

TEST(SavedDSP, CopiesRoundHalvesToEven) {
    SettingsRecord r = ResetRecord();
    r.RXfreqMaxRange = 1200;
    r.RXSearchRange = 2.5;
    r.Sensitivity = 999;
    r.SmoothingSpeed = 3.5;
    r.SquelchMax = 10.5;
    r.SquelchSpeed = 0.4;
    EXPECT_TRUE(TakeSavedDSP(r));
    EXPECT_EQ(r.SavedDSP, (std::array<std::int16_t, 6>{1200, 2, 999, 4, 10, 0}));
}

TEST(SavedDSP, AValueThatDoesNotFitKeepsItsOldCopy) {
    SettingsRecord r = ResetRecord();
    r.RXfreqMaxRange = 40000;
    r.SquelchMax = 7;
    EXPECT_FALSE(TakeSavedDSP(r));
    EXPECT_EQ(r.SavedDSP[kSavedRXfreqMaxRange], 1500);
    EXPECT_EQ(r.SavedDSP[kSavedSquelchMax], 7);
}

TEST(SavedDSP, SavePutsTheSavedValuesBackOnlyWhenWorkingValuesAreNotKept) {
    SettingsRecord r = ResetRecord();
    r.SquelchMax = 42;
    r.RXSearchRange = 2.5;
    PrepareDSPForSave(r);
    EXPECT_EQ(r.SquelchMax, 5);
    EXPECT_EQ(r.RXSearchRange, 50);

    r.SquelchMax = 42;
    r.RXSearchRange = 2.5;
    r.SaveWorkingDSP = kFlagSet;
    PrepareDSPForSave(r);
    EXPECT_EQ(r.SquelchMax, 42);
    EXPECT_EQ(r.RXSearchRange, 2.5);
}

// ---------------------------------------------------------------------------------------------
// Colour schemes and palettes

TEST(ColourSchemes, EachSchemeAndPalette) {
    SettingsRecord r = ResetRecord();
    ASSERT_TRUE(ApplyTextColorSheme(r, 2));
    EXPECT_EQ(r.TextColorSheme, 2);
    EXPECT_EQ(r.TextForeColor, QColor(255, 255, 255));
    EXPECT_EQ(r.TextBackColor, QColor(0, 0, 255));
    ASSERT_TRUE(ApplyTextColorSheme(r, 4));
    EXPECT_EQ(r.TextBackColor, QColor(0, 128, 0));
    ASSERT_TRUE(ApplyTextColorSheme(r, 0));
    EXPECT_EQ(r.TextForeColor, QColor(0, 0, 0));
    EXPECT_EQ(r.TextBackColor, QColor(255, 255, 0));

    ASSERT_TRUE(ApplyWaterfallPalette(r, 1));
    EXPECT_EQ(r.WaterfallColor, 1);
    EXPECT_EQ(r.WaterfallBlueOffset, 0);
    EXPECT_EQ(r.WaterfallRedOffset, 254);
    EXPECT_EQ(EgaColor(r.WaterfallBackColor), QColor(128, 0, 0));
    ASSERT_TRUE(ApplyWaterfallPalette(r, 2));
    EXPECT_EQ(r.WaterfallRedOffset, 0);
    EXPECT_EQ(EgaColor(r.WaterfallBackColor), QColor(0, 0, 0));
}

TEST(ColourSchemes, UnknownNumbersChangeNothing) {
    SettingsRecord r = ResetRecord();
    const SettingsRecord before = r;
    for (const double n : {-1.0, 5.0, 7.0, 2.5}) {
        EXPECT_FALSE(ApplyTextColorSheme(r, n)) << n;
    }
    for (const double n : {-1.0, 3.0, 0.5}) {
        EXPECT_FALSE(ApplyWaterfallPalette(r, n)) << n;
    }
    EXPECT_EQ(r.TextColorSheme, before.TextColorSheme);
    EXPECT_EQ(r.TextForeColor, before.TextForeColor);
    EXPECT_EQ(r.WaterfallColor, before.WaterfallColor);
    EXPECT_EQ(r.WaterfallBackColor, before.WaterfallBackColor);
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(SettingsFileWriter, FreshResetRecord) {
    const QByteArray bytes = SettingsFileBytes(ResetRecord(), kWindow, u"0.1.0");
    EXPECT_EQ(bytes.count("\r\n"), 48);
    EXPECT_EQ(bytes.count('\n'), 48);
    EXPECT_EQ(bytes.count('\r'), 48);
    const QStringList lines = LinesOf(bytes);
    ASSERT_EQ(lines.size(), 48);
    EXPECT_TRUE(lines[0].startsWith(u";Quorvin 0.1.0 ")) << lines[0].toStdString();
    EXPECT_GT(lines[0].size(), QStringLiteral(";Quorvin 0.1.0 ").size());
    // line 2: the bare label, 26 characters, ";" first and "= " last
    EXPECT_EQ(lines[1].size(), 26);
    EXPECT_TRUE(lines[1].startsWith(u';'));
    EXPECT_TRUE(lines[1].endsWith(u"= "));
    EXPECT_EQ(lines[3], " 0 ");
    EXPECT_EQ(lines[13], " 1500 ");
    EXPECT_EQ(lines[19], " 5 ");
    EXPECT_EQ(lines[41], " 0 ");
    EXPECT_EQ(lines[45], " 9930 ");
    EXPECT_EQ(lines[47], " 7230 ");
}

TEST(SettingsFileWriter, SectionLinesAndValuePositions) {
    const QStringList lines = LinesOf(SettingsFileBytes(FullRecord(), kWindow, u"0.1.0"));
    ASSERT_EQ(lines.size(), 48);
    const QStringList expected = {
        QStringLiteral(";Operator name/call sign= PA3XYZ Jan"),
        "[PSKMode]",
        " 2 ",
        "[ScreenSet]",
        " 1 ",
        "[WaterfallColor]",
        " 1 ",
        "[Font]",
        "Courier New",
        "[TextColorSheme]",
        " 4 ",
        "[RXfreqMaxRange]",
        " 1234 ",
        "[RXSearchRange]",
        " 2.5 ",
        "[Sensitivity]",
        " 2100 ",
        "[SmoothingSpeed]",
        " 7 ",
        "[SquelchMax]",
        " 20 ",
        "[SquelchSpeed]",
        " 0 ",
        "[Waterfall Spectrum Speed]",
        " 4 ",
        "[Editor font]",
        "Lucida Console",
        "[PSK Alarm]",
        "-1 ",
        "[PSK Alarm String]",
        "CQ DX",
        "QRZ",
        "TEST",
        "[AutoAlarmLog]",
        "-1 ",
        "[PhaseTuneStatus]",
        " 0 ",
        "[ProgramTimerInterval]",
        " 25 ",
        "[BackgroundSkin]",
        "-1 ",
        "[RememberScreenSize]",
        "-1 ",
        "[ScreenWidth]",
        " 9930 ",
        "[ScreenHeigth]",
        " 7230 ",
    };
    EXPECT_EQ(lines.mid(1), expected);
}

TEST(SettingsFileWriter, LineBreaksInsideTextsCannotShiftTheLines) {
    SettingsRecord r = ResetRecord();
    r.PSKAlarmString[1] = QStringLiteral("A\r\nB");
    const QStringList lines = LinesOf(SettingsFileBytes(r, kWindow, u"0.1.0"));
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[32], "A  B");
}

TEST(SettingsFileWriter, TextIsWindows1252) {
    SettingsRecord r = ResetRecord();
    r.Font = QStringLiteral("Caf\u00e9 \u20ac");
    r.OperatorCall = QStringLiteral("Ren\u00e9 \u20ac1");
    const QByteArray bytes = SettingsFileBytes(r, kWindow, u"0.1.0");
    EXPECT_TRUE(bytes.contains("\r\nCaf\xE9 \x80\r\n"));
    EXPECT_TRUE(
        bytes.contains("= Ren\xE9 \x80"
                       "1\r\n"));
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(SettingsFileReader, FullRecordRoundTrips) {
    const SettingsRecord written = FullRecord();
    SettingsRecord read = ResetRecord();
    const auto result = ReadSettingsFile(SettingsFileBytes(written, kWindow, u"0.1.0"), read);
    EXPECT_FALSE(result.failed) << result.firstFailingLine;
    EXPECT_TRUE(result.callSignTaken);
    EXPECT_EQ(read.OperatorCall, written.OperatorCall);
    EXPECT_EQ(read.PSKMode, written.PSKMode);
    EXPECT_EQ(read.ScreenSet, written.ScreenSet);
    EXPECT_EQ(read.WaterfallColor, written.WaterfallColor);
    EXPECT_EQ(read.Font, written.Font);
    EXPECT_EQ(read.TextColorSheme, written.TextColorSheme);
    EXPECT_EQ(read.RXfreqMaxRange, written.RXfreqMaxRange);
    EXPECT_EQ(read.RXSearchRange, 2.5);
    EXPECT_EQ(read.Sensitivity, written.Sensitivity);
    EXPECT_EQ(read.SmoothingSpeed, written.SmoothingSpeed);
    EXPECT_EQ(read.SquelchMax, written.SquelchMax);
    EXPECT_EQ(read.SquelchSpeed, written.SquelchSpeed);
    EXPECT_EQ(read.WaterfallSpectrumSpeed, written.WaterfallSpectrumSpeed);
    EXPECT_EQ(read.EditorFont, written.EditorFont);
    EXPECT_EQ(read.PSKAlarm, written.PSKAlarm);
    EXPECT_EQ(read.PSKAlarmString, written.PSKAlarmString);
    EXPECT_EQ(read.AutoAlarmLog, written.AutoAlarmLog);
    EXPECT_EQ(read.PhaseTuneStatus, written.PhaseTuneStatus);
    EXPECT_EQ(read.ProgramTimerInterval, written.ProgramTimerInterval);
    EXPECT_EQ(read.BackgroundSkin, written.BackgroundSkin);
    EXPECT_EQ(read.RememberScreenSize, written.RememberScreenSize);
    EXPECT_EQ(read.ScreenWidth, 9930.0F);
    EXPECT_EQ(read.ScreenHeigth, 7230.0F);
    // the saved copies are taken after the last line, rounded
    EXPECT_EQ(read.SavedDSP, (std::array<std::int16_t, 6>{1234, 2, 2100, 7, 20, 0}));
}

TEST(SettingsFileReader, Windows1252TextIsDecoded) {
    SettingsRecord written = ResetRecord();
    written.Font = QStringLiteral("Caf\u00e9 \u20ac");
    written.OperatorCall = QStringLiteral("Ren\u00e9 \u20ac1");
    SettingsRecord read = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(SettingsFileBytes(written, kWindow, u"0.1.0"), read).failed);
    EXPECT_EQ(read.Font, written.Font);
    EXPECT_EQ(read.OperatorCall, written.OperatorCall);
}

// A file as the first Windows build of the program writes it, byte for byte.
const char kWindowsFile[] =
    ";Quorvin 0.0.7 PSK31 receive program\r\n"
    ";Name or call of operator= DL1ABC\r\n"
    "[PSKMode]\r\n 1 \r\n"
    "[ScreenSet]\r\n 0 \r\n"
    "[WaterfallColor]\r\n 2 \r\n"
    "[Font]\r\nTerminal\r\n"
    "[TextColorSheme]\r\n 1 \r\n"
    "[RXfreqMaxRange]\r\n 1000 \r\n"
    "[RXSearchRange]\r\n 30 \r\n"
    "[Sensitivity]\r\n 1200 \r\n"
    "[SmoothingSpeed]\r\n 4 \r\n"
    "[SquelchMax]\r\n 12 \r\n"
    "[SquelchSpeed]\r\n 0 \r\n"
    "[Waterfall Spectrum Speed]\r\n 3 \r\n"
    "[Editor font]\r\nM\xFCnchen Sans\r\n"
    "[PSK Alarm]\r\n-1 \r\n"
    "[PSK Alarm String]\r\nDL1ABC\r\n[reserved]\r\n[RESERVED]\r\n"
    "[AutoAlarmLog]\r\n 0 \r\n"
    "[PhaseTuneStatus]\r\n-1 \r\n"
    "[ProgramTimerInterval]\r\n 10 \r\n"
    "[BackgroundSkin]\r\n 0 \r\n"
    "[RememberScreenSize]\r\n-1 \r\n"
    "[ScreenWidth]\r\n 10035 \r\n"
    "[ScreenHeigth]\r\n 7770 \r\n";

TEST(SettingsFileReader, FileFromTheWindowsProgramLoads) {
    SettingsRecord r = ResetRecord();
    const auto result = ReadSettingsFile(QByteArrayView(kWindowsFile), r);
    EXPECT_FALSE(result.failed) << result.firstFailingLine;
    EXPECT_TRUE(result.callSignTaken);
    EXPECT_EQ(r.OperatorCall, "DL1ABC");
    EXPECT_EQ(r.PSKMode, 1);
    EXPECT_EQ(r.WaterfallColor, 2);
    EXPECT_EQ(r.Font, "Terminal");
    EXPECT_EQ(r.TextColorSheme, 1);
    EXPECT_EQ(r.RXfreqMaxRange, 1000);
    EXPECT_EQ(r.SquelchMax, 12);
    EXPECT_EQ(r.EditorFont, QStringLiteral("M\u00fcnchen Sans"));
    EXPECT_EQ(r.PSKAlarm, -1);
    EXPECT_EQ(r.PSKAlarmString[0], "DL1ABC");
    EXPECT_EQ(r.PSKAlarmString[1], "");
    EXPECT_EQ(r.PSKAlarmString[2], "");
    EXPECT_EQ(r.RememberScreenSize, -1);
    EXPECT_EQ(r.ScreenWidth, 10035.0F);
    EXPECT_EQ(r.ScreenHeigth, 7770.0F);
    EXPECT_EQ(r.SavedDSP, (std::array<std::int16_t, 6>{1000, 30, 1200, 4, 12, 0}));
}

TEST(SettingsFileReader, OtherLineEndsAreAccepted) {
    QByteArray lf(kWindowsFile);
    lf.replace("\r\n", "\n");
    SettingsRecord a = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(lf, a).failed);
    EXPECT_EQ(a.ScreenHeigth, 7770.0F);
    QByteArray noFinalEnd(kWindowsFile);
    noFinalEnd.chop(2);
    SettingsRecord b = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(noFinalEnd, b).failed);
    EXPECT_EQ(b.ScreenHeigth, 7770.0F);
}

struct CallCase {
    const char* line;
    const char* call;  // OperatorCall afterwards; the record starts with "OLD"
    bool captionChanges;
};

class CallSignLineTest : public ::testing::TestWithParam<CallCase> {};

TEST_P(CallSignLineTest, Line2) {
    const CallCase& c = GetParam();
    QStringList lines = LinesOf(SettingsFileBytes(ResetRecord(), kWindow, u"0.1.0"));
    lines[1] = QString::fromLatin1(c.line);
    SettingsRecord r = ResetRecord();
    r.OperatorCall = QStringLiteral("OLD");
    const auto result = ReadSettingsFile(Join(lines), r);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(r.OperatorCall, QString::fromLatin1(c.call));
    EXPECT_EQ(result.callSignTaken, c.captionChanges);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CallSignLineTest,
    ::testing::Values(
        // label + 2 characters: no call sign, caption unchanged
        CallCase{";Operator name/call sign= AB", "", false},
        // label + 3 characters: the shortest call
        CallCase{";Operator name/call sign= ABC", "ABC", true},
        // label + 20: all of it
        CallCase{";Operator name/call sign= ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST", true},
        // label + 23: the first 20 from column 27
        CallCase{";Operator name/call sign= ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRST", true},
        // exactly 26 characters: no change at all
        CallCase{";Operator name/call sign= ", "OLD", false},
        // any label text counts, only the column matters
        CallCase{";xxxxxxxxxxxxxxxxxxxxxxx= PA0ABC ", "PA0ABC", true},
        // blanks around the call are removed; blanks inside stay
        CallCase{";Operator name/call sign=    J  Doe   ", "J  Doe", true},
        // blanks after the label do not make the line longer than the label
        CallCase{";Operator name/call sign=        ", "OLD", false},
        // a blank or two after the label and one letter: too short
        CallCase{";Operator name/call sign=  X ", "", false},
        // a short line
        CallCase{";call=", "OLD", false}));

TEST(SettingsFileReader, ReservedMarkerClearsAlarmStrings2And3Only) {
    QStringList lines = LinesOf(SettingsFileBytes(ResetRecord(), kWindow, u"0.1.0"));
    lines[31] = QStringLiteral("[reserved]");
    lines[32] = QStringLiteral("[RES");
    lines[33] = QStringLiteral("[rEsErVeD 2]");
    SettingsRecord r = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(Join(lines), r).failed);
    EXPECT_EQ(r.PSKAlarmString[0], "[reserved]");
    EXPECT_EQ(r.PSKAlarmString[1], "");
    EXPECT_EQ(r.PSKAlarmString[2], "");

    lines[32] = QStringLiteral(" [res");  // the blank is one of the four characters
    lines[33] = QStringLiteral("[RE");
    EXPECT_FALSE(ReadSettingsFile(Join(lines), r).failed);
    EXPECT_EQ(r.PSKAlarmString[1], " [res");
    EXPECT_EQ(r.PSKAlarmString[2], "[RE");
}

TEST(SettingsFileReader, SectionLinesAreNotLookedAt) {
    QStringList lines = LinesOf(SettingsFileBytes(FullRecord(), kWindow, u"0.1.0"));
    for (int i = 2; i < 48; i += 2) {
        lines[i] = QStringLiteral("[Sqelch maxx]");
    }
    lines[30] = QString();  // even an empty one
    SettingsRecord r = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(Join(lines), r).failed);
    EXPECT_EQ(r.RXfreqMaxRange, 1234);
    EXPECT_EQ(r.PSKAlarmString[2], "TEST");
    EXPECT_EQ(r.ScreenHeigth, 7230.0F);
}

TEST(SettingsFileReader, LinesAfter48AreIgnored) {
    QByteArray bytes = SettingsFileBytes(FullRecord(), kWindow, u"0.1.0");
    bytes += "[FutureSection]\r\n 99999999 \r\nsome text\r\n\r\n";
    SettingsRecord r = ResetRecord();
    const auto result = ReadSettingsFile(bytes, r);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(r.ScreenHeigth, 7230.0F);
}

TEST(SettingsFileReader, ShortFileTakesTheValuesBeforeTheEnd) {
    SettingsRecord written = FullRecord();
    const QStringList all = LinesOf(SettingsFileBytes(written, kWindow, u"0.1.0"));
    SettingsRecord r = ResetRecord();
    const auto result = ReadSettingsFile(Join(all.mid(0, 20)), r);  // up to SmoothingSpeed
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.firstFailingLine, 21);
    EXPECT_EQ(r.PSKMode, 2);
    EXPECT_EQ(r.RXfreqMaxRange, 1234);
    EXPECT_EQ(r.SmoothingSpeed, 7);
    EXPECT_EQ(r.SquelchMax, 5);  // reset value kept
    EXPECT_EQ(r.EditorFont, "System");
    EXPECT_EQ(r.PSKAlarmString[0], "QR9ZZ");
    EXPECT_EQ(r.ScreenHeigth, 0.0F);
    // SavedDSP is still taken: read values plus reset ones
    EXPECT_EQ(r.SavedDSP, (std::array<std::int16_t, 6>{1234, 2, 2100, 7, 5, 1}));
}

TEST(SettingsFileReader, EmptyFileFailsAtLine1) {
    SettingsRecord r = ResetRecord();
    const auto result = ReadSettingsFile(QByteArrayView(), r);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.firstFailingLine, 1);
    EXPECT_EQ(r.Font, "System");
}

struct BadValueCase {
    int line;  // 1-based
    const char* text;
};

class BadValueTest : public ::testing::TestWithParam<BadValueCase> {};

// A value that doesn't fit its type, or no number at all, is a failing step: the setting keeps
// its value and every later line is still read.
TEST_P(BadValueTest, IsAFailingStepAndReadingGoesOn) {
    const BadValueCase& c = GetParam();
    QStringList lines = LinesOf(SettingsFileBytes(FullRecord(), kWindow, u"0.1.0"));
    lines[c.line - 1] = QString::fromLatin1(c.text);
    SettingsRecord r = ResetRecord();
    const SettingsRecord reset = r;
    const auto result = ReadSettingsFile(Join(lines), r);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.firstFailingLine, c.line);
    EXPECT_EQ(r.ScreenHeigth, 7230.0F);  // the last line was still read
    switch (c.line) {
        case 4:
            EXPECT_EQ(r.PSKMode, reset.PSKMode);
            break;
        case 12:
            EXPECT_EQ(r.TextColorSheme, reset.TextColorSheme);
            break;
        case 14:
            EXPECT_EQ(r.RXfreqMaxRange, reset.RXfreqMaxRange);
            break;
        case 30:
            EXPECT_EQ(r.PSKAlarm, reset.PSKAlarm);
            break;
        case 40:
            EXPECT_EQ(r.ProgramTimerInterval, reset.ProgramTimerInterval);
            break;
        case 46:
            EXPECT_EQ(r.ScreenWidth, reset.ScreenWidth);
            break;
        default:
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadValueTest,
                         ::testing::Values(BadValueCase{12, " 40000 "},    // 16-bit TextColorSheme
                                           BadValueCase{30, "-32769 "},    // 16-bit flag
                                           BadValueCase{40, " 32767.5 "},  // rounds to 32768
                                           BadValueCase{14,
                                                        " 2147483648 "},  // 32-bit RXfreqMaxRange
                                           BadValueCase{46, " 1E+39 "},   // beyond a float
                                           BadValueCase{4, " BPSK "},     // no number
                                           BadValueCase{12, ""},          // empty value line
                                           BadValueCase{40, " 10ms "}));  // not all number

TEST(SettingsFileReader, FrequencyTooLargeForItsSavedCopyIsAFailingStep) {
    QStringList lines = LinesOf(SettingsFileBytes(FullRecord(), kWindow, u"0.1.0"));
    lines[13] = QStringLiteral(" 40000 ");  // fits 32 bits, not the 16-bit copy
    SettingsRecord r = ResetRecord();
    const auto result = ReadSettingsFile(Join(lines), r);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.firstFailingLine, 49);
    EXPECT_EQ(r.RXfreqMaxRange, 40000);
    EXPECT_EQ(r.SavedDSP[kSavedRXfreqMaxRange], 1500);
}

TEST(SettingsFileReader, IntegersTakeFractionsRoundedHalfEven) {
    QStringList lines = LinesOf(SettingsFileBytes(FullRecord(), kWindow, u"0.1.0"));
    lines[11] = QStringLiteral(" 2.5 ");     // TextColorSheme
    lines[17] = QStringLiteral(" 1500.5 ");  // Sensitivity
    SettingsRecord r = ResetRecord();
    EXPECT_FALSE(ReadSettingsFile(Join(lines), r).failed);
    EXPECT_EQ(r.TextColorSheme, 2);
    EXPECT_EQ(r.Sensitivity, 1500);
}

// ---------------------------------------------------------------------------------------------
// Replacing the file

TEST(WriteFileReplacing, ReplacesTheWholeFileAndLeavesNoTemporary) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(path, QByteArray(5000, 'x'));
    EXPECT_TRUE(WriteFileReplacing(path, "new\r\n").ok);
    EXPECT_EQ(ReadAll(path), "new\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"QUORVIN.ini"});
}

TEST(WriteFileReplacing, MissingFolderFailsWithAnErrorNumber) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto result = WriteFileReplacing(dir.filePath(QStringLiteral("gone/QUORVIN.ini")), "x");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorNumber, 0);
}

TEST(WriteFileReplacing, FailedWriteLeavesTheOldFile) {
    // A file size limit makes the write itself fail, whatever the user's rights.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(path, "old\r\n");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = WriteFileReplacing(path, QByteArray(4096, 'y'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorNumber, 0);
    EXPECT_EQ(ReadAll(path), "old\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"QUORVIN.ini"});
}

bool WritableForUs(const QString& path) {
    return faccessat(AT_FDCWD, path.toLocal8Bit().constData(), W_OK, AT_EACCESS) == 0;
}

constexpr auto kOpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
constexpr auto kClosedFolder =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;

TEST(WriteFileReplacing, ReadOnlyFileIsLeftAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile::setPermissions(dir.path(), kOpenFolder);
    const QString path = dir.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(path, "old\r\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther);
    FileWriteResult result;
    {
        UnprivilegedScope user;
        if (WritableForUs(path)) {
            GTEST_SKIP() << "file permissions are not enforced here";
        }
        result = WriteFileReplacing(path, "new\r\n");
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorNumber, 0);
    EXPECT_EQ(ReadAll(path), "old\r\n");
}

TEST(WriteFileReplacing, UnwritableFolderIsLeftAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(path, "old\r\n");
    QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(dir.path(), kClosedFolder);
    FileWriteResult result;
    {
        UnprivilegedScope user;
        if (WritableForUs(dir.path())) {
            QFile::setPermissions(dir.path(), kOpenFolder);
            GTEST_SKIP() << "folder permissions are not enforced here";
        }
        result = WriteFileReplacing(path, "new\r\n");
    }
    QFile::setPermissions(dir.path(), kOpenFolder);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorNumber, 0);
    EXPECT_EQ(ReadAll(path), "old\r\n");
}

// The receive speed follows line 48 only when it is not PSK31; a file without it (an older one)
// or with a speed the program does not know gives PSK31, and a reset sets PSK31.
TEST(SettingsFileSpeed, StoredAfterLine48OnlyWhenNotPsk31) {
    const auto bytesOf = [](const SettingsRecord& r) {
        return SettingsFileBytes(r, {9930, 7230}, u"0.1.0");
    };
    const QByteArray plain = bytesOf(ResetRecord());
    EXPECT_EQ(LinesOf(plain).size(), 48);
    for (const std::int32_t speed : {1, 2, 3}) {
        SettingsRecord written = ResetRecord();
        written.PSKSpeed = speed;
        const QStringList lines = LinesOf(bytesOf(written));
        EXPECT_EQ(lines.mid(0, 48), LinesOf(plain));
        EXPECT_EQ(lines.mid(48), (QStringList{"[PSKSpeed]", QString(" %1 ").arg(speed)}));
        SettingsRecord read = ResetRecord();
        ASSERT_FALSE(ReadSettingsFile(bytesOf(written), read).failed);
        EXPECT_EQ(read.PSKSpeed, speed);
    }
    struct Case {
        const char* tail;
        std::int32_t speed;
    };
    const Case cases[] = {
        {"", 0},
        {"[PSKSpeed]\r\n 4 \r\n", 0},
        {"[PSKSpeed]\r\n-1 \r\n", 0},
        {"[PSKSpeed]\r\nfast\r\n", 0},
        {"[PSKSpeed]\r\n", 0},
        {" [pskspeed] \r\n 2 \r\n[BandActivity]\r\n 0 \r\n", 2},
    };
    for (const Case& c : cases) {
        SettingsRecord read = ResetRecord();
        read.PSKSpeed = 3;
        EXPECT_FALSE(ReadSettingsFile(plain + c.tail, read).failed) << c.tail;
        EXPECT_EQ(read.PSKSpeed, c.speed) << c.tail;
    }
    SettingsRecord reset;
    reset.PSKSpeed = 2;
    DefaultSetRecord(reset);
    EXPECT_EQ(reset.PSKSpeed, 0);
}

}  // namespace

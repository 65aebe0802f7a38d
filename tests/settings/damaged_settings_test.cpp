// Settings that a damaged or hand-edited file, or an installation the user can't write to,
// brings: remembered window sizes far beyond the screen, control codes in the call sign, and
// a settings file beside a read-only executable.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <limits>
#include <string_view>

#include "mainwindow/main_window.h"
#include "platform/picture_box.h"
#include "platform/program_folder.h"
#include "platform/twips.h"
#include "platform/window_caption.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/test_files.h"

namespace {

using namespace std::string_view_literals;
using testing_support::FormHarness;
using testing_support::ReadAll;
using testing_support::WriteAll;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A settings file in the harness's program folder: the reset values with the size remembered,
// the window size `size` and the call sign `call`.
void WriteSettingsFile(FormHarness& harness, KVXmodules::WindowSizeTwips size,
                       const QString& call = {}) {
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetRecord(record);
    record.RememberScreenSize = KVXmodules::kFlagSet;
    record.OperatorCall = call;
    WriteAll(harness.filePath(QStringLiteral("QUORVIN.ini")),
             KVXmodules::SettingsFileBytes(record, size, u"0.1.0"));
}

// Text that may hold NUL characters.
QString Text(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QSize AvailableArea() {
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}

// ---- window size ----

struct BoundCase {
    double twips;
    int current;
    int available;
    int expected;
};

TEST(BoundedWindowPixels, NoLargerThanTheScreenAndNoNumberKeepsTheSize) {
    const BoundCase cases[] = {
        {9930, 700, 800, 662},      {12000, 700, 800, 800},      {12015, 700, 800, 800},
        {1e30, 700, 800, 800},      {2147483647, 700, 600, 600}, {32768.0 * 15, 700, 600, 600},
        {kInfinity, 700, 800, 800}, {-3000, 700, 800, 0},        {-kInfinity, 700, 800, 0},
        {kNaN, 700, 800, 700},      {9930, 700, -1, 0},
    };
    for (const BoundCase& c : cases) {
        EXPECT_EQ(platform::BoundedWindowPixels(c.twips, c.current, c.available), c.expected)
            << c.twips << " twips on " << c.available << " pixels";
    }
}

class HugeRememberedSize : public ::testing::TestWithParam<double> {};

TEST_P(HugeRememberedSize, GivesAWindowNoLargerThanTheScreenAndIsSavedSo) {
    FormHarness harness;
    WriteSettingsFile(harness, {GetParam(), GetParam()});
    MainWindow& form = harness.load();
    const QSize available = AvailableArea();
    EXPECT_LE(form.width(), available.width());
    EXPECT_LE(form.height(), available.height());
    EXPECT_LE(form.Picture1->width(), available.width());
    EXPECT_LE(form.Picture1->height(), available.height());

    // The bounded size is what the next run finds.
    form.Form_Unload();
    KVXmodules::SettingsRecord saved;
    KVXmodules::ReadSettingsFile(ReadAll(harness.settings.SettingsFilePath), saved);
    EXPECT_LE(saved.ScreenWidth, static_cast<float>(platform::PixelsToTwips(available.width())));
    EXPECT_LE(saved.ScreenHeigth, static_cast<float>(platform::PixelsToTwips(available.height())));
}

INSTANTIATE_TEST_SUITE_P(DamagedFile, HugeRememberedSize,
                         ::testing::Values(1e30, 2147483647.0, 32768.0 * 15));

TEST(RememberedSize, ASizeWithinTheScreenIsStillApplied) {
    FormHarness harness;
    WriteSettingsFile(harness, {10500, 8250});
    MainWindow& form = harness.load();
    EXPECT_EQ(form.size(), QSize(700, 550));
}

TEST(RememberedSize, TheSettersAreBoundedToo) {
    FormHarness harness;
    MainWindow& form = harness.create();
    form.setOuterWidthTwips(std::numeric_limits<float>::max());
    form.setOuterHeightTwips(std::numeric_limits<float>::infinity());
    EXPECT_EQ(form.size(), AvailableArea());
    form.setOuterWidthTwips(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(form.size(), AvailableArea());
}

// ---- call sign in the caption ----

TEST(VisibleCaption, ControlCharactersAreShownOneForOne) {
    const struct {
        QString text;
        QString shown;
    } cases[] = {
        {QStringLiteral("PA3XYZ"), QStringLiteral("PA3XYZ")},
        {QStringLiteral("DL\tXYZ\r\n"), QStringLiteral("DL XYZ  ")},
        {Text(u"A\u0000B\u001BC\u007FD"sv), Text(u"A\uFFFDB\uFFFDC\uFFFDD"sv)},
        {Text(u"\u0081\u009D\u00A0\u00E9\u20AC"sv), Text(u"\uFFFD\uFFFD\u00A0\u00E9\u20AC"sv)},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::VisibleCaption(c.text), c.shown) << c.text.toUtf8().toHex(' ').data();
    }
}

TEST(VisibleCaption, ACallSignFromTheFileReachesTheCaptionWithoutControlCodes) {
    FormHarness harness;
    WriteSettingsFile(harness, {9930, 7230}, Text(u"G4\u0007X\tYZ\u001B"sv));
    MainWindow& form = harness.load();
    EXPECT_EQ(harness.settings.OperatorCall, Text(u"G4\u0007X\tYZ\u001B"sv));  // kept as read
    EXPECT_EQ(form.windowTitle(), MainWindow::designedCaption() + Text(u" - G4\uFFFDX YZ\uFFFD"sv));
}

// ---- settings file beside a read-only executable ----

TEST(CarrySettingsFileOver, CopiesOnlyIntoADataFolderWithoutOne) {
    const struct {
        bool executableFolderWritable;
        bool besideExecutable;
        bool inDataFolder;
        bool copied;
    } cases[] = {
        {false, true, false, true},   {true, true, false, false},  {false, true, true, false},
        {false, false, false, false}, {false, false, true, false},
    };
    for (const auto& c : cases) {
        const QTemporaryDir root;
        const QString executableFolder = root.filePath(QStringLiteral("bin"));
        const QString dataFolder = root.filePath(QStringLiteral("data/Quorvin"));
        ASSERT_TRUE(QDir().mkpath(executableFolder));
        const QString shipped = QDir(executableFolder).filePath(QStringLiteral("QUORVIN.ini"));
        const QString own = QDir(dataFolder).filePath(QStringLiteral("QUORVIN.ini"));
        if (c.besideExecutable) {
            WriteAll(shipped, "shipped\r\n");
        }
        if (c.inDataFolder) {
            ASSERT_TRUE(QDir().mkpath(dataFolder));
            WriteAll(own, "own\r\n");
        }
        const bool copied = platform::CarrySettingsFileOver(executableFolder,
                                                            c.executableFolderWritable, dataFolder);
        SCOPED_TRACE(::testing::Message()
                     << c.executableFolderWritable << c.besideExecutable << c.inDataFolder);
        EXPECT_EQ(copied, c.copied);
        EXPECT_EQ(ReadAll(own), c.inDataFolder ? "own\r\n" : (c.copied ? "shipped\r\n" : ""));
        EXPECT_EQ(QFile::exists(shipped), c.besideExecutable);  // copied, never moved
    }
}

TEST(CarrySettingsFileOver, AReadOnlyShippedFileBecomesTheUsersToSave) {
    const QTemporaryDir root;
    const QString shipped = root.filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(shipped, "shipped\r\n");
    ASSERT_TRUE(QFile::setPermissions(
        shipped, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QString dataFolder = root.filePath(QStringLiteral("data"));
    ASSERT_TRUE(platform::CarrySettingsFileOver(root.path(), false, dataFolder));
    EXPECT_TRUE(QFile::permissions(QDir(dataFolder).filePath(QStringLiteral("QUORVIN.ini"))) &
                QFileDevice::WriteOwner);
}

}  // namespace

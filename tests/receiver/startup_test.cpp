// Start-up and shutdown of the main window: the load sequence, the engine's start and
// configuration, the timer intervals, the background skin, the remembered window size and the
// unload sequence, on a recording engine with scripted dialogs in a temporary program folder.

#include "receiver/startup.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "receiver/receive_controller.h"
#include "settings/engine_arguments.h"
#include "settings/engine_tuning.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/recording_engine.h"
#include "support/scripted_dialogs.h"

namespace {

using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using testing_support::Call;
using testing_support::EngineCall;
using testing_support::FormHarness;

// A settings file in the harness's program folder: the reset values, changed by `edit`.
template <typename Edit>
void WriteSettingsFile(FormHarness& harness, Edit edit,
                       KVXmodules::WindowSizeTwips size = {9930, 7230}) {
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetRecord(record);
    edit(record);
    QFile file(harness.filePath(QStringLiteral("QUORVIN.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = KVXmodules::SettingsFileBytes(record, size, u"0.1.0");
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The calls from the first fnStartSoundCard on.
std::vector<EngineCall> CallsFromStart(const testing_support::RecordingEngine& engine) {
    const auto& calls = engine.calls();
    auto start = std::find_if(calls.begin(), calls.end(),
                              [](const EngineCall& c) { return c.name == "fnStartSoundCard"; });
    return {start, calls.end()};
}

const std::vector<EngineCall> kConfiguration{
    Call("fnStartSoundCard", {0, 1}),        Call("fnStartSoundCard", {0, 1}),
    Call("fnSetRXFrequency", {1500, 50, 0}), Call("fnSetRXPSKMode", {0, 0}),
    Call("fnSetFFTMode", {5, 1500, 0}),      Call("fnSetSquelchThreshold", {5, 1, 0}),
    Call("fnSetRXPSKMode", {0, 0}),
};

TEST(StartUp, StartsTheEngineTwiceThenConfiguresItAndSendsTheShownMode) {
    FormHarness harness;
    MainWindow& form = harness.load();
    EXPECT_EQ(harness.engine.calls(), kConfiguration);
    for (const EngineCall& call : harness.engine.calls()) {
        if (call.name == "fnStartSoundCard") {
            EXPECT_EQ(call.sink, &form.messageSink());
        }
    }
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST(StartUp, SavedQpskModeReachesTheEngineBeforeAndAfterTheStart) {
    FormHarness harness;
    WriteSettingsFile(harness, [](KVXmodules::SettingsRecord& r) { r.PSKMode = 2; });
    MainWindow& form = harness.load();
    EXPECT_TRUE(form.Option3->isChecked());
    std::vector<EngineCall> expected{Call("fnSetRXPSKMode", {2, 0})};
    expected.insert(expected.end(), kConfiguration.begin(), kConfiguration.end());
    expected.back() = Call("fnSetRXPSKMode", {2, 0});
    EXPECT_EQ(harness.engine.calls(), expected);
    EXPECT_EQ(form.receive().selectedMode(), 2);
}

TEST(StartUp, FractionalSettingsRoundHalfToEvenForTheEngine) {
    FormHarness harness;
    WriteSettingsFile(harness, [](KVXmodules::SettingsRecord& r) {
        r.RXfreqMaxRange = 1000;
        r.RXSearchRange = 2.5;
        r.SmoothingSpeed = 3.5;
        r.Sensitivity = 900;
        r.SquelchMax = 0.5;
        r.SquelchSpeed = 1.5;
    });
    harness.load();
    const std::vector<EngineCall> calls = CallsFromStart(harness.engine);
    ASSERT_EQ(calls.size(), kConfiguration.size());
    EXPECT_EQ(calls[2], Call("fnSetRXFrequency", {1000, 2, 0}));
    EXPECT_EQ(calls[4], Call("fnSetFFTMode", {4, 900, 0}));
    EXPECT_EQ(calls[5], Call("fnSetSquelchThreshold", {0, 2, 0}));
}

TEST(StartUp, FailedStartShowsOneBoxAndConfiguresTheEngineForTheCardItWaitsFor) {
    FormHarness harness;
    harness.engine.startResult = 3;
    MainWindow& form = harness.load();
    // No second start; the configuration follows, so that a sound card that arrives later is
    // heard at the saved tuning.
    std::vector<EngineCall> expectedCalls = kConfiguration;
    expectedCalls.erase(expectedCalls.begin() + 1);
    EXPECT_EQ(CallsFromStart(harness.engine), expectedCalls);
    const std::vector<MessageBoxRequest> expected{{QStringLiteral("Unable to initiate soundcard"),
                                                   QStringLiteral("Quorvin"), MsgButtons::Ok,
                                                   MsgIcon::None}};
    EXPECT_EQ(harness.dialogs.messageBoxes(), expected);
    EXPECT_EQ(harness.dialogs.shown().size(), 1U);

    // The window stays usable: the mode options still reach the engine.
    harness.engine.clearCalls();
    form.Option2->setChecked(true);
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{Call("fnSetRXPSKMode", {1, 0})}));
}

TEST(StartUp, LoadSequenceIsInPlaceWhenTheEngineStarts) {
    FormHarness harness;
    WriteSettingsFile(harness, [](KVXmodules::SettingsRecord& r) {
        r.BackgroundSkin = KVXmodules::kFlagSet;
        r.ProgramTimerInterval = 25;
    });
    bool checked = false;
    MainWindow* form = nullptr;
    harness.engine.onCall = [&](const EngineCall& call) {
        if (call.name != "fnStartSoundCard" || checked) {
            return;
        }
        checked = true;
        const QString folder = harness.programFolder();
        EXPECT_EQ(QDir::current(), QDir(folder));
        EXPECT_EQ(form->HelpFile, QDir(folder).filePath(QStringLiteral("HELP.md")));
        EXPECT_EQ(harness.settings.CaptionPrefix, MainWindow::designedCaption() + " - ");
        EXPECT_EQ(harness.settings.SettingsFilePath,
                  QDir(folder).filePath(QStringLiteral("QUORVIN.ini")));
        EXPECT_EQ(harness.settings.SaveWorkingDSP, 0);
        // Loaded before the start, and hooked before the start.
        EXPECT_EQ(harness.settings.ProgramTimerInterval, 25);
        EXPECT_EQ(form->Timer1->interval(), 25);
        EXPECT_EQ(form->Timer2->interval(), 25);
        EXPECT_TRUE(static_cast<bool>(form->receive().receiverBuffers.PreviousWindowProc));
        // The skin comes after the engine.
        EXPECT_FALSE(form->img_Background->isVisibleTo(form->client));
    };
    form = &harness.create();
    form->Form_Load();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(form->img_Background->isVisibleTo(form->client));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->Timer2->isActive());
    EXPECT_TRUE(form->Timer3->isActive());
    EXPECT_EQ(form->Timer3->interval(), 1000);
}

struct IntervalCase {
    std::int16_t stored;
    std::int16_t applied;
};

class TimerInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(TimerInterval, OutsideOneToHundredBecomesTenAndIsKept) {
    const IntervalCase c = GetParam();
    FormHarness harness;
    WriteSettingsFile(harness,
                      [&](KVXmodules::SettingsRecord& r) { r.ProgramTimerInterval = c.stored; });
    MainWindow& form = harness.load();
    EXPECT_EQ(form.Timer1->interval(), c.applied);
    EXPECT_EQ(form.Timer2->interval(), c.applied);
    EXPECT_EQ(harness.settings.ProgramTimerInterval, c.applied);

    // The corrected value is the one written at exit.
    form.Form_Unload();
    QFile file(harness.settings.SettingsFilePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 40);
    EXPECT_EQ(lines[39].trimmed().toInt(), c.applied);
}

INSTANTIATE_TEST_SUITE_P(StartUp, TimerInterval,
                         ::testing::Values(IntervalCase{0, 10}, IntervalCase{1, 1},
                                           IntervalCase{100, 100}, IntervalCase{101, 10},
                                           IntervalCase{-1, 10}));

TEST(StartUp, ValidTimerInterval) {
    EXPECT_EQ(KVXmodules::ValidTimerInterval(0), 10);
    EXPECT_EQ(KVXmodules::ValidTimerInterval(1), 1);
    EXPECT_EQ(KVXmodules::ValidTimerInterval(100), 100);
    EXPECT_EQ(KVXmodules::ValidTimerInterval(101), 10);
    EXPECT_EQ(KVXmodules::ValidTimerInterval(std::numeric_limits<std::int16_t>::min()), 10);
}

TEST(StartUp, EngineArgumentRoundsHalfToEvenAndSaturates) {
    EXPECT_EQ(KVXmodules::EngineArgument(2.5), 2);
    EXPECT_EQ(KVXmodules::EngineArgument(3.5), 4);
    EXPECT_EQ(KVXmodules::EngineArgument(-2.5), -2);
    EXPECT_EQ(KVXmodules::EngineArgument(49.4999), 49);
    EXPECT_EQ(KVXmodules::EngineArgument(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(KVXmodules::EngineArgument(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(KVXmodules::EngineArgument(std::nan("")), 0);
}

// ---- remembered window size ----

TEST(RememberedSize, ThresholdsAreStrictlyGreater) {
    using receiver::RememberedSizeApplies;
    EXPECT_FALSE(RememberedSizeApplies(-1, 4000.0F, 9000.0F));
    EXPECT_TRUE(RememberedSizeApplies(-1, 4001.0F, 6001.0F));
    EXPECT_FALSE(RememberedSizeApplies(-1, 9000.0F, 6000.0F));
    EXPECT_TRUE(RememberedSizeApplies(-1, 4000.5F, 6000.5F));
    EXPECT_TRUE(RememberedSizeApplies(1, 9000.0F, 9000.0F));
    EXPECT_FALSE(RememberedSizeApplies(0, 9000.0F, 9000.0F));
}

struct SizeCase {
    float width;
    float height;
    bool applied;
};

class RememberedSizeAtStart : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RememberedSizeAtStart, AppliesOnlyAboveTheThresholds) {
    const SizeCase c = GetParam();
    FormHarness harness;
    WriteSettingsFile(
        harness, [](KVXmodules::SettingsRecord& r) { r.RememberScreenSize = KVXmodules::kFlagSet; },
        {c.width, c.height});
    MainWindow& form = harness.create();
    const QSize designed = form.size();
    form.Form_Load();
    EXPECT_TRUE(form.menuscreensize->isChecked());
    if (c.applied) {
        // A size below the window's smallest is raised to it.
        EXPECT_EQ(form.width(),
                  std::max(static_cast<int>(std::lround(c.width / 15.0F)), form.minimumWidth()));
        EXPECT_EQ(form.height(),
                  std::max(static_cast<int>(std::lround(c.height / 15.0F)), form.minimumHeight()));
    } else {
        EXPECT_EQ(form.size(), designed);
    }
}

INSTANTIATE_TEST_SUITE_P(StartUp, RememberedSizeAtStart,
                         ::testing::Values(SizeCase{9000, 4000, false}, SizeCase{6000, 9000, false},
                                           SizeCase{6001, 4001, true},
                                           SizeCase{12000, 9000, true}));

TEST(RememberedSize, NotAppliedWhenTheSettingIsOff) {
    FormHarness harness;
    WriteSettingsFile(harness, [](KVXmodules::SettingsRecord&) {}, {12000, 9000});
    MainWindow& form = harness.create();
    const QSize designed = form.size();
    form.Form_Load();
    EXPECT_EQ(form.size(), designed);
}

TEST(RememberedSize, AStoredSizeRestoresExactly) {
    FormHarness harness;
    WriteSettingsFile(
        harness, [](KVXmodules::SettingsRecord& r) { r.RememberScreenSize = KVXmodules::kFlagSet; },
        {12000, 9000});
    MainWindow& form = harness.load();
    EXPECT_EQ(form.outerWidthTwips(), 12000.0F);
    EXPECT_EQ(form.outerHeightTwips(), 9000.0F);
    form.Form_Unload();

    // The next run gets the same size back.
    FormHarness next;
    QFile::copy(harness.settings.SettingsFilePath, next.filePath(QStringLiteral("QUORVIN.ini")));
    MainWindow& again = next.load();
    EXPECT_EQ(again.outerWidthTwips(), 12000.0F);
    EXPECT_EQ(again.outerHeightTwips(), 9000.0F);
}

// ---- background skin ----

TEST(BackgroundSkin, ShownWithThePictureFromTheProgramFolder) {
    FormHarness harness;
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(10, 120, 30));
    ASSERT_TRUE(picture.save(harness.filePath(QStringLiteral("background.jpg")), "JPG"));
    WriteSettingsFile(
        harness, [](KVXmodules::SettingsRecord& r) { r.BackgroundSkin = KVXmodules::kFlagSet; });
    MainWindow& form = harness.load();
    EXPECT_TRUE(form.img_Background->isVisibleTo(form.client));
    EXPECT_EQ(form.img_Background->size(), QSize(640, 480));
    EXPECT_FALSE(form.img_Background->picture().isNull());
    EXPECT_TRUE(form.menusetupbackground->isChecked());

    // Unloading releases the picture.
    form.Form_Unload();
    EXPECT_TRUE(form.img_Background->picture().isNull());
}

TEST(BackgroundSkin, MissingPictureStillShowsTheImage) {
    FormHarness harness;
    WriteSettingsFile(
        harness, [](KVXmodules::SettingsRecord& r) { r.BackgroundSkin = KVXmodules::kFlagSet; });
    MainWindow& form = harness.load();
    EXPECT_TRUE(form.img_Background->isVisibleTo(form.client));
    EXPECT_TRUE(form.img_Background->picture().isNull());
    EXPECT_TRUE(form.menusetupbackground->isChecked());
}

TEST(BackgroundSkin, HiddenWhenOff) {
    FormHarness harness;
    MainWindow& form = harness.load();
    form.img_Background->show();
    form.menusetupbackground->setChecked(true);
    form.LoadBackgroundSkin();
    EXPECT_FALSE(form.img_Background->isVisibleTo(form.client));
    EXPECT_TRUE(form.menusetupbackground->isChecked());
}

// ---- shutdown ----

TEST(Shutdown, StopsTheEngineBeforeWritingTheSettings) {
    FormHarness harness;
    MainWindow& form = harness.show();
    const QString path = harness.settings.SettingsFilePath;
    ASSERT_FALSE(QFile::exists(path));
    bool stoppedBeforeSave = false;
    harness.engine.onCall = [&](const EngineCall& call) {
        if (call.name == "fnStopSoundCard") {
            stoppedBeforeSave = !QFile::exists(path);
        }
    };
    harness.engine.clearCalls();
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(stoppedBeforeSave);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{Call("fnStopSoundCard", {})}));

    // A second close does not run the unload sequence again.
    harness.engine.clearCalls();
    form.Form_Unload();
    EXPECT_TRUE(harness.engine.calls().empty());
}

TEST(Shutdown, ExitMenuUnloadsTheWindow) {
    FormHarness harness;
    MainWindow& form = harness.show();
    harness.engine.clearCalls();
    form.mnuFileExit->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{Call("fnStopSoundCard", {})}));
    EXPECT_TRUE(QFile::exists(harness.settings.SettingsFilePath));
}

TEST(Shutdown, AWindowDestroyedWithoutUnloadStillStopsTheEngine) {
    FormHarness harness;
    harness.load();
    harness.engine.clearCalls();
    harness.destroy();
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{Call("fnStopSoundCard", {})}));
}

TEST(Shutdown, AWindowWhoseEngineFailedStopsItsWaitForTheCardWhenDestroyed) {
    FormHarness harness;
    harness.engine.startResult = 1;
    harness.load();
    harness.engine.clearCalls();
    harness.destroy();
    EXPECT_EQ(harness.engine.calls(), (std::vector<EngineCall>{Call("fnStopSoundCard", {})}));
}

// Tuning takes the search range the record holds at each call, rounded for the engine, and
// tunes the receiver before the transmit frequency.
TEST(EngineTuning, SendsTheSearchRangeOfTheMomentAndTunesReceiverFirst) {
    testing_support::RecordingEngine engine;
    KVXmodules::SettingsRecord settings;
    settings.RXSearchRange = 12.5;
    KVXmodules::EngineTuning tuning(engine, settings);
    tuning.tune(1500);
    settings.RXSearchRange = 13.5;
    tuning.tuneReceiver(900);
    EXPECT_EQ(engine.calls(), (std::vector<EngineCall>{Call("fnSetRXFrequency", {1500, 12, 0}),
                                                       Call("fnSetTXFrequency", {1500}),
                                                       Call("fnSetRXFrequency", {900, 14, 0})}));
}

}  // namespace

// Choosing the sound card input: the remembered device in the settings file after line 48, its
// use at start-up and the fallback to the default input when it is missing, and the Audio Input
// window with its staged choice, driven offscreen on a recording engine with a scripted device
// list, scripted dialogs and a temporary program folder.

#include "setup/audio_input.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "mainwindow/main_window.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "setup/audio_input_window.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/keyboard.h"
#include "support/recording_clipboard.h"
#include "support/recording_engine.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using testing_support::ReadAll;
using testing_support::WriteAll;

using KVXmodules::SettingsRecord;
using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using pskmodem::InputDeviceInfo;
using testing_support::Call;
using testing_support::EngineCall;
using testing_support::FormHarness;

// The machine of these tests: a built-in card (the default), a USB interface under two host
// APIs, and one whose name the settings file's 8-bit text cannot hold.
std::vector<InputDeviceInfo> Machine() {
    return {
        {"Built-in Audio Analog Stereo", "ALSA", 1, 0, true, 2, 48000.0},
        {"USB Audio CODEC: Äudio (hw:2,0)", "ALSA", 2, 4, false, 1, 44100.0},
        {"USB Audio CODEC: Äudio (hw:2,0)", "JACK Audio Connection Kit", 3, 9, false, 2, 48000.0},
        {"\xe3\x83\x9e\xe3\x82\xa4\xe3\x82\xaf USB", "ALSA", 4, 11, false, 1, 48000.0},
    };
}

QByteArray FileBytes(const SettingsRecord& record) {
    return KVXmodules::SettingsFileBytes(record, {9930, 7230}, u"0.1.0");
}

QStringList LinesOf(const QByteArray& bytes) {
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

SettingsRecord ResetRecord() {
    SettingsRecord r;
    KVXmodules::DefaultSetRecord(r);
    r.ProgramTimerInterval = 10;
    return r;
}

// A settings file in the harness's program folder: the reset values, changed by `edit`.
template <typename Edit>
void WriteSettingsFile(FormHarness& harness, Edit edit) {
    SettingsRecord record = ResetRecord();
    edit(record);
    WriteAll(harness.filePath(QStringLiteral("QUORVIN.ini")), FileBytes(record));
}

QString MissingText(const char* caption) {
    return QStringLiteral(
               "The sound card input \"%1\" chosen in Setup > Audio Input was not found. Quorvin "
               "receives from the system's default input instead; the chosen input is used again "
               "once it is back.")
        .arg(QString::fromUtf8(caption));
}

// ---- the settings file ----------------------------------------------------------------------

TEST(AudioInputFile, TheDefaultInputKeepsThePlain48Lines) {
    EXPECT_EQ(LinesOf(FileBytes(ResetRecord())).size(), 48);
}

TEST(AudioInputFile, AChosenInputAndCorrectionFollowLine48) {
    SettingsRecord r = ResetRecord();
    r.AudioInput = QStringLiteral("USB Audio CODEC: Äudio (hw:2,0)");
    r.AudioInputHostApi = QStringLiteral("JACK Audio Connection Kit");
    r.SampleRateCorrection = -125;
    const QByteArray bytes = FileBytes(r);
    const QStringList lines = LinesOf(bytes);
    ASSERT_EQ(lines.size(), 53);
    EXPECT_EQ(lines.mid(48),
              (QStringList{"[AudioInput]", "USB Audio CODEC: Äudio (hw:2,0)",
                           "JACK Audio Connection Kit", "[SampleRateCorrection]", "-125 "}));
    EXPECT_TRUE(bytes.contains("\xc4udio")) << "Windows-1252 like the rest of the file";
    // The first 48 lines are those of the same record without a choice.
    EXPECT_EQ(lines.mid(0, 48), LinesOf(FileBytes(ResetRecord())));

    // Only a correction: its section alone.
    SettingsRecord corrected = ResetRecord();
    corrected.SampleRateCorrection = 5000;
    EXPECT_EQ(LinesOf(FileBytes(corrected)).mid(48),
              (QStringList{"[SampleRateCorrection]", " 5000 "}));
}

TEST(AudioInputFile, RoundTripsAndAnOlderFileGivesTheDefault) {
    SettingsRecord written = ResetRecord();
    written.AudioInput = QStringLiteral("USB Audio CODEC: Äudio (hw:2,0)");
    written.AudioInputHostApi = QStringLiteral("ALSA");
    written.SampleRateCorrection = 250;
    SettingsRecord read = ResetRecord();
    EXPECT_FALSE(KVXmodules::ReadSettingsFile(FileBytes(written), read).failed);
    EXPECT_EQ(read.AudioInput, written.AudioInput);
    EXPECT_EQ(read.AudioInputHostApi, "ALSA");
    EXPECT_EQ(read.SampleRateCorrection, 250);
    EXPECT_EQ(read.RXfreqMaxRange, 1500);

    // The band activity window: written only when open or placed, read back.
    EXPECT_EQ(LinesOf(FileBytes(written)).size(), 53);
    written.BandActivityOpen = KVXmodules::kFlagSet;
    written.BandActivityLeft = 20;
    written.BandActivityTop = -15;
    EXPECT_EQ(LinesOf(FileBytes(written)).mid(53),
              (QStringList{"[BandActivity]", "-1 ", " 20 ", "-15 "}));
    EXPECT_FALSE(KVXmodules::ReadSettingsFile(FileBytes(written), read).failed);
    EXPECT_EQ(read.BandActivityOpen, KVXmodules::kFlagSet);
    EXPECT_EQ(read.BandActivityLeft, 20);
    EXPECT_EQ(read.BandActivityTop, -15);

    // A file of an older version ends at line 48: the default input without correction, even
    // over a record that held a choice.
    const QByteArray older = FileBytes(ResetRecord());
    EXPECT_FALSE(KVXmodules::ReadSettingsFile(older, read).failed);
    EXPECT_EQ(read.AudioInput, "");
    EXPECT_EQ(read.AudioInputHostApi, "");
    EXPECT_EQ(read.SampleRateCorrection, 0);
    EXPECT_EQ(read.BandActivityOpen, KVXmodules::kFlagClear);
    EXPECT_EQ(read.BandActivityLeft, KVXmodules::kNoBandActivityPosition);
}

TEST(AudioInputFile, SectionsAreFoundWhereverTheyStandAndBadValuesArePassedOver) {
    QByteArray bytes = FileBytes(ResetRecord());
    bytes +=
        "[FutureSection]\r\n 7 \r\n  [samplerateCORRECTION] \r\n-4999.6\r\n"
        "[AudioInput]\r\nPreSonus\r\n";  // ends without a host API line
    SettingsRecord r = ResetRecord();
    EXPECT_FALSE(KVXmodules::ReadSettingsFile(bytes, r).failed);
    EXPECT_EQ(r.SampleRateCorrection, -5000);
    EXPECT_EQ(r.AudioInput, "PreSonus");
    EXPECT_EQ(r.AudioInputHostApi, "");

    for (const char* bad : {" 5001 ", "-6000", "abc", "", " 1e99 "}) {
        QByteArray file = FileBytes(ResetRecord());
        file += QByteArray("[SampleRateCorrection]\r\n") + bad + "\r\n";
        SettingsRecord other = ResetRecord();
        const auto result = KVXmodules::ReadSettingsFile(file, other);
        EXPECT_FALSE(result.failed) << bad;
        EXPECT_EQ(other.SampleRateCorrection, 0) << bad;
    }
}

TEST(AudioInputFile, AReaderOfThe48LinesReadsTheSameValues) {
    SettingsRecord r = ResetRecord();
    r.RXfreqMaxRange = 1234;
    r.ScreenHeigth = 0;
    SettingsRecord chosen = r;
    chosen.AudioInput = QStringLiteral("[PSKMode]");  // even a name like a section line
    chosen.SampleRateCorrection = 12;
    const QStringList plain = LinesOf(FileBytes(r));
    const QStringList extended = LinesOf(FileBytes(chosen));
    EXPECT_EQ(extended.mid(0, 48), plain);
    SettingsRecord read = ResetRecord();
    EXPECT_FALSE(KVXmodules::ReadSettingsFile(FileBytes(chosen), read).failed);
    EXPECT_EQ(read.RXfreqMaxRange, 1234);
    EXPECT_EQ(read.PSKMode, 0);
    EXPECT_EQ(read.AudioInput, "[PSKMode]");
}

// ---- finding the remembered device -------------------------------------------------------------

TEST(RememberedInput, ByNameAndHostApiThenByNameInTheFilesForm) {
    const auto devices = Machine();
    SettingsRecord r = ResetRecord();
    EXPECT_FALSE(KVXmodules::RememberedInput(devices, r)) << "none remembered: the default";

    r.AudioInput = QStringLiteral("USB Audio CODEC: Äudio (hw:2,0)");
    r.AudioInputHostApi = QStringLiteral("JACK Audio Connection Kit");
    EXPECT_EQ(KVXmodules::RememberedInput(devices, r)->card, 3);
    r.AudioInputHostApi = QStringLiteral("PulseAudio");
    EXPECT_EQ(KVXmodules::RememberedInput(devices, r)->card, 2);
    r.AudioInput = QStringLiteral("Unplugged");
    EXPECT_FALSE(KVXmodules::RememberedInput(devices, r));

    // A name the file cannot hold comes back with question marks and is still found, with the
    // device's own name.
    SettingsRecord written = ResetRecord();
    KVXmodules::StoreInputChoice({devices[3], 0}, written);
    SettingsRecord read = ResetRecord();
    ASSERT_FALSE(KVXmodules::ReadSettingsFile(FileBytes(written), read).failed);
    EXPECT_EQ(read.AudioInput, "??? USB");
    const auto found = KVXmodules::RememberedInput(devices, read);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->card, 4);
    EXPECT_EQ(found->name, devices[3].name);
}

TEST(RememberedInput, Captions) {
    const auto devices = Machine();
    EXPECT_EQ(KVXmodules::InputCaption(devices[2]),
              "USB Audio CODEC: Äudio (hw:2,0) [JACK Audio Connection Kit]");
    EXPECT_EQ(KVXmodules::InputCaption(QStringLiteral("Card"), QString()), "Card");
    EXPECT_EQ(KVXmodules::DefaultInputCaption(devices),
              "Default: the system's default input (Built-in Audio Analog Stereo [ALSA])");
    EXPECT_EQ(KVXmodules::DefaultInputCaption({}), "Default: the system's default input");
}

// ---- start-up --------------------------------------------------------------------------------

TEST(AudioInputStartUp, NothingChosenStartsOnTheDefaultWithoutListingTheDevices) {
    FormHarness harness;
    harness.engine.inputDevices = Machine();
    harness.load();
    const auto names = harness.engine.callNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "fnListInputDevices"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "fnSetSoundCardInput"), 0);
    EXPECT_EQ(harness.engine.calls()[0], Call("fnStartSoundCard", {0, 1}));
}

TEST(AudioInputStartUp, ARememberedDeviceAndCorrectionAreUsedFromTheStart) {
    FormHarness harness;
    harness.engine.inputDevices = Machine();
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.AudioInput = QStringLiteral("USB Audio CODEC: Äudio (hw:2,0)");
        r.AudioInputHostApi = QStringLiteral("JACK Audio Connection Kit");
        r.SampleRateCorrection = -40;
    });
    harness.load();
    const std::vector<EngineCall> calls = harness.engine.calls();
    ASSERT_GE(calls.size(), 4U);
    EXPECT_EQ(calls[0], Call("fnListInputDevices", {}));
    EXPECT_EQ(calls[1], Call("fnSetSoundCardInput", {3, -40}));
    EXPECT_EQ(calls[2], Call("fnStartSoundCard", {3, 1}));
    EXPECT_EQ(calls[3], Call("fnStartSoundCard", {3, 1}));
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST(AudioInputStartUp, AMissingDeviceFallsBackToTheDefaultWithAClearMessage) {
    FormHarness harness;
    harness.engine.inputDevices = Machine();
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.AudioInput = QStringLiteral("PreSonus AudioBox USB");
        r.AudioInputHostApi = QStringLiteral("ALSA");
        r.SampleRateCorrection = 80;
    });
    MainWindow& form = harness.load();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              (std::vector<MessageBoxRequest>{{MissingText("PreSonus AudioBox USB [ALSA]"),
                                               QStringLiteral("Audio Input"), MsgButtons::Ok,
                                               MsgIcon::Exclamation}}));
    const std::vector<EngineCall> calls = harness.engine.calls();
    ASSERT_GE(calls.size(), 4U);
    EXPECT_EQ(calls[1], Call("fnSetSoundCardInput", {0, 80}));
    EXPECT_EQ(calls[2], Call("fnStartSoundCard", {0, 1}));
    EXPECT_EQ(calls[3], Call("fnStartSoundCard", {0, 1}));

    // The choice stays remembered for when the device is back.
    form.Form_Unload();
    const QStringList lines = LinesOf(ReadAll(harness.filePath(QStringLiteral("QUORVIN.ini"))));
    ASSERT_EQ(lines.size(), 53);
    EXPECT_EQ(lines[49], "PreSonus AudioBox USB");
    EXPECT_EQ(lines[52], " 80 ");

    // A machine without any input device: the same message.
    FormHarness bare;
    WriteSettingsFile(bare, [](SettingsRecord& r) { r.AudioInput = QStringLiteral("Gone"); });
    bare.load();
    EXPECT_EQ(bare.dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(bare.dialogs.messageBoxes()[0].text, MissingText("Gone"));
}

TEST(AudioInputStartUp, ARecordingOrTheSimulatorNeitherListsNorCorrects) {
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    testing_support::RecordingEngine engine;
    engine.inputDevices = Machine();
    QTemporaryDir folder;
    SettingsRecord record = ResetRecord();
    record.AudioInput = QStringLiteral("Gone");
    record.SampleRateCorrection = 80;
    WriteAll(QDir(folder.path()).filePath(QStringLiteral("QUORVIN.ini")), FileBytes(record));
    const QString current = QDir::currentPath();
    {
        MainWindow form(MainWindowServices{settings, dialogs, clipboard, engine, folder.path(),
                                           nullptr, false});
        form.Form_Load();
        EXPECT_TRUE(dialogs.shown().empty());
        EXPECT_EQ(engine.calls()[0], Call("fnStartSoundCard", {0, 1}));
        const auto names = engine.callNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), "fnSetSoundCardInput"), 0);
        EXPECT_EQ(std::count(names.begin(), names.end(), "fnListInputDevices"), 0);
    }
    QDir::setCurrent(current);
}

// ---- the Audio Input window --------------------------------------------------------------------

class AudioInputChoice : public ::testing::Test {
  protected:
    void SetUp() override { harness.engine.inputDevices = Machine(); }

    MainWindow& Load() {
        MainWindow& form = harness.show();
        harness.engine.clearCalls();
        harness.dialogs.clear();
        return form;
    }

    AudioInputWindow& Open() {
        harness.form().menuaudioinput->trigger();
        AudioInputWindow* window = harness.form().setup().audioInputWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    static QStringList Entries(const QListWidget* list) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i) {
            entries.append(list->item(i)->text());
        }
        return entries;
    }

    FormHarness harness;
};

TEST_F(AudioInputChoice, ListsTheDefaultThenEveryDeviceByNameAndHostApi) {
    MainWindow& form = Load();
    EXPECT_EQ(form.menuaudioinput->text(), "Audio Input...");
    AudioInputWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), "Audio Input");
    EXPECT_EQ(w.Frame1->title(), "Sound card input");
    EXPECT_EQ(w.Frame2->title(), "Sample-rate correction");
    EXPECT_EQ(Entries(w.List1),
              (QStringList{
                  "Default: the system's default input (Built-in Audio Analog Stereo [ALSA])",
                  "Built-in Audio Analog Stereo [ALSA]", "USB Audio CODEC: Äudio (hw:2,0) [ALSA]",
                  "USB Audio CODEC: Äudio (hw:2,0) [JACK Audio Connection Kit]",
                  QString::fromUtf8("\xe3\x83\x9e\xe3\x82\xa4\xe3\x82\xaf USB [ALSA]")}));
    EXPECT_EQ(w.List1->currentRow(), 0);
    EXPECT_EQ(w.Spin1->value(), 0);
    EXPECT_EQ(w.Spin1->suffix(), " ppm");
    EXPECT_TRUE(w.Label1->isHidden());
    EXPECT_TRUE(w.Label4->isHidden());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(harness.engine.callNames(), std::vector<std::string>{"fnListInputDevices"});

    // Open already: brought to the front with what was chosen.
    w.List1->setCurrentRow(2);
    form.menuaudioinput->trigger();
    EXPECT_EQ(form.setup().audioInputWindow(), &w);
    EXPECT_EQ(w.List1->currentRow(), 2);
}

TEST_F(AudioInputChoice, OkRestartsTheCaptureAtOnceAndTheChoiceSurvivesARestart) {
    MainWindow& form = Load();
    AudioInputWindow& w = Open();
    w.List1->setCurrentRow(3);
    w.Spin1->setValue(250);
    harness.engine.clearCalls();
    w.Command1->click();
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{Call("fnSetSoundCardInput", {3, 250})}));
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(form.setup().audioInputWindow(), nullptr);
    EXPECT_EQ(harness.settings.AudioInput, "USB Audio CODEC: Äudio (hw:2,0)");
    EXPECT_EQ(harness.settings.AudioInputHostApi, "JACK Audio Connection Kit");
    EXPECT_EQ(harness.settings.SampleRateCorrection, 250);

    // Leaving writes it; the next run starts on it and the window shows it chosen.
    form.Form_Unload();
    const QByteArray file = ReadAll(harness.filePath(QStringLiteral("QUORVIN.ini")));
    FormHarness next;
    next.engine.inputDevices = Machine();
    WriteAll(next.filePath(QStringLiteral("QUORVIN.ini")), file);
    MainWindow& again = next.show();
    EXPECT_TRUE(next.dialogs.shown().empty());
    const std::vector<EngineCall> calls = next.engine.calls();
    EXPECT_EQ(calls[1], Call("fnSetSoundCardInput", {3, 250}));
    EXPECT_EQ(calls[2], Call("fnStartSoundCard", {3, 1}));
    again.menuaudioinput->trigger();
    ASSERT_NE(again.setup().audioInputWindow(), nullptr);
    EXPECT_EQ(again.setup().audioInputWindow()->List1->currentRow(), 3);
    EXPECT_EQ(again.setup().audioInputWindow()->Spin1->value(), 250);
}

TEST_F(AudioInputChoice, TheDefaultEntryForgetsTheDevice) {
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.AudioInput = QStringLiteral("Built-in Audio Analog Stereo");
        r.AudioInputHostApi = QStringLiteral("ALSA");
        r.SampleRateCorrection = 10;
    });
    Load();
    AudioInputWindow& w = Open();
    EXPECT_EQ(w.List1->currentRow(), 1);
    EXPECT_EQ(w.Spin1->value(), 10);
    w.List1->setCurrentRow(0);
    harness.engine.clearCalls();
    w.Command1->click();
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{Call("fnSetSoundCardInput", {0, 10})}));
    EXPECT_EQ(harness.settings.AudioInput, "");
    EXPECT_EQ(harness.settings.AudioInputHostApi, "");
    EXPECT_EQ(harness.settings.SampleRateCorrection, 10);
}

TEST_F(AudioInputChoice, ACorrectionOutsideTheRangeIsRefusedAsTyped) {
    Load();
    AudioInputWindow& w = Open();
    const MessageBoxRequest refused{
        QStringLiteral("The sound card clock correction must lie between -5000 and +5000 ppm."),
        QStringLiteral("Audio Input"), MsgButtons::Ok, MsgIcon::Exclamation};
    struct Case {
        const char* typed;
        bool accepted;
    };
    for (const Case& c :
         {Case{"99999", false}, Case{"-5001", false}, Case{"5001", false}, Case{"-5000", true}}) {
        harness.dialogs.clear();
        harness.engine.clearCalls();
        testing_support::FocusOn(w.Spin1);
        w.Spin1->selectAll();
        testing_support::TypeInFocus(QString::fromLatin1(c.typed));
        EXPECT_EQ(w.Spin1->text(), QString::fromLatin1(c.typed) + " ppm") << c.typed;
        w.Command1->click();
        if (c.accepted) {
            EXPECT_TRUE(harness.dialogs.shown().empty()) << c.typed;
            EXPECT_EQ(harness.settings.SampleRateCorrection, -5000);
        } else {
            ASSERT_EQ(harness.dialogs.messageBoxes().size(), 1U) << c.typed;
            EXPECT_EQ(harness.dialogs.messageBoxes()[0], refused);
            EXPECT_TRUE(harness.engine.calls().empty()) << c.typed;
            EXPECT_EQ(harness.settings.SampleRateCorrection, 0) << c.typed;
            EXPECT_FALSE(w.isHidden()) << "the window stays open for a correction";
        }
    }
}

TEST_F(AudioInputChoice, CancelTheCloseBoxAndEscapeChangeNothing) {
    MainWindow& form = Load();
    for (int way = 0; way < 3; ++way) {
        AudioInputWindow& w = Open();
        harness.engine.clearCalls();
        w.List1->setCurrentRow(2);
        w.Spin1->setValue(-300);
        if (way == 0) {
            w.Command2->click();
        } else if (way == 1) {
            w.close();
        } else {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&w, &escape);
        }
        EXPECT_EQ(form.setup().audioInputWindow(), nullptr) << way;
        EXPECT_TRUE(harness.engine.calls().empty()) << way;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(harness.settings.AudioInput, "");
    EXPECT_EQ(harness.settings.SampleRateCorrection, 0);
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST_F(AudioInputChoice, AnInputThatDoesNotStartIsReportedAndNothingIsStored) {
    MainWindow& form = Load();
    AudioInputWindow& w = Open();
    w.List1->setCurrentRow(2);
    harness.engine.inputResult = 2;
    w.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              (std::vector<MessageBoxRequest>{
                  {QStringLiteral("The sound card input \"USB Audio CODEC: Äudio (hw:2,0) [ALSA]\" "
                                  "could not be started. Quorvin goes on receiving from the input "
                                  "it had."),
                   QStringLiteral("Audio Input"), MsgButtons::Ok, MsgIcon::Exclamation}}));
    EXPECT_EQ(form.setup().audioInputWindow(), &w) << "the window stays open";
    EXPECT_EQ(harness.settings.AudioInput, "");

    // Another try that works.
    harness.engine.inputResult = 0;
    harness.dialogs.clear();
    w.List1->setCurrentRow(1);
    w.Command1->click();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(harness.settings.AudioInput, "Built-in Audio Analog Stereo");
}

TEST_F(AudioInputChoice, AMachineWithoutInputsSaysSo) {
    harness.engine.inputDevices.clear();
    Load();
    AudioInputWindow& w = Open();
    EXPECT_EQ(w.List1->count(), 1);
    EXPECT_FALSE(w.Label1->isHidden());
    EXPECT_EQ(w.Label1->text(), "The audio system lists no input device.");
}

TEST(AudioInputChoiceOffCard, WhileARecordingPlaysTheChoiceIsOnlyRemembered) {
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    testing_support::RecordingEngine engine;
    engine.inputDevices = Machine();
    QTemporaryDir folder;
    const QString current = QDir::currentPath();
    {
        MainWindow form(MainWindowServices{settings, dialogs, clipboard, engine, folder.path(),
                                           nullptr, false});
        form.Form_Load();
        engine.clearCalls();
        form.menuaudioinput->trigger();
        AudioInputWindow* w = form.setup().audioInputWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->Label4->isHidden());
        w->List1->setCurrentRow(2);
        w->Spin1->setValue(-7);
        w->Command1->click();
        EXPECT_EQ(engine.callNames(), std::vector<std::string>{"fnListInputDevices"});
        EXPECT_EQ(settings.AudioInput, "USB Audio CODEC: Äudio (hw:2,0)");
        EXPECT_EQ(settings.SampleRateCorrection, -7);
    }
    QDir::setCurrent(current);
}

}  // namespace

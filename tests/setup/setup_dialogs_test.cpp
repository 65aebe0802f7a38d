// The setup windows driven offscreen through their real controls, with scripted dialogs in a
// temporary program folder: PSK/DSP Setup (DspSetupWindow) with its field reading, checks in their
// order, storing, timer intervals, engine calls and settings file; PSK Alarm (AlarmSetupWindow)
// with its rules and the main window's alarm label; the text colour items, the background skin and
// the remembered window size; the font chooser (FontChooserWindow) from the keyboard.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>
#include <limits>
#include <vector>

#include "mainwindow/background_skin.h"
#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "notebook/notebook_editor.h"
#include "platform/font_names.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "setup/alarm_setup.h"
#include "setup/alarm_setup_window.h"
#include "setup/dsp_setup.h"
#include "setup/dsp_setup_window.h"
#include "setup/font_chooser_window.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/keyboard.h"
#include "support/recording_engine.h"
#include "support/scripted_dialogs.h"

namespace {

using KVXmodules::DspField;
using KVXmodules::DspFieldTexts;
using KVXmodules::ReadFieldNumber;
using KVXmodules::SettingsRecord;
using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using testing_support::Call;
using testing_support::EngineCall;
using testing_support::FormHarness;

MessageBoxRequest Warning(const QString& text, const QString& title = QStringLiteral("Quorvin")) {
    return MessageBoxRequest{text, title, MsgButtons::Ok, MsgIcon::Exclamation};
}

// A settings file in the harness's program folder: the reset values, changed by `edit`.
template <typename Edit>
void WriteSettingsFile(FormHarness& harness, Edit edit,
                       KVXmodules::WindowSizeTwips size = {9930, 7230}) {
    SettingsRecord record;
    KVXmodules::DefaultSetRecord(record);
    record.ProgramTimerInterval = 10;
    edit(record);
    QFile file(harness.filePath(QStringLiteral("QUORVIN.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = KVXmodules::SettingsFileBytes(record, size, u"0.1.0");
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList SettingsLines(const FormHarness& harness) {
    QFile file(harness.filePath(QStringLiteral("QUORVIN.ini")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// Lets deferred deletions of closed windows happen.
void DeleteClosedWindows() {
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items.append(combo->itemText(i));
    }
    return items;
}

void PressEscape(QWidget* widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// ---- reading a field ----------------------------------------------------------------------

struct NumberCase {
    const char16_t* text;
    double value;
};

class FieldNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FieldNumber, ReadsLeniently) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(ReadFieldNumber(QString::fromUtf16(c.text)), c.value)
        << QString::fromUtf16(c.text).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldNumber,
    ::testing::Values(NumberCase{u"1 5", 15}, NumberCase{u"3500", 3500},
                      NumberCase{u"3500.1", 3500.1}, NumberCase{u"100.4", 100.4},
                      NumberCase{u"99.6", 99.6}, NumberCase{u"", 0}, NumberCase{u"   ", 0},
                      NumberCase{u"abc", 0}, NumberCase{u"12abc", 12},
                      NumberCase{u"\t1\t0 0 ", 100}, NumberCase{u"-5", -5}, NumberCase{u"- 5", -5},
                      NumberCase{u"+7", 7}, NumberCase{u".5", 0.5}, NumberCase{u"5.", 5},
                      NumberCase{u".", 0}, NumberCase{u"-", 0}, NumberCase{u"1.2.3", 1.2},
                      NumberCase{u"1,5", 1}, NumberCase{u"1e3", 1000}, NumberCase{u"1 E -1", 0.1},
                      NumberCase{u"1e", 1}, NumberCase{u"2e+", 2}, NumberCase{u"--5", 0},
                      NumberCase{u"0x10", 0}, NumberCase{u"1e-999", 0},
                      NumberCase{u"1e999", std::numeric_limits<double>::infinity()},
                      NumberCase{u"\u0661", 0}));

TEST(FieldNumber, AValueShowsInPlainDecimal) {
    EXPECT_EQ(KVXmodules::FieldText(1500), QStringLiteral("1500"));
    EXPECT_EQ(KVXmodules::FieldText(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(KVXmodules::FieldText(0), QStringLiteral("0"));
    EXPECT_EQ(KVXmodules::FieldText(-1), QStringLiteral("-1"));
    EXPECT_EQ(ReadFieldNumber(KVXmodules::FieldText(0.1)), 0.1);
}

// ---- the checks, without a window ------------------------------------------------------------

DspFieldTexts GoodFields() {
    DspFieldTexts f;
    f.Text1 = QStringLiteral("1500");
    f.Text2 = QStringLiteral("1500");
    f.Text3 = QStringLiteral("50");
    f.Text4 = QStringLiteral("5");
    f.Text5 = QStringLiteral("10");
    f.Combo1 = QStringLiteral("5");
    f.Combo2 = QStringLiteral("2");
    f.Check1 = true;
    return f;
}

QString& FieldOf(DspFieldTexts& f, DspField field) {
    switch (field) {
        case DspField::ProgramTimerInterval:
            return f.Text5;
        case DspField::SquelchMax:
            return f.Text4;
        case DspField::RXfreqMaxRange:
            return f.Text1;
        case DspField::Sensitivity:
            return f.Text2;
        case DspField::RXSearchRange:
            return f.Text3;
        case DspField::SmoothingSpeed:
            return f.Combo1;
        case DspField::WaterfallSpectrumSpeed:
            break;
    }
    return f.Combo2;
}

TEST(DspChecks, EachFieldHasItsRangeAndTheFirstWrongOneInOrderCounts) {
    const auto& rules = KVXmodules::DspFieldRules();
    ASSERT_EQ(rules.size(), 7U);
    const std::vector<DspField> order{DspField::ProgramTimerInterval,  DspField::SquelchMax,
                                      DspField::RXfreqMaxRange,        DspField::Sensitivity,
                                      DspField::RXSearchRange,         DspField::SmoothingSpeed,
                                      DspField::WaterfallSpectrumSpeed};
    EXPECT_FALSE(KVXmodules::FirstRefusedDspField(GoodFields()));
    for (std::size_t i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(rules[i].field, order[i]);
        // Bounds are inclusive; just outside either bound is refused.
        for (const double inside : {rules[i].minimum, rules[i].maximum}) {
            DspFieldTexts f = GoodFields();
            FieldOf(f, rules[i].field) = KVXmodules::FieldText(inside);
            EXPECT_FALSE(KVXmodules::FirstRefusedDspField(f)) << i;
        }
        for (const double outside : {rules[i].minimum - 0.1, rules[i].maximum + 0.1}) {
            DspFieldTexts f = GoodFields();
            FieldOf(f, rules[i].field) = KVXmodules::FieldText(outside);
            EXPECT_EQ(KVXmodules::FirstRefusedDspField(f), rules[i].field) << i;
        }
        // This field and every later one wrong: this one is reported.
        DspFieldTexts f = GoodFields();
        for (std::size_t j = i; j < rules.size(); ++j) {
            FieldOf(f, rules[j].field) = QStringLiteral("9999");
        }
        EXPECT_EQ(KVXmodules::FirstRefusedDspField(f), rules[i].field) << i;
    }
}

TEST(DspChecks, StoringRoundsTheIntegersAndKeepsTheFractions) {
    SettingsRecord r;
    KVXmodules::DefaultSetRecord(r);
    DspFieldTexts f;
    f.Text1 = QStringLiteral("100.5");  // halves go to the even neighbour
    f.Text2 = QStringLiteral("1501.5");
    f.Text3 = QStringLiteral("2.5");
    f.Text4 = QStringLiteral("0.5");
    f.Text5 = QStringLiteral("99.5");
    f.Combo1 = QStringLiteral("3.25");
    f.Combo2 = QStringLiteral("4.5");
    f.Check1 = false;
    KVXmodules::StoreDspFields(f, r);
    EXPECT_EQ(r.RXfreqMaxRange, 100);
    EXPECT_EQ(r.Sensitivity, 1502);
    EXPECT_EQ(r.RXSearchRange, 2.5);
    EXPECT_EQ(r.SquelchMax, 0.5);
    EXPECT_EQ(r.ProgramTimerInterval, 100);
    EXPECT_EQ(r.SmoothingSpeed, 3.25);
    EXPECT_EQ(r.WaterfallSpectrumSpeed, 4.5);
    EXPECT_EQ(r.SquelchSpeed, 0);
}

// ---- PSK/DSP Setup through its window -------------------------------------------------------

class DspSetup : public ::testing::Test {
  protected:
    MainWindow& Load() {
        MainWindow& form = harness.show();
        harness.engine.clearCalls();
        return form;
    }

    DspSetupWindow& Open() {
        harness.form().menusetupdsp->trigger();
        DspSetupWindow* window = harness.form().setup().dspSetupWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    FormHarness harness;
};

TEST_F(DspSetup, ControlsCaptionsAndToolTips) {
    Load();
    DspSetupWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("PSK/DSP Setup"));
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("PSK DSP Settings"));
    const std::vector<std::pair<QLabel*, QString>> labels{{w.Label1, "RX audio center frequency"},
                                                          {w.Label2, "Sensitivity"},
                                                          {w.Label3, "Waterfall Smoothing"},
                                                          {w.Label4, "FFT Data to search for peak"},
                                                          {w.Label5, "Squelch Treshold Range"},
                                                          {w.Label6, "Waterfall Trail Speed"},
                                                          {w.Label7, "Program Timer Interval"},
                                                          {w.Label8, "Hz"},
                                                          {w.Label9, "Hz"},
                                                          {w.Label10, "ms."}};
    for (const auto& [label, caption] : labels) {
        EXPECT_EQ(label->text(), caption);
    }
    EXPECT_EQ(w.Label1->buddy(), w.Text1);
    EXPECT_EQ(w.Label7->buddy(), w.Text5);
    const std::vector<std::pair<QWidget*, QString>> tips{
        {w.Text1, "center frequency value 100...3500 (default is 1500)"},
        {w.Text2, "sensitivity value 100...2500 (1500 is default)"},
        {w.Combo1, "value 1...10 (default is 10=max smoothing)"},
        {w.Text3, "FFT peak search value 0...50 (50 is default, 0 disables ftt peak search)"},
        {w.Text4, "value 0...99 (0=open squelch)"},
        {w.Check1, "Slow for  noisy conditions (Unchecked is fast for good conditions)"},
        {w.Combo2,
         "Set Waterfall Resolution/speed (4=slowest but high detail...0=highest speed "
         "less detail)"},
        {w.Text5, "Program timer interval in millisec. 1...999 (default = 10)"},
        {w.Command1, "Aplly settings"},
        {w.Command2, "Aplly Setting and save"},
        {w.Command3, ""},
        {w.Command4, "Restore all settings to the default values"},
        {w.Command5, "Set Waterfall settings for best results on PicFall-modes"}};
    for (const auto& [control, tip] : tips) {
        EXPECT_EQ(control->toolTip(), tip) << control->objectName().toStdString();
    }
    EXPECT_EQ(w.Check1->text(), QStringLiteral("Squelch Response Low (noisy conditions)"));
    EXPECT_EQ(w.Command1->text(), QStringLiteral("OK"));
    EXPECT_EQ(w.Command2->text(), QStringLiteral("Save Settings"));
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(w.Command4->text(), QStringLiteral("Default Settings"));
    EXPECT_EQ(w.Command5->text(), QStringLiteral("PicFall Settings"));
    EXPECT_EQ(Items(w.Combo1), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(Items(w.Combo2), (QStringList{"0", "1", "2", "3", "4", "5"}));
    EXPECT_TRUE(w.Combo1->isEditable());
    EXPECT_TRUE(w.Combo2->isEditable());
    // Every field lies inside the frame; the buttons do not.
    for (QWidget* field : {static_cast<QWidget*>(w.Text1), static_cast<QWidget*>(w.Combo2),
                           static_cast<QWidget*>(w.Check1)}) {
        EXPECT_TRUE(w.Frame1->isAncestorOf(field));
    }
    EXPECT_FALSE(w.Frame1->isAncestorOf(w.Command1));
}

TEST_F(DspSetup, FieldsShowTheRecordWhenTheWindowLoads) {
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.RXfreqMaxRange = 1234;
        r.Sensitivity = 900;
        r.RXSearchRange = 2.5;
        r.SquelchMax = 20;
        r.SquelchSpeed = 0;
        r.SmoothingSpeed = 7;
        r.WaterfallSpectrumSpeed = 0;
        r.ProgramTimerInterval = 25;
    });
    Load();
    DspSetupWindow& w = Open();
    EXPECT_EQ(w.Text1->text(), "1234");
    EXPECT_EQ(w.Text2->text(), "900");
    EXPECT_EQ(w.Text3->text(), "2.5");
    EXPECT_EQ(w.Text4->text(), "20");
    EXPECT_EQ(w.Text5->text(), "25");
    EXPECT_EQ(w.Combo1->currentText(), "7");
    EXPECT_EQ(w.Combo2->currentText(), "0");
    EXPECT_FALSE(w.Check1->isChecked());

    // Only a SquelchSpeed of exactly 1 ticks the box.
    w.close();
    harness.settings.SquelchSpeed = 1;
    EXPECT_TRUE(Open().Check1->isChecked());
    harness.form().setup().dspSetupWindow()->close();
    harness.settings.SquelchSpeed = 1.5;
    EXPECT_FALSE(Open().Check1->isChecked());
}

TEST_F(DspSetup, ModelessOpenedByItsItemAndTheDspButtonAndBroughtToTheFrontAgain) {
    MainWindow& form = Load();
    EXPECT_EQ(form.setup().dspSetupWindow(), nullptr);
    form.Command3->click();
    DspSetupWindow* first = form.setup().dspSetupWindow();
    ASSERT_NE(first, nullptr);
    const QPointer<DspSetupWindow> watch = first;
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form.isEnabled());
    EXPECT_TRUE(first->isWindow());
    EXPECT_EQ(first->parentWidget(), nullptr) << "a window of its own";

    first->Text1->setText(QStringLiteral("typed"));
    form.menusetupdsp->trigger();
    EXPECT_EQ(form.setup().dspSetupWindow(), first);
    EXPECT_EQ(first->Text1->text(), QStringLiteral("typed"));
    form.Command3->click();
    EXPECT_EQ(form.setup().dspSetupWindow(), first);

    // Closed, it loads afresh from the record.
    first->close();
    EXPECT_EQ(form.setup().dspSetupWindow(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(Open().Text1->text(), QStringLiteral("1500"));
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST_F(DspSetup, WithTwoFieldsWrongOnlyTheFirstInCheckOrderIsReported) {
    MainWindow& form = Load();
    DspSetupWindow& w = Open();
    w.Text1->setText(QStringLiteral("50"));   // checked third
    w.Text4->setText(QStringLiteral("100"));  // checked second
    w.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{
                  Warning("Invalid Squelch Treshold value. Must be between 0...99 (0=open squelch, "
                          "default=5)")});
    EXPECT_EQ(w.focusWidget(), w.Text4);
    EXPECT_EQ(form.setup().dspSetupWindow(), &w) << "a refused check leaves the window open";
    EXPECT_TRUE(harness.engine.calls().empty());
    EXPECT_EQ(harness.settings.RXfreqMaxRange, 1500);
    EXPECT_EQ(harness.settings.SquelchMax, 5);

    // Put right, the next one is reported.
    harness.dialogs.clear();
    w.Text4->setText(QStringLiteral("5"));
    w.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{Warning(
                  "Incorrect center frequency value. Must be between 100...3500 (default=1500)")});
    EXPECT_EQ(w.focusWidget(), w.Text1);
}

TEST_F(DspSetup, EveryFieldHasItsMessageAndTakesTheFocus) {
    Load();
    DspSetupWindow& w = Open();
    for (const auto& rule : KVXmodules::DspFieldRules()) {
        harness.dialogs.clear();
        DspSetupWindow& fresh = Open();
        ASSERT_EQ(&fresh, &w);
        w.Command4->click();  // all DSP fields valid
        w.Text5->setText(QStringLiteral("10"));
        QWidget* control = w.fieldControl(rule.field);
        if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(QStringLiteral("-1"));
        } else {
            qobject_cast<QComboBox*>(control)->setEditText(QStringLiteral("-1"));
        }
        w.Command1->click();
        EXPECT_EQ(harness.dialogs.messageBoxes(),
                  std::vector<MessageBoxRequest>{Warning(QString::fromUtf16(rule.message))});
        EXPECT_EQ(w.focusWidget(), control);
    }
    EXPECT_TRUE(harness.engine.calls().empty());
}

TEST_F(DspSetup, ParsingEdgeCasesThroughTheWindow) {
    MainWindow& form = Load();
    struct Case {
        const char* text1;
        bool accepted;
        std::int32_t stored;
    };
    for (const Case c :
         {Case{"3500", true, 3500}, Case{"3500.1", false, 0}, Case{"99.6", false, 0},
          Case{"100.4", true, 100}, Case{"1 5 0 0", true, 1500}, Case{"", false, 0}}) {
        harness.dialogs.clear();
        harness.settings.RXfreqMaxRange = 777;
        DspSetupWindow& w = Open();
        w.Text1->setText(QString::fromLatin1(c.text1));
        w.Command1->click();
        if (c.accepted) {
            EXPECT_TRUE(harness.dialogs.shown().empty()) << c.text1;
            EXPECT_EQ(harness.settings.RXfreqMaxRange, c.stored) << c.text1;
            EXPECT_EQ(form.setup().dspSetupWindow(), nullptr) << c.text1;
        } else {
            EXPECT_EQ(harness.dialogs.messageBoxes().size(), 1U) << c.text1;
            EXPECT_EQ(harness.settings.RXfreqMaxRange, 777) << c.text1;
            w.close();
        }
    }

    // The timer: blank-separated digits read as one number; an empty field reads as 0.
    harness.dialogs.clear();
    DspSetupWindow& w = Open();
    w.Text5->setText(QStringLiteral("1 5"));
    w.Command1->click();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(harness.settings.ProgramTimerInterval, 15);
    EXPECT_EQ(form.Timer1->interval(), 15);
    EXPECT_EQ(form.Timer2->interval(), 15);
    DspSetupWindow& again = Open();
    again.Text5->clear();
    again.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{Warning(
                  "Invalid Program Timer Interval value. Must be between 1...100 (default=10)")});
    EXPECT_EQ(harness.settings.ProgramTimerInterval, 15);

    // The trail speed takes 5 although its tip speaks of 4; 6 is refused.
    again.Text5->setText(QStringLiteral("15"));
    again.Combo2->setEditText(QStringLiteral("6"));
    harness.dialogs.clear();
    again.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{
                  Warning("Detail/Speed factor of the waterfall must be a value between 0...5 "
                          "(default=1)")});
    EXPECT_EQ(again.focusWidget(), again.Combo2);
    again.Combo2->setEditText(QStringLiteral("5"));
    harness.dialogs.clear();
    again.Command1->click();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(harness.settings.WaterfallSpectrumSpeed, 5);
}

TEST_F(DspSetup, OkStoresSetsTheTimersTellsTheEngineAndDoesNotWriteTheFile) {
    MainWindow& form = Load();
    ASSERT_FALSE(QFile::exists(harness.filePath(QStringLiteral("QUORVIN.ini"))));
    DspSetupWindow& w = Open();
    w.Text1->setText(QStringLiteral("2000"));
    w.Text2->setText(QStringLiteral("1200.5"));
    w.Text3->setText(QStringLiteral("2.5"));
    w.Text4->setText(QStringLiteral("20.5"));
    w.Text5->setText(QStringLiteral("40"));
    w.Combo1->setEditText(QStringLiteral("3.5"));
    w.Combo2->setEditText(QStringLiteral("4"));
    w.Check1->setChecked(false);
    QPointer<DspSetupWindow> window = &w;
    w.Command1->click();

    EXPECT_TRUE(harness.dialogs.shown().empty());
    const SettingsRecord& r = harness.settings;
    EXPECT_EQ(r.RXfreqMaxRange, 2000);
    EXPECT_EQ(r.Sensitivity, 1200);
    EXPECT_EQ(r.RXSearchRange, 2.5);
    EXPECT_EQ(r.SquelchMax, 20.5);
    EXPECT_EQ(r.SquelchSpeed, 0);
    EXPECT_EQ(r.SmoothingSpeed, 3.5);
    EXPECT_EQ(r.WaterfallSpectrumSpeed, 4);
    EXPECT_EQ(r.ProgramTimerInterval, 40);
    EXPECT_EQ(form.Timer1->interval(), 40);
    EXPECT_EQ(form.Timer2->interval(), 40);
    // Frequency and search range, smoothing and sensitivity, and the squelch, each rounded
    // half to even.
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{Call("fnSetRXFrequency", {2000, 2, 0}),
                                       Call("fnSetFFTMode", {4, 1200, 0}),
                                       Call("fnSetSquelchThreshold", {20, 0, 0})}));
    EXPECT_FALSE(QFile::exists(harness.filePath(QStringLiteral("QUORVIN.ini"))));
    EXPECT_EQ(form.setup().dspSetupWindow(), nullptr);
    DeleteClosedWindows();
    EXPECT_TRUE(window.isNull());

    // Without "Save Settings" in this run, leaving writes the values of the last load or reset.
    form.Form_Unload();
    const QStringList lines = SettingsLines(harness);
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[13], " 1500 ");
    EXPECT_EQ(lines[21], " 5 ");
    EXPECT_EQ(lines[39], " 40 ") << "the timer interval is no DSP value";
}

TEST_F(DspSetup, SaveSettingsWritesTheFileSaysSoAndKeepsWritingTheWorkingValues) {
    MainWindow& form = Load();
    DspSetupWindow& w = Open();
    w.Text4->setText(QStringLiteral("20"));
    w.Text3->setText(QStringLiteral("2.5"));
    w.Command2->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              (std::vector<MessageBoxRequest>{{QStringLiteral("Settings Saved"),
                                               QStringLiteral("Quorvin"), MsgButtons::Ok,
                                               MsgIcon::None}}));
    EXPECT_EQ(harness.settings.SaveWorkingDSP, KVXmodules::kFlagSet);
    EXPECT_EQ(form.setup().dspSetupWindow(), nullptr);
    QStringList lines = SettingsLines(harness);
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[15], " 2.5 ");
    EXPECT_EQ(lines[21], " 20 ");
    EXPECT_EQ(
        harness.engine.callNames(),
        (std::vector<std::string>{"fnSetRXFrequency", "fnSetFFTMode", "fnSetSquelchThreshold"}));

    // From now on "OK" writes the file too, and so does leaving.
    QFile::remove(harness.filePath(QStringLiteral("QUORVIN.ini")));
    harness.dialogs.clear();
    DspSetupWindow& next = Open();
    next.Text4->setText(QStringLiteral("30"));
    next.Command1->click();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    lines = SettingsLines(harness);
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[21], " 30 ");
    form.Form_Unload();
    EXPECT_EQ(SettingsLines(harness)[21], " 30 ");
}

TEST_F(DspSetup, ARefusedSaveShowsOnlyTheFieldsMessageAndKeepsSaveWorkingDSP) {
    Load();
    DspSetupWindow& w = Open();
    w.Text2->setText(QStringLiteral("99"));
    w.Command2->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{Warning(
                  "Incorrect sensitivity value. Must be between 100...2500 (default=1500)")});
    EXPECT_EQ(harness.settings.SaveWorkingDSP, KVXmodules::kFlagSet);
    EXPECT_FALSE(QFile::exists(harness.filePath(QStringLiteral("QUORVIN.ini"))));
    EXPECT_TRUE(harness.engine.calls().empty());
    EXPECT_EQ(w.focusWidget(), w.Text2);
}

TEST_F(DspSetup, CancelTheCloseBoxAndEscapeStoreNothing) {
    MainWindow& form = Load();
    const SettingsRecord before = harness.settings;
    for (int way = 0; way < 3; ++way) {
        DspSetupWindow& w = Open();
        w.Text1->setText(QStringLiteral("2222"));
        w.Text5->setText(QStringLiteral("50"));
        w.Check1->setChecked(false);
        w.Combo1->setEditText(QStringLiteral("9"));
        if (way == 0) {
            w.Command3->click();
        } else if (way == 1) {
            w.close();
        } else {
            PressEscape(&w);
        }
        EXPECT_EQ(form.setup().dspSetupWindow(), nullptr) << way;
        DeleteClosedWindows();
    }
    EXPECT_EQ(harness.settings.RXfreqMaxRange, before.RXfreqMaxRange);
    EXPECT_EQ(harness.settings.SquelchSpeed, before.SquelchSpeed);
    EXPECT_EQ(harness.settings.SmoothingSpeed, before.SmoothingSpeed);
    EXPECT_EQ(harness.settings.ProgramTimerInterval, before.ProgramTimerInterval);
    EXPECT_EQ(form.Timer1->interval(), 10);
    EXPECT_TRUE(harness.engine.calls().empty());
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(Open().Text1->text(), QStringLiteral("1500"));
}

TEST_F(DspSetup, DefaultSettingsFillTheFieldsAndKeepTheTimerAsTyped) {
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.RXfreqMaxRange = 1000;
        r.Sensitivity = 200;
        r.RXSearchRange = 10;
        r.SquelchMax = 50;
        r.SquelchSpeed = 0;
        r.SmoothingSpeed = 9;
        r.WaterfallSpectrumSpeed = 4;
    });
    MainWindow& form = Load();
    DspSetupWindow& w = Open();
    w.Text5->setText(QStringLiteral("33"));
    w.Command4->click();
    EXPECT_EQ(w.Text1->text(), "1500");
    EXPECT_EQ(w.Text2->text(), "1500");
    EXPECT_EQ(w.Text3->text(), "50");
    EXPECT_EQ(w.Text4->text(), "5");
    EXPECT_EQ(w.Combo1->currentText(), "5");
    EXPECT_EQ(w.Combo2->currentText(), "2");
    EXPECT_TRUE(w.Check1->isChecked());
    EXPECT_EQ(w.Text5->text(), "33");
    // Nothing is stored yet.
    EXPECT_EQ(harness.settings.RXfreqMaxRange, 1000);
    EXPECT_TRUE(harness.engine.calls().empty());

    w.Command1->click();
    EXPECT_EQ(harness.settings.RXfreqMaxRange, 1500);
    EXPECT_EQ(harness.settings.SquelchSpeed, 1);
    EXPECT_EQ(harness.settings.WaterfallSpectrumSpeed, 2);
    EXPECT_EQ(harness.settings.ProgramTimerInterval, 33);
    EXPECT_EQ(form.Timer1->interval(), 33);
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{Call("fnSetRXFrequency", {1500, 50, 0}),
                                       Call("fnSetFFTMode", {5, 1500, 0}),
                                       Call("fnSetSquelchThreshold", {5, 1, 0})}));
}

TEST_F(DspSetup, PicFallSettingsSetTheWaterfallFieldsOnly) {
    Load();
    DspSetupWindow& w = Open();
    w.Command5->click();
    EXPECT_EQ(w.Combo1->currentText(), "2");
    EXPECT_EQ(w.Combo2->currentText(), "4");
    EXPECT_EQ(w.Text1->text(), "1500");
    EXPECT_EQ(harness.settings.SmoothingSpeed, 5);
    EXPECT_EQ(harness.settings.WaterfallSpectrumSpeed, 2);
    w.Command1->click();
    EXPECT_EQ(harness.settings.SmoothingSpeed, 2);
    EXPECT_EQ(harness.settings.WaterfallSpectrumSpeed, 4);
}

// ---- PSK Alarm -------------------------------------------------------------------------------

class AlarmSetup : public ::testing::Test {
  protected:
    AlarmSetupWindow& Open() {
        harness.form().menusetupalarm->trigger();
        AlarmSetupWindow* window = harness.form().setup().alarmSetupWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    FormHarness harness;
};

TEST_F(AlarmSetup, NeverSetUpItShowsTheDesignState) {
    MainWindow& form = harness.show();
    AlarmSetupWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("PSK Alarm"));
    EXPECT_EQ(w.Frame1->title(), QStringLiteral("Alarm Settings"));
    EXPECT_EQ(w.Label2[0]->text(), "1");
    EXPECT_EQ(w.Label2[1]->text(), "2");
    EXPECT_EQ(w.Label2[2]->text(), "3");
    EXPECT_EQ(w.Text1->text(), "QR9ZZ");
    EXPECT_EQ(w.Text1->toolTip(), "The string that will sound an alarm when found");
    EXPECT_EQ(w.Text2->text(), "");
    EXPECT_EQ(w.Text3->text(), "");
    EXPECT_EQ(w.Option1->text(), "Activate");
    EXPECT_EQ(w.Option1->toolTip(), "Look for string and audit alarm when found");
    EXPECT_EQ(w.Option2->text(), "Deactivate");
    EXPECT_EQ(w.Option2->toolTip(), "Alarm not active");
    EXPECT_TRUE(w.Option2->isChecked());
    EXPECT_EQ(w.Check1->text(), "Log Time/Date");
    EXPECT_EQ(w.Check1->toolTip(),
              "Will log the time and date when the text is found (quorvin_alarm.log)");
    EXPECT_FALSE(w.Check1->isEnabled());
    EXPECT_FALSE(w.Check1->isChecked());
    EXPECT_EQ(w.Command1->text(), "OK");
    EXPECT_EQ(w.Command2->text(), "Cancel");
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.parentWidget(), nullptr);
    EXPECT_TRUE(form.isEnabled());
}

TEST_F(AlarmSetup, LoadShowsLongStringsInUpperCaseAndTheSettings) {
    WriteSettingsFile(harness, [](SettingsRecord& r) {
        r.PSKAlarmString[0] = QStringLiteral("Q");  // one character: not shown
        r.PSKAlarmString[1] = QStringLiteral("  cq dx  ");
        r.PSKAlarmString[2] = QStringLiteral("x");
        r.PSKAlarm = KVXmodules::kFlagSet;
        r.AutoAlarmLog = KVXmodules::kFlagSet;
    });
    harness.show();
    AlarmSetupWindow& w = Open();
    EXPECT_EQ(w.Text1->text(), "QR9ZZ");
    EXPECT_EQ(w.Text2->text(), "CQ DX");
    EXPECT_EQ(w.Text3->text(), "");
    EXPECT_TRUE(w.Option1->isChecked());
    EXPECT_TRUE(w.Check1->isEnabled());
    EXPECT_TRUE(w.Check1->isChecked());

    // The options enable and disable the tick box without touching its tick.
    w.Option2->setChecked(true);
    EXPECT_FALSE(w.Check1->isEnabled());
    EXPECT_TRUE(w.Check1->isChecked());
    w.Option1->click();
    EXPECT_TRUE(w.Check1->isEnabled());
}

TEST_F(AlarmSetup, AFirstStringOfOneCharacterIsRefused) {
    harness.show();
    AlarmSetupWindow& w = Open();
    w.Text1->setText(QStringLiteral("a"));
    w.Text2->setText(QStringLiteral("zz"));
    w.Command1->click();
    EXPECT_EQ(harness.dialogs.messageBoxes(),
              std::vector<MessageBoxRequest>{Warning(
                  "The search string must be larger then one character.", "Alarm string to find")});
    EXPECT_EQ(w.focusWidget(), w.Text1);
    EXPECT_EQ(harness.form().setup().alarmSetupWindow(), &w);
    EXPECT_EQ(harness.settings.PSKAlarmString[0], "QR9ZZ");
    EXPECT_EQ(harness.settings.PSKAlarmString[1], "");

    // A blank and a letter pass and are stored as the letter.
    harness.dialogs.clear();
    w.Text1->setText(QStringLiteral(" a"));
    w.Command1->click();
    EXPECT_TRUE(harness.dialogs.shown().empty());
    EXPECT_EQ(harness.settings.PSKAlarmString[0], "A");
    EXPECT_EQ(harness.settings.PSKAlarmString[1], "ZZ");
    EXPECT_EQ(harness.form().setup().alarmSetupWindow(), nullptr);
}

TEST_F(AlarmSetup, OkStoresUpperCaseWithoutLeadingBlanksAndSetsTheLabel) {
    MainWindow& form = harness.show();
    form.receivedText().AlarmWindow.receive(u"some text");
    AlarmSetupWindow& w = Open();
    w.Text1->setText(QStringLiteral("  cq dl "));
    w.Text2->setText(QStringLiteral("k"));
    w.Text3->setText(QString());
    w.Option1->setChecked(true);
    w.Check1->setChecked(true);
    w.Command1->click();
    const SettingsRecord& r = harness.settings;
    EXPECT_EQ(r.PSKAlarmString[0], "CQ DL ") << "trailing blanks stay";
    EXPECT_EQ(r.PSKAlarmString[1], "K");
    EXPECT_EQ(r.PSKAlarmString[2], "");
    EXPECT_EQ(r.PSKAlarm, KVXmodules::kFlagSet);
    EXPECT_EQ(r.AutoAlarmLog, KVXmodules::kFlagSet);
    EXPECT_EQ(form.Label2->text(), "PSK-Alarm ON*");
    EXPECT_TRUE(form.receivedText().AlarmWindow.isEmpty()) << "the search starts afresh";
    EXPECT_FALSE(QFile::exists(harness.filePath(QStringLiteral("QUORVIN.ini"))));

    // Without the tick.
    AlarmSetupWindow& again = Open();
    EXPECT_EQ(again.Text1->text(), "CQ DL");
    again.Check1->setChecked(false);
    again.Command1->click();
    EXPECT_EQ(form.Label2->text(), "PSK-Alarm ON");
    EXPECT_EQ(r.AutoAlarmLog, KVXmodules::kFlagClear);

    // Deactivated with the tick: the label is off, the tick is kept although disabled.
    AlarmSetupWindow& third = Open();
    third.Check1->setChecked(true);
    third.Option2->setChecked(true);
    EXPECT_FALSE(third.Check1->isEnabled());
    form.receivedText().AlarmWindow.receive(u"more");
    third.Command1->click();
    EXPECT_EQ(form.Label2->text(), "PSK-Alarm OFF");
    EXPECT_EQ(r.PSKAlarm, KVXmodules::kFlagClear);
    EXPECT_EQ(r.AutoAlarmLog, KVXmodules::kFlagSet);
    EXPECT_TRUE(form.receivedText().AlarmWindow.isEmpty());
}

TEST_F(AlarmSetup, CancelAndTheCloseBoxStoreNothing) {
    MainWindow& form = harness.show();
    form.receivedText().AlarmWindow.receive(u"abc");
    for (int way = 0; way < 3; ++way) {
        AlarmSetupWindow& w = Open();
        w.Text1->setText(QStringLiteral("new"));
        w.Option1->setChecked(true);
        w.Check1->setChecked(true);
        if (way == 0) {
            w.Command2->click();
        } else if (way == 1) {
            w.close();
        } else {
            PressEscape(&w);
        }
        EXPECT_EQ(form.setup().alarmSetupWindow(), nullptr);
        DeleteClosedWindows();
    }
    EXPECT_EQ(harness.settings.PSKAlarmString[0], "QR9ZZ");
    EXPECT_EQ(harness.settings.PSKAlarm, 0);
    EXPECT_EQ(harness.settings.AutoAlarmLog, 0);
    EXPECT_EQ(form.Label2->text(), "PSK-Alarm OFF");
    EXPECT_FALSE(form.receivedText().AlarmWindow.isEmpty());
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST_F(AlarmSetup, BothAlarmItemsOpenTheSameWindow) {
    MainWindow& form = harness.show();
    form.menupskalarm->trigger();
    AlarmSetupWindow* first = form.setup().alarmSetupWindow();
    ASSERT_NE(first, nullptr);
    first->Text2->setText(QStringLiteral("typed"));
    form.menusetupalarm->trigger();
    EXPECT_EQ(form.setup().alarmSetupWindow(), first);
    form.menupskalarm->trigger();
    EXPECT_EQ(form.setup().alarmSetupWindow(), first);
    EXPECT_EQ(first->Text2->text(), "typed");
}

// ---- text colours ----------------------------------------------------------------------------

struct SchemeCase {
    int item;  // 1..5
    QColor fore;
    QColor back;
};

TEST(TextColours, EachItemTicksOnlyItselfAndColoursTheReceiveWindow) {
    FormHarness harness;
    MainWindow& form = harness.show();
    const std::array items{form.menutextcol1, form.menutextcol2, form.menutextcol3,
                           form.menutextcol4, form.menutextcol5};
    EXPECT_EQ(items[0]->text(), "Black on Yellow");
    EXPECT_EQ(items[1]->text(), "Black on White");
    EXPECT_EQ(items[2]->text(), "White on Blue");
    EXPECT_EQ(items[3]->text(), "Yellow on Black");
    EXPECT_EQ(items[4]->text(), "White on green");
    const std::vector<SchemeCase> cases{
        {1, QColor(0, 0, 0), QColor(255, 255, 0)},     {2, QColor(0, 0, 0), QColor(255, 255, 255)},
        {3, QColor(255, 255, 255), QColor(0, 0, 255)}, {4, QColor(255, 255, 0), QColor(0, 0, 0)},
        {5, QColor(255, 255, 255), QColor(0, 128, 0)},
    };
    // The reset scheme is 3, "Yellow on Black".
    EXPECT_TRUE(items[3]->isChecked());
    for (const SchemeCase& c : cases) {
        items[static_cast<std::size_t>(c.item - 1)]->trigger();
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->isChecked(), static_cast<int>(i) == c.item - 1) << c.item;
        }
        EXPECT_EQ(harness.settings.TextColorSheme, c.item - 1);
        EXPECT_EQ(harness.settings.TextForeColor, c.fore);
        EXPECT_EQ(harness.settings.TextBackColor, c.back);
        EXPECT_EQ(form.Text1->palette().color(QPalette::Text), c.fore);
        EXPECT_EQ(form.Text1->palette().color(QPalette::Base), c.back);
    }
    // Choosing the ticked item again keeps its tick.
    items[4]->trigger();
    EXPECT_TRUE(items[4]->isChecked());

    // The scheme is saved as its number.
    items[2]->trigger();
    form.Form_Unload();
    QFile file(harness.filePath(QStringLiteral("QUORVIN.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"))[11], " 2 ");
}

TEST(TextColours, AnUnknownSchemeRemovesEveryTickAndChangesNothingElse) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.menutextcol3->trigger();
    for (const double scheme : {7.0, -1.0, 5.0, 2.5}) {
        form.setup().SetTextColorShemes(scheme);
        for (QAction* item : {form.menutextcol1, form.menutextcol2, form.menutextcol3,
                              form.menutextcol4, form.menutextcol5}) {
            EXPECT_FALSE(item->isChecked()) << scheme;
        }
        EXPECT_EQ(harness.settings.TextColorSheme, 2);
        EXPECT_EQ(form.Text1->palette().color(QPalette::Base), QColor(0, 0, 255));
        EXPECT_EQ(form.Text1->palette().color(QPalette::Text), QColor(255, 255, 255));
        form.menutextcol3->trigger();
    }

    // A hand-edited file with scheme 7 starts with the reset colours and no tick.
    FormHarness edited;
    WriteSettingsFile(edited, [](SettingsRecord& r) { r.TextColorSheme = 7; });
    MainWindow& other = edited.load();
    EXPECT_EQ(edited.settings.TextColorSheme, 7);
    EXPECT_FALSE(other.menutextcol4->isChecked());
    EXPECT_EQ(other.Text1->palette().color(QPalette::Base), QColor(0, 0, 0));
}

// ---- background skin -------------------------------------------------------------------------

TEST(BackgroundSkinItem, TogglesTheSkinTheTickAndThePicture) {
    FormHarness harness;
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(200, 210, 220));
    ASSERT_TRUE(picture.save(harness.filePath(QStringLiteral("background.jpg")), "JPG"));
    MainWindow& form = harness.show();
    EXPECT_EQ(form.menusetupbackground->text(), "Use Background Skin");
    EXPECT_FALSE(form.menusetupbackground->isChecked());
    EXPECT_FALSE(form.img_Background->isVisible());

    form.menusetupbackground->trigger();
    EXPECT_EQ(harness.settings.BackgroundSkin, KVXmodules::kFlagSet);
    EXPECT_TRUE(form.menusetupbackground->isChecked());
    EXPECT_TRUE(form.img_Background->isVisible());
    EXPECT_EQ(form.img_Background->picture().size(), QSize(640, 480));
    // Behind every control, at the bottom right of the client area.
    EXPECT_EQ(form.img_Background->geometry().bottomRight(), form.client->rect().bottomRight());

    form.menusetupbackground->trigger();
    EXPECT_EQ(harness.settings.BackgroundSkin, KVXmodules::kFlagClear);
    EXPECT_FALSE(form.menusetupbackground->isChecked());
    EXPECT_FALSE(form.img_Background->isVisible());

    // The handler decides by the tick as it stands.
    form.menusetupbackground->setChecked(true);
    form.setup().menusetupbackground_Click();
    EXPECT_FALSE(form.menusetupbackground->isChecked());
    EXPECT_EQ(harness.settings.BackgroundSkin, KVXmodules::kFlagClear);
}

TEST(BackgroundSkinItem, WithoutAPictureTheItemIsTickedAndTheImageShownSilently) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.menusetupbackground->trigger();
    EXPECT_TRUE(form.menusetupbackground->isChecked());
    EXPECT_TRUE(form.img_Background->isVisible());
    EXPECT_TRUE(form.img_Background->picture().isNull());
    EXPECT_TRUE(harness.dialogs.shown().empty());
}

TEST(BackgroundSkinItem, TheProgramFoldersPictureOrTheShippedOne) {
    QTemporaryDir programFolder;
    QTemporaryDir executableFolder;
    const QString own = QDir(programFolder.path()).filePath(QStringLiteral("background.jpg"));
    const QString installed =
        QDir(executableFolder.path()).filePath(QStringLiteral("background.jpg"));
    EXPECT_EQ(layout::BackgroundSkinFile(programFolder.path(), executableFolder.path()), own);
    QFile(installed).open(QIODevice::WriteOnly);
    EXPECT_EQ(layout::BackgroundSkinFile(programFolder.path(), executableFolder.path()), installed);
    // An installation: the one in share/quorvin beside bin/ comes first.
    QDir(executableFolder.path()).mkpath(QStringLiteral("bin"));
    QDir(executableFolder.path()).mkpath(QStringLiteral("share/quorvin"));
    const QString shipped =
        QDir(executableFolder.path()).filePath(QStringLiteral("share/quorvin/background.jpg"));
    QFile(shipped).open(QIODevice::WriteOnly);
    EXPECT_EQ(
        layout::BackgroundSkinFile(programFolder.path(),
                                   QDir(executableFolder.path()).filePath(QStringLiteral("bin"))),
        shipped);
    QFile(own).open(QIODevice::WriteOnly);
    EXPECT_EQ(layout::BackgroundSkinFile(programFolder.path(), executableFolder.path()), own);
    EXPECT_EQ(layout::BackgroundSkinFile(programFolder.path(), QString()), own);
}

TEST(BackgroundSkinItem, TheShippedPictureIsASmallReadableJpeg) {
    // Beside the test data: the data folder need not exist, so the path is cleaned first.
    const QString path =
        QDir::cleanPath(QStringLiteral(QUORVIN_TEST_DATA_DIR "/../../app/pictures/background.jpg"));
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_LT(QFileInfo(path).size(), 100 * 1024);
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(640, 480));
    // Light enough for black captions on it: every corner is light.
    for (const QPoint corner : {QPoint(0, 0), QPoint(639, 0), QPoint(0, 479), QPoint(639, 479)}) {
        EXPECT_GT(qGray(picture.pixel(corner)), 150);
    }
}

// ---- remembered window size ------------------------------------------------------------------

TEST(RememberScreenSize, TheItemTogglesTheSettingAndTheSizeSurvivesARestart) {
    FormHarness harness;
    MainWindow& form = harness.show();
    EXPECT_EQ(form.menuscreensize->text(), "Remember Screen Size");
    EXPECT_FALSE(form.menuscreensize->isChecked());
    form.menuscreensize->trigger();
    EXPECT_TRUE(form.menuscreensize->isChecked());
    EXPECT_EQ(harness.settings.RememberScreenSize, KVXmodules::kFlagSet);
    // Nothing happens at once.
    const QSize before = form.size();
    EXPECT_EQ(form.size(), before);

    form.setOuterWidthTwips(12000);
    form.setOuterHeightTwips(9000);
    form.Form_Unload();
    const QByteArray file = [&] {
        QFile f(harness.filePath(QStringLiteral("QUORVIN.ini")));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();

    FormHarness restarted;
    {
        QFile f(restarted.filePath(QStringLiteral("QUORVIN.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    MainWindow& again = restarted.load();
    EXPECT_TRUE(again.menuscreensize->isChecked());
    EXPECT_EQ(again.outerWidthTwips(), 12000.0F);
    EXPECT_EQ(again.outerHeightTwips(), 9000.0F);

    // Turned off, the size is still written but not applied at the next start.
    again.menuscreensize->trigger();
    EXPECT_FALSE(again.menuscreensize->isChecked());
    EXPECT_EQ(restarted.settings.RememberScreenSize, KVXmodules::kFlagClear);
    again.setOuterWidthTwips(10500);
    again.Form_Unload();
    QFile written(restarted.filePath(QStringLiteral("QUORVIN.ini")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(written.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[43], " 0 ");
    EXPECT_EQ(lines[45], " 10500 ");
}

// The thresholds themselves are below the window's smallest size; RememberedSizeApplies is
// tested at them. Here: a size not applied leaves the designed size in both directions.
TEST(RememberScreenSize, SizesAtTheThresholdsAreNotApplied) {
    struct Case {
        float width;
        float height;
        bool applied;
    };
    for (const Case c :
         {Case{6000, 9000, false}, Case{10500, 8000, true}, Case{9000, 4000, false}}) {
        FormHarness harness;
        WriteSettingsFile(harness,
                          [](SettingsRecord& r) { r.RememberScreenSize = KVXmodules::kFlagSet; },
                          {c.width, c.height});
        MainWindow& form = harness.create();
        const QSize designed = form.size();
        form.Form_Load();
        EXPECT_EQ(form.size() != designed, c.applied) << c.width << " x " << c.height;
    }
}

// ---- the font chooser ---------------------------------------------------------------------

TEST(FontChooserList, EachFamilyOnceWithoutFoundriesOrSymbolFonts) {
    const QStringList families{
        QStringLiteral("C059 [UKWN]"),         QStringLiteral("C059 [urw]"),
        QStringLiteral("D050000L [urw]"),      QStringLiteral("DejaVu Sans"),
        QStringLiteral("dejavu sans"),         QStringLiteral("Nimbus Sans [urw]"),
        QStringLiteral("Nimbus Sans Narrow"),  QStringLiteral("Standard Symbols PS [URW ]"),
        QStringLiteral("Standard Symbols PS"), QStringLiteral("Noto Mono")};
    const auto symbol = [](const QString& family) {
        return family.startsWith(u"D050000L") || family == QStringLiteral("Standard Symbols PS");
    };
    EXPECT_EQ(platform::ChooserFamilies(families, symbol),
              (QStringList{QStringLiteral("C059"), QStringLiteral("DejaVu Sans"),
                           QStringLiteral("Nimbus Sans"), QStringLiteral("Nimbus Sans Narrow"),
                           QStringLiteral("Noto Mono")}));

    const QStringList list{QStringLiteral("C059"), QStringLiteral("DejaVu Sans"),
                           QStringLiteral("DejaVu Sans Mono")};
    struct Case {
        const char* name;
        int row;
    };
    for (const Case& c : {Case{"DejaVu Sans", 1}, Case{"dejavu sans mono", 2},
                          Case{"C059 [urw]", 0}, Case{" DejaVu Sans ", 1}, Case{"System", -1},
                          Case{"system", -1}, Case{"", -1}, Case{"DejaVu", -1}}) {
        EXPECT_EQ(platform::ChooserRow(list, QString::fromLatin1(c.name)), c.row) << c.name;
    }
    // The installed list holds no name twice and no name with a foundry.
    const QStringList installed = platform::InstalledChooserFamilies();
    ASSERT_GE(installed.size(), 2);
    EXPECT_EQ(QSet<QString>(installed.begin(), installed.end()).size(), installed.size());
    for (const QString& family : installed) {
        EXPECT_EQ(platform::FamilyWithoutFoundry(family), family);
    }
}

// Opened at the font in use with its list focused; Down moves the choice and the preview, Up
// back; Return takes "OK", Escape cancels.
TEST(FontChooser, OpensAtTheFontInUseAndWorksFromTheKeyboard) {
    const QStringList installed = platform::InstalledChooserFamilies();
    ASSERT_GE(installed.size(), 3);
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "Return" : "Escape");
        FormHarness harness;
        MainWindow& form = harness.show();
        harness.settings.Font = installed[1].toUpper();
        const QString fontBefore = form.Text1->font().family();
        form.menusetupfont->trigger();
        FontChooserWindow* chooser = form.setup().fontChooser();
        ASSERT_NE(chooser, nullptr);
        testing_support::processEvents();
        EXPECT_EQ(chooser->List1->currentRow(), 1);
        EXPECT_EQ(chooser->Label2->text(), QStringLiteral("Font: ") + installed[1]);
        EXPECT_EQ(chooser->Label1->font().family(),
                  platform::FontNamed(QFont(), installed[1]).family());
        EXPECT_FALSE(chooser->Command1->isEnabled());
        EXPECT_EQ(chooser->focusWidget(), chooser->List1);

        testing_support::FocusOn(chooser->List1);
        testing_support::PressKeyInFocus(Qt::Key_Down);
        testing_support::PressKeyInFocus(Qt::Key_Down);
        testing_support::PressKeyInFocus(Qt::Key_Up);
        EXPECT_EQ(chooser->List1->currentRow(), 2);
        EXPECT_EQ(chooser->Label2->text(), QStringLiteral("Font: ") + installed[2]);
        EXPECT_EQ(chooser->Label1->font().family(),
                  platform::FontNamed(QFont(), installed[2]).family());
        EXPECT_TRUE(chooser->Command1->isEnabled());
        EXPECT_EQ(harness.settings.SelectedFont, installed[2]);

        testing_support::PressKeyInFocus(ok ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_EQ(form.setup().fontChooser(), nullptr);
        EXPECT_EQ(harness.settings.Font, ok ? installed[2] : installed[1].toUpper());
        EXPECT_EQ(form.Text1->font().family(),
                  ok ? platform::FontNamed(QFont(), installed[2]).family() : fontBefore);
        testing_support::processEvents();
    }
}

// Return before anything is picked does nothing: "OK" is still disabled.
TEST(FontChooser, ReturnBeforeAPickChangesNothing) {
    FormHarness harness;
    MainWindow& form = harness.show();
    form.menusetupfont->trigger();
    FontChooserWindow* chooser = form.setup().fontChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->List1->selectedItems().isEmpty());  // "System" is no family of it
    EXPECT_EQ(chooser->Label2->text(), QStringLiteral("Font: System"));
    testing_support::FocusOn(chooser->List1);
    EXPECT_TRUE(chooser->List1->selectedItems().isEmpty());
    EXPECT_FALSE(chooser->Command1->isEnabled());
    testing_support::PressKeyInFocus(Qt::Key_Return);
    EXPECT_EQ(form.setup().fontChooser(), chooser);
    EXPECT_EQ(harness.settings.Font, QStringLiteral("System"));
    chooser->close();
}

// Opened from the notebook editor, the chooser stands at the editor's font.
TEST(FontChooser, OpensAtTheEditorsFontForTheEditor) {
    const QStringList installed = platform::InstalledChooserFamilies();
    ASSERT_GE(installed.size(), 3);
    FormHarness harness;
    MainWindow& form = harness.show();
    harness.settings.Font = installed[1];
    harness.settings.EditorFont = installed[2];
    form.menubook->trigger();
    NotebookEditor* editor = form.notebook().notebookWindow();
    ASSERT_NE(editor, nullptr);
    editor->menueditfont->trigger();
    FontChooserWindow* chooser = form.setup().notebookFontChooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->List1->currentRow(), 2);
    EXPECT_EQ(chooser->Label2->text(), QStringLiteral("Font: ") + installed[2]);
    chooser->close();
    editor->close();
}

}  // namespace

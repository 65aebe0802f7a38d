// The locator calculator window driven offscreen: its controls, the checks and messages of
// "Calculate" in their order, the history lists, Enter and leaving a box, the copy, the default
// home locator in locator.ini, help, the first-run prompt, and its opening from the main window.

#include "locator/locator_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "mainwindow/main_window.h"
#include "support/form_harness.h"
#include "support/recording_clipboard.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using testing_support::ReadAll;
using testing_support::WriteAll;

using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;

const QString kDegree = QString(QChar(0x00B0));
const QString kLengthText = QStringLiteral(
    "Invallid locator! A locator must exist out of at least 4 characters and no more then 6 "
    "in total. Examples: JO20, JO20AW");
const QString kFirstRunText = QStringLiteral(
    "First time run! Please enter your HOME LOCATOR in the home locator box and press DEFAULT "
    "to save it (example: JO20AW).");

MessageBoxRequest Warning(const QString& text, const QString& title) {
    return MessageBoxRequest{text, title, MsgButtons::Ok, MsgIcon::Exclamation};
}

QStringList Entries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries.append(box->itemText(i));
    }
    return entries;
}

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(
        QEvent::KeyPress, key, Qt::NoModifier,
        key == Qt::Key_Return || key == Qt::Key_Enter ? QStringLiteral("\r") : QString(QChar(key)));
    QApplication::sendEvent(widget, &press);
}

void LoseFocus(QWidget* widget, Qt::FocusReason reason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(widget, &out);
}

class LocatorWindowTest : public ::testing::Test {
  protected:
    void TearDown() override {
        delete alive_.data();
        QDir::setCurrent(previousCurrent_);
    }

    // A freshly loaded window on the temporary program folder, not shown.
    LocatorWindow& open() {
        delete alive_.data();
        form_ = new LocatorWindow(LocatorServices{dialogs, clipboard, folder.path()});
        alive_ = form_;
        return *form_;
    }

    LocatorWindow& form() { return *form_; }

    // Types both locators and presses "Calculate".
    void calculate(const QString& home, const QString& target) {
        form_->Combo1->setEditText(home);
        form_->Combo2->setEditText(target);
        form_->Command8->click();
    }

    QString iniPath() const { return QDir(folder.path()).filePath(QStringLiteral("locator.ini")); }

    void activate(QWidget* window) {
        window->show();
        window->activateWindow();
        // The activation arrives from the platform; what it starts runs after it.
        testing_support::processEvents();
        testing_support::processEvents();
    }

    // Gives `box` the focus and presses `key` as a keyboard does: to the focused widget.
    static void PressInBox(QWidget* box, int key) {
        box->setFocus();
        testing_support::processEvents();
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        PressKey(focused, key);
    }

    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    QTemporaryDir folder;
    QString previousCurrent_ = QDir::currentPath();
    LocatorWindow* form_ = nullptr;
    QPointer<LocatorWindow> alive_;  // null once the window is gone
};

TEST_F(LocatorWindowTest, HasItsControlsCaptionsAndToolTips) {
    LocatorWindow& f = open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Maidenhead Locator"));
    EXPECT_TRUE(f.isWindow());
    EXPECT_EQ(f.Frame1->title(), QStringLiteral("Maidenhead Locator Calculator"));
    EXPECT_EQ(f.Frame2->title(), QStringLiteral("Output"));
    EXPECT_EQ(f.Label6->text(), QStringLiteral("Home: "));
    EXPECT_EQ(f.Label7->text(), QStringLiteral("Target: "));
    EXPECT_EQ(f.Combo1->toolTip(), QStringLiteral("Home locator"));
    EXPECT_EQ(f.Combo2->toolTip(), QStringLiteral("Target locator"));
    EXPECT_TRUE(f.Combo1->isEditable());
    EXPECT_TRUE(f.Combo2->isEditable());
    EXPECT_EQ(f.Command8->text(), QStringLiteral("Calculate"));
    EXPECT_EQ(f.Command8->toolTip(), QStringLiteral("Calculate distance, azimuth..."));
    EXPECT_EQ(f.Command3->text(), QStringLiteral("Default"));
    EXPECT_EQ(f.Command3->toolTip(), QStringLiteral("Make home locator default at startup"));
    EXPECT_EQ(f.Command4->text(), QStringLiteral("Help"));
    EXPECT_EQ(f.Command2->text(), QStringLiteral("OK"));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Copy"));
    EXPECT_EQ(f.Command1->toolTip(), QStringLiteral("Copy to clipboard"));
    EXPECT_EQ(f.Label12->text(), QStringLiteral("Distance:"));
    EXPECT_EQ(f.Label13->text(), QStringLiteral("Azimuth:"));
    EXPECT_EQ(f.Label8->text(), QStringLiteral("Longitude:"));
    EXPECT_EQ(f.Label9->text(), QStringLiteral("Latitude:"));
    EXPECT_EQ(f.Label14->text(), QStringLiteral("0 Km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral("0 Degrees"));
    EXPECT_EQ(f.Label10->text(), QStringLiteral("0") + kDegree);
    EXPECT_EQ(f.Label11->text(), QStringLiteral("0") + kDegree);
    EXPECT_FALSE(f.Image1->pixmap().isNull());
    EXPECT_TRUE(f.Combo1->currentText().isEmpty());
    EXPECT_TRUE(f.Combo2->currentText().isEmpty());
    EXPECT_EQ(f.Combo1->count(), 0);
    EXPECT_EQ(f.Combo2->count(), 0);
}

TEST_F(LocatorWindowTest, CalculatesTheWorkedExample) {
    LocatorWindow& f = open();
    calculate(QStringLiteral("JO20AW"), QStringLiteral("JN11"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 184 degrees"));
    EXPECT_EQ(f.Label10->text(), QStringLiteral("-2.958333") + kDegree);
    EXPECT_EQ(f.Label11->text(), QStringLiteral(" 41.47917") + kDegree);
    EXPECT_EQ(f.texts.HomeLocator, "JO20AW");
    EXPECT_EQ(f.texts.TargetLocator, "JN11");
    // The target is selected with the focus, to be typed over.
    EXPECT_EQ(f.focusWidget(), f.Combo2);
    EXPECT_EQ(f.Combo2->lineEdit()->selectedText(), QStringLiteral("JN11"));

    // Both ways, and in any case: the texts go to the calculation as typed.
    calculate(QStringLiteral("jn11"), QStringLiteral("jo20aw"));
    EXPECT_EQ(f.texts.HomeLocator, "jn11");
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 4 degrees"));
    EXPECT_EQ(f.Label10->text(), QStringLiteral("-4.041667") + kDegree);
    EXPECT_EQ(f.Label11->text(), QStringLiteral(" 50.9375") + kDegree);
}

struct CheckCase {
    const char* name;
    const char* home;
    const char* target;
    const char* text;   // null: the length message
    const char* title;  // empty: the application title
    bool focusHome;
};

class CalculateChecks : public LocatorWindowTest,
                        public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CalculateChecks, StopAtTheFirstFailingCheckWithItsMessage) {
    const CheckCase& c = GetParam();
    LocatorWindow& f = open();
    calculate(QStringLiteral("JO20AW"), QStringLiteral("JN11"));  // results to keep
    f.Combo1->setFocus();
    dialogs.clear();

    calculate(QString::fromLatin1(c.home), QString::fromLatin1(c.target));
    const QString title =
        *c.title == '\0' ? QStringLiteral("Quorvin") : QString::fromLatin1(c.title);
    ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
    const QString text = c.text == nullptr ? kLengthText : QString::fromLatin1(c.text);
    EXPECT_EQ(dialogs.messageBoxes().front(), Warning(text, title));
    // The results of the last good calculation stay.
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 184 degrees"));
    EXPECT_EQ(f.Label10->text(), QStringLiteral("-2.958333") + kDegree);
    EXPECT_EQ(f.Label11->text(), QStringLiteral(" 41.47917") + kDegree);
    if (c.focusHome) {
        EXPECT_EQ(f.focusWidget(), f.Combo1);
    } else if (*c.title != '\0') {
        EXPECT_EQ(f.focusWidget(), f.Combo2);
    } else {
        EXPECT_EQ(f.focusWidget(), f.Combo1);  // an invalid locator leaves the focus alone
    }
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, CalculateChecks,
    ::testing::Values(
        CheckCase{"HomeTooShort", "JO2", "JN11", nullptr, "Invalid Home Locator", true},
        // Seven characters are refused though the first six make a locator.
        CheckCase{"HomeTooLong", "JO20AWX", "JN11", nullptr, "Invalid Home Locator", true},
        CheckCase{"BothWrongSizeShowsOnlyHome", "", "JN", nullptr, "Invalid Home Locator", true},
        CheckCase{"TargetTooShort", "JO20AW", "JN1", nullptr, "Invalid Target Locator", false},
        CheckCase{"TargetTooLong", "JO20AW", "JN11AAA", nullptr, "Invalid Target Locator", false},
        CheckCase{"HomeOnlyBlanks", "    ", "JN11", "Please enter a home locator!", "No locator",
                  true},
        CheckCase{"HomeTwoAfterBlanks", "  JO", "   JN", "Please enter a home locator!",
                  "No locator", true},
        CheckCase{"TargetTwoAfterBlanks", "JO20", "   JN", "Please enter a target locator!",
                  "No locator", false},
        CheckCase{"HomeInvalid", "JO2OAW", "JN11", "Invalid locator!", "", false},
        CheckCase{"TargetInvalid", "JO20AW", "JO20 A", "Invalid locator!", "", false},
        CheckCase{"SecondLetterS", "JS00", "JN11", "Invalid locator!", "", false}),
    [](const ::testing::TestParamInfo<CheckCase>& param) { return std::string(param.param.name); });

TEST_F(LocatorWindowTest, LengthMessageIsTheSameForBothBoxes) {
    open();
    calculate(QStringLiteral("JO2"), QStringLiteral("JN11"));
    calculate(QStringLiteral("JO20"), QStringLiteral("JN11AAA"));
    ASSERT_EQ(dialogs.messageBoxes().size(), 2U);
    EXPECT_EQ(dialogs.messageBoxes()[0],
              Warning(kLengthText, QStringLiteral("Invalid Home Locator")));
    EXPECT_EQ(dialogs.messageBoxes()[1],
              Warning(kLengthText, QStringLiteral("Invalid Target Locator")));
}

TEST_F(LocatorWindowTest, HistoriesGrowInOrderOfFirstUseInUpperCase) {
    LocatorWindow& f = open();
    calculate(QStringLiteral("JO20AW"), QStringLiteral("JN11"));
    calculate(QStringLiteral("JO20AW"), QStringLiteral("JN11"));  // nothing new
    EXPECT_EQ(Entries(f.Combo1), QStringList{QStringLiteral("JO20AW")});
    EXPECT_EQ(Entries(f.Combo2), QStringList{QStringLiteral("JN11")});

    calculate(QStringLiteral("JO20AW"), QStringLiteral("jn12"));
    calculate(QStringLiteral("JO20AW"), QStringLiteral("IO91"));
    EXPECT_EQ(Entries(f.Combo2), (QStringList{QStringLiteral("JN11"), QStringLiteral("JN12"),
                                              QStringLiteral("IO91")}));
    // Adding an entry leaves the typed text alone.
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("IO91"));

    // The comparison is exact: a text in lower case matches no upper-case entry.
    calculate(QStringLiteral("jo20aw"), QStringLiteral("JN11"));
    EXPECT_EQ(Entries(f.Combo1), (QStringList{QStringLiteral("JO20AW"), QStringLiteral("JO20AW")}));

    // A home that passes its checks is remembered even when the target then fails.
    calculate(QStringLiteral("KO30"), QStringLiteral("   X"));
    EXPECT_EQ(Entries(f.Combo1).last(), QStringLiteral("KO30"));
    EXPECT_EQ(Entries(f.Combo2).size(), 3);
    // Locators that are well-sized but invalid are remembered too: the checks come first.
    calculate(QStringLiteral("KO30"), QStringLiteral("ZZ99"));
    EXPECT_EQ(Entries(f.Combo2).last(), QStringLiteral("ZZ99"));
    // A refused length remembers nothing.
    calculate(QStringLiteral("KO3"), QStringLiteral("JN11"));
    EXPECT_EQ(Entries(f.Combo1).size(), 3);

    // The lists go with the window.
    open();
    EXPECT_EQ(form().Combo1->count(), 0);
    EXPECT_EQ(form().Combo2->count(), 0);
}

TEST_F(LocatorWindowTest, IdenticalTextsHaveNoAzimuth) {
    LocatorWindow& f = open();
    calculate(QStringLiteral("JO20AW"), QStringLiteral("JO20AW"));
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 0 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" none degrees"));
    EXPECT_EQ(f.texts.AzimuthText, " none");
    // Different texts for the same place are calculated normally.
    calculate(QStringLiteral("JO20"), QStringLiteral("JO20LL"));
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 0 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 0 degrees"));
    calculate(QStringLiteral("jo20aw"), QStringLiteral("JO20AW"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 0 degrees"));
}

TEST_F(LocatorWindowTest, EnterInTheHomeBoxCalculatesOnlyWithATarget) {
    LocatorWindow& f = open();
    activate(&f);
    dialogs.clear();  // the first-run prompt
    f.Combo1->setEditText(QStringLiteral("JO20AW"));
    for (const QString& shortTarget : {QString(), QStringLiteral("JN")}) {
        f.Combo2->setEditText(shortTarget);
        PressInBox(f.Combo1, Qt::Key_Return);
        EXPECT_TRUE(dialogs.shown().empty());
        EXPECT_EQ(f.Label14->text(), QStringLiteral("0 Km"));
        EXPECT_EQ(f.focusWidget(), f.Combo2);
        EXPECT_EQ(f.Combo1->count(), 0);
    }
    // Three characters are enough to try: the target is upper-cased, then checked.
    f.Combo2->setEditText(QStringLiteral("jn1"));
    PressInBox(f.Combo1, Qt::Key_Return);
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("JN1"));
    ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(dialogs.messageBoxes().front().title, QStringLiteral("Invalid Target Locator"));

    f.Combo2->setEditText(QStringLiteral("jn11"));
    PressInBox(f.Combo1, Qt::Key_Enter);  // the keypad's Enter too
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("JN11"));
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("JO20AW"));
}

TEST_F(LocatorWindowTest, EnterInTheTargetBoxUpperCasesAndCalculates) {
    LocatorWindow& f = open();
    activate(&f);
    dialogs.clear();       // the first-run prompt
    f.Combo2->setFocus();  // before the texts: leaving the home box would upper-case it
    testing_support::processEvents();
    f.Combo1->setEditText(QStringLiteral("jo20aw"));
    f.Combo2->setEditText(QStringLiteral("jn11"));
    PressInBox(f.Combo2, Qt::Key_Return);
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("JN11"));
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("jo20aw"));  // the home box as typed
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_EQ(f.Label15->text(), QStringLiteral(" 184 degrees"));
    EXPECT_EQ(Entries(f.Combo2), QStringList{QStringLiteral("JN11")});

    // Other keys are typed as usual and calculate nothing.
    f.Combo2->setEditText(QStringLiteral("IO9"));
    f.Combo2->lineEdit()->end(false);
    PressInBox(f.Combo2, Qt::Key_1);
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("IO91"));
    EXPECT_EQ(f.Label14->text(), QStringLiteral(" 1054 km"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(LocatorWindowTest, LeavingABoxUpperCasesItsText) {
    LocatorWindow& f = open();
    f.Combo1->setEditText(QStringLiteral("jo20aw"));
    f.Combo2->setEditText(QStringLiteral("jn11"));
    // Opening a box's list keeps the focus in the window's sense.
    LoseFocus(f.Combo1, Qt::PopupFocusReason);
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("jo20aw"));
    LoseFocus(f.Combo1, Qt::TabFocusReason);
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("JO20AW"));
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("jn11"));
    LoseFocus(f.Combo2->lineEdit(), Qt::MouseFocusReason);
    EXPECT_EQ(f.Combo2->currentText(), QStringLiteral("JN11"));
    EXPECT_EQ(f.Combo1->count(), 0);  // nothing is remembered by leaving a box
}

TEST_F(LocatorWindowTest, CopiesSixLinesWithCrLf) {
    LocatorWindow& f = open();
    // Before any calculation, the initial captions.
    f.Combo1->setEditText(QStringLiteral("jo20aw"));
    f.Command1->click();
    EXPECT_EQ(clipboard.text(),
              QStringLiteral("Home locator:JO20AW\r\nTarget Locator:\r\nDistance:0 Km\r\n"
                             "Azimuth :0 Degrees\r\nLongitude:0") +
                  kDegree + QStringLiteral("\r\nLatitude:0") + kDegree + QStringLiteral("\r\n"));

    // After one, the result captions; a 4-character locator stays 4 characters.
    calculate(QStringLiteral("jo20aw"), QStringLiteral("jn11"));
    f.Command1->click();
    EXPECT_EQ(clipboard.text(),
              QStringLiteral("Home locator:JO20AW\r\nTarget Locator:JN11\r\nDistance: 1054 km\r\n"
                             "Azimuth : 184 degrees\r\nLongitude:-2.958333") +
                  kDegree + QStringLiteral("\r\nLatitude: 41.47917") + kDegree +
                  QStringLiteral("\r\n"));
    EXPECT_EQ(f.copyText(), clipboard.text());
}

TEST_F(LocatorWindowTest, DefaultWritesTheHomeLocatorAndTheNextWindowLoadsIt) {
    LocatorWindow& f = open();
    f.Combo1->setEditText(QStringLiteral("jo20aw"));
    f.Command3->click();
    EXPECT_EQ(ReadAll(iniPath()), QByteArray("JO20AW\r\n"));
    EXPECT_TRUE(dialogs.shown().empty());

    LocatorWindow& next = open();
    EXPECT_EQ(next.Combo1->currentText(), QStringLiteral("JO20AW"));
    EXPECT_EQ(Entries(next.Combo1), QStringList{QStringLiteral("JO20AW")});
    EXPECT_TRUE(next.Combo2->currentText().isEmpty());
    EXPECT_EQ(next.Combo2->count(), 0);

    // Whatever the box holds is written, and replaces the file.
    next.Combo1->setEditText(QStringLiteral("not a locator"));
    next.Command3->click();
    EXPECT_EQ(ReadAll(iniPath()), QByteArray("NOT A LOCATOR\r\n"));
}

TEST_F(LocatorWindowTest, LocatorIniIsReadUpToTheFirstCommaOfTheFirstLine) {
    WriteAll(iniPath(), "IO91wm,anything\r\nJO20AW\r\n");
    EXPECT_EQ(open().Combo1->currentText(), QStringLiteral("IO91wm"));
    EXPECT_EQ(Entries(form().Combo1),
              QStringList{QStringLiteral("IO91WM")});  // lists are upper case
    WriteAll(iniPath(), "KO30");                       // no line end
    EXPECT_EQ(open().Combo1->currentText(), QStringLiteral("KO30"));
    WriteAll(iniPath(), "");
    EXPECT_TRUE(open().Combo1->currentText().isEmpty());
    EXPECT_EQ(form().Combo1->count(), 0);
    QFile::remove(iniPath());
    EXPECT_TRUE(open().Combo1->currentText().isEmpty());
    EXPECT_EQ(form().Combo1->count(), 0);
}

TEST_F(LocatorWindowTest, LocatorIniStaysInTheProgramFolderWhateverFolderIsCurrent) {
    // A file dialog may have made another folder current; the default must not follow it.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    WriteAll(QDir(elsewhere.path()).filePath(QStringLiteral("locator.ini")), "AA00\r\n");
    WriteAll(iniPath(), "JO20AW\r\n");

    LocatorWindow& f = open();
    EXPECT_EQ(f.locatorIniPath(), iniPath());
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("JO20AW"));
    f.Combo1->setEditText(QStringLiteral("KO30"));
    f.Command3->click();
    EXPECT_EQ(ReadAll(iniPath()), QByteArray("KO30\r\n"));
    EXPECT_EQ(ReadAll(QDir(elsewhere.path()).filePath(QStringLiteral("locator.ini"))),
              QByteArray("AA00\r\n"));
}

TEST_F(LocatorWindowTest, DefaultThatCannotBeWrittenSaysSo) {
    QDir(folder.path()).mkdir(QStringLiteral("locator.ini"));  // a folder where the file goes
    LocatorWindow& f = open();
    f.Combo1->setEditText(QStringLiteral("JO20AW"));
    f.Command3->click();
    const MessageBoxRequest failed{QStringLiteral("Could not write to disk."),
                                   QStringLiteral("Error nr: 75"), MsgButtons::Ok,
                                   MsgIcon::Exclamation};
    EXPECT_EQ(dialogs.messageBoxes(), std::vector<MessageBoxRequest>{failed});
    EXPECT_TRUE(QFileInfo(iniPath()).isDir());
    EXPECT_TRUE(f.Combo1->currentText() == QStringLiteral("JO20AW"));
}

TEST_F(LocatorWindowTest, HelpShowsSixParagraphs) {
    LocatorWindow& f = open();
    f.Command4->click();
    ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
    const MessageBoxRequest box = dialogs.messageBoxes().front();
    EXPECT_EQ(box.title, QStringLiteral("Help: Maidenhead Locator"));
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(
        box.text,
        QStringLiteral(
            "This locator-module calculates the distance, azimuth, longitude and latitude "
            "between two maidenhead locators used by ham's. A maidenhead locator exists out of 6 "
            "characters, example: JO20AW, JN11...\r"
            "Type your (or any you like) home-locator in the locator-box and type a "
            "target-locator in the target-box. Click on 'Calculate' or press enter to see the "
            "result.\r\r"
            "The locators you type are stored temporary.\r\r"
            "DEFAULT = To save your home-locator click on the 'default'-button and the locator "
            "typed in the home-box will be remembered.\r\r"
            "COPY = The COPY-button copies the 'Output-window' to the clipboard.\r\r"
            "SOUTH latitude and EAST longitude are shown as negative numbers!"));
}

TEST_F(LocatorWindowTest, OkUnloadsTheWindowAndLeavesLocatorIniAlone) {
    WriteAll(iniPath(), "JO20AW\r\n");
    LocatorWindow& f = open();
    f.Combo1->setEditText(QStringLiteral("KO30"));
    f.Command2->click();
    EXPECT_TRUE(f.isUnloaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive_.isNull());
    EXPECT_EQ(ReadAll(iniPath()), QByteArray("JO20AW\r\n"));
}

// ---- activation, with real windows on the offscreen platform ----

class LocatorActivation : public LocatorWindowTest {
  protected:
    std::size_t firstRunPrompts() const {
        std::size_t count = 0;
        for (const MessageBoxRequest& box : dialogs.messageBoxes()) {
            if (box == MessageBoxRequest{kFirstRunText, QStringLiteral("First time run"),
                                         MsgButtons::Ok, MsgIcon::Information}) {
                ++count;
            }
        }
        return count;
    }

    QWidget other;  // another window of the program
};

TEST_F(LocatorActivation, WithoutADefaultEveryActivationPromptsForTheHomeLocator) {
    LocatorWindow& f = open();
    activate(&f);
    ASSERT_TRUE(f.isActiveWindow());
    EXPECT_EQ(firstRunPrompts(), 1U);
    EXPECT_EQ(dialogs.shown().size(), 1U);
    EXPECT_EQ(f.focusWidget(), f.Combo1);

    // Nothing more while the window stays active, nor for a box's drop-down list.
    testing_support::processEvents();
    f.Combo2->addItem(QStringLiteral("JN11"));
    f.Combo2->showPopup();
    testing_support::processEvents();
    f.Combo2->hidePopup();
    activate(&f);
    EXPECT_EQ(firstRunPrompts(), 1U);

    // Back from another window of the program: again.
    activate(&other);
    ASSERT_FALSE(f.isActiveWindow());
    activate(&f);
    EXPECT_EQ(firstRunPrompts(), 2U);

    // Once a home locator is typed, activation only puts the focus in the target box.
    f.Combo1->setEditText(QStringLiteral("JO20AW"));
    activate(&other);
    activate(&f);
    EXPECT_EQ(firstRunPrompts(), 2U);
    EXPECT_EQ(f.focusWidget(), f.Combo2);
}

TEST_F(LocatorActivation, WithADefaultTheFocusGoesToTheTargetBox) {
    WriteAll(iniPath(), "JO20AW\r\n");
    LocatorWindow& f = open();
    activate(&f);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(f.focusWidget(), f.Combo2);
}

// Message boxes that are real windows: each takes the focus while it shows, as a modal box
// does, and gives it back to the window that was active.
class WindowedDialogs final : public platform::Dialogs {
  public:
    int shown = 0;

  protected:
    platform::MsgResult showMessageBox(const MessageBoxRequest& /*request*/) override {
        ++shown;
        QWidget* owner = QApplication::activeWindow();
        {
            QWidget box;
            box.show();
            box.activateWindow();
            testing_support::processEvents();
            EXPECT_TRUE(box.isActiveWindow());
        }
        if (owner != nullptr) {
            owner->activateWindow();
        }
        testing_support::processEvents();
        return platform::MsgResult::Ok;
    }
    QString showInputBox(const platform::InputBoxRequest& /*request*/) override { return {}; }
    QString showFileDialog(const platform::FileDialogRequest& /*request*/) override { return {}; }
};

TEST_F(LocatorActivation, ComingBackFromItsOwnMessageBoxIsNoActivation) {
    WindowedDialogs boxes;
    auto* f = new LocatorWindow(LocatorServices{boxes, clipboard, folder.path()});
    alive_ = f;
    activate(f);
    EXPECT_EQ(boxes.shown, 1);  // the first-run prompt, once
    ASSERT_TRUE(f->isActiveWindow());
    testing_support::processEvents();
    EXPECT_EQ(boxes.shown, 1);

    // The calculation's own messages do not count either, though the home box is still empty.
    f->Combo1->setEditText(QString());
    f->Command8->click();
    testing_support::processEvents();
    EXPECT_EQ(boxes.shown, 2);
    ASSERT_TRUE(f->isActiveWindow());

    // Another window of the program does.
    activate(&other);
    activate(f);
    EXPECT_EQ(boxes.shown, 3);
}

TEST(FindLocatorItem, OpensOneCalculatorAndBringsItForward) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.show();
    EXPECT_EQ(form.menufindlocat->text(), QStringLiteral("Find Locator..."));
    EXPECT_EQ(form.menufindlocat->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(form.locatorWindow(), nullptr);
    {
        QFile ini(harness.filePath(QStringLiteral("locator.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("JO20AW\r\n");
    }

    form.menufindlocat->trigger();
    testing_support::processEvents();
    LocatorWindow* calculator = form.locatorWindow();
    ASSERT_NE(calculator, nullptr);
    EXPECT_TRUE(calculator->isVisible());
    EXPECT_TRUE(calculator->isWindow());
    EXPECT_EQ(calculator->parentWidget(), nullptr);  // not closed with the main window
    EXPECT_EQ(calculator->Combo1->currentText(), QStringLiteral("JO20AW"));
    EXPECT_TRUE(harness.dialogs.shown().empty());

    // Modeless: the main window goes on working; the item brings the same window forward.
    calculator->Combo2->setEditText(QStringLiteral("JN11"));
    calculator->Command8->click();
    form.activateWindow();
    testing_support::processEvents();
    form.menufindlocat->trigger();
    testing_support::processEvents();
    EXPECT_EQ(form.locatorWindow(), calculator);
    EXPECT_TRUE(calculator->isActiveWindow());
    EXPECT_EQ(calculator->Combo2->count(), 1);

    // Closed, it is gone; the next opening loads a new one without the history.
    QPointer<LocatorWindow> closed = calculator;
    calculator->Command2->click();
    EXPECT_EQ(form.locatorWindow(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
    form.menufindlocat->trigger();
    testing_support::processEvents();
    ASSERT_NE(form.locatorWindow(), nullptr);
    EXPECT_EQ(form.locatorWindow()->Combo2->count(), 0);
    // The main window takes an open calculator with it when it goes.
    QPointer<LocatorWindow> open = form.locatorWindow();
    harness.destroy();
    EXPECT_TRUE(open.isNull());
}

}  // namespace

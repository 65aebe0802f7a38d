// The platform layer: the Dialogs service and its scripted stand-in, twips, the program
// folder, window timers, picture boxes, outside programs, and the program's command line.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <QtTest/QTest>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/dialog_sizes.h"
#include "platform/dialogs.h"
#include "platform/form_timer.h"
#include "platform/outside_programs.h"
#include "platform/picture_box.h"
#include "platform/program_folder.h"
#include "platform/qt_dialogs.h"
#include "platform/twips.h"
#include "receiver/command_line.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using platform::InputBoxRequest;
using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
using testing_support::ScriptedDialogs;

TEST(Dialogs, EveryBoxIsRecordedWithItsTitleOrTheApplicationTitle) {
    ScriptedDialogs dialogs;
    dialogs.msgBox(QStringLiteral("plain"));
    dialogs.msgBox(QStringLiteral("question"), MsgButtons::YesNoCancel, MsgIcon::Question,
                   QStringLiteral("Reset"));
    dialogs.inputBox(QStringLiteral("Enter:"), QStringLiteral("Call sign"), QStringLiteral("X"));
    dialogs.inputBox(QStringLiteral("Name?"));
    ASSERT_EQ(dialogs.shown().size(), 4U);
    EXPECT_EQ(dialogs.messageBoxes(),
              (std::vector<MessageBoxRequest>{{QStringLiteral("plain"), QStringLiteral("Quorvin"),
                                               MsgButtons::Ok, MsgIcon::None},
                                              {QStringLiteral("question"), QStringLiteral("Reset"),
                                               MsgButtons::YesNoCancel, MsgIcon::Question}}));
    EXPECT_EQ(dialogs.inputBoxes(),
              (std::vector<InputBoxRequest>{
                  {QStringLiteral("Enter:"), QStringLiteral("Call sign"), QStringLiteral("X")},
                  {QStringLiteral("Name?"), QStringLiteral("Quorvin"), QString()}}));
    EXPECT_TRUE(std::holds_alternative<InputBoxRequest>(dialogs.shown()[2]));
}

TEST(Dialogs, AnswersComeFromTheScriptInOrder) {
    ScriptedDialogs dialogs;
    dialogs.answer(MsgResult::No);
    dialogs.answer(QStringLiteral("PA3XYZ"));
    dialogs.answer(MsgResult::Cancel);
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("a"), MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(dialogs.inputBox(QStringLiteral("b")), QStringLiteral("PA3XYZ"));
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("c"), MsgButtons::OkCancel), MsgResult::Cancel);
    EXPECT_EQ(dialogs.pendingAnswers(), 0U);
    // A question closed without an answer, and the window a box was asked for over.
    QWidget window;
    dialogs.answer(MsgResult::Cancel);
    {
        const platform::Dialogs::Over over(dialogs, &window);
        EXPECT_EQ(
            dialogs.askOrCancel(QStringLiteral("d"), MsgButtons::YesNo, MsgIcon::None, QString()),
            MsgResult::Cancel);
    }
    EXPECT_TRUE(dialogs.messageBoxes().back().closeCancels);
    EXPECT_EQ(dialogs.boxWindows(),
              (std::vector<const QWidget*>{nullptr, nullptr, nullptr, &window}));
}

TEST(Dialogs, WithoutAScriptBoxesAreAnsweredAsEnterWould) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("a"), MsgButtons::YesNoCancel), MsgResult::Yes);
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("b"), MsgButtons::RetryCancel), MsgResult::Retry);
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("c"), MsgButtons::AbortRetryIgnore), MsgResult::Abort);
    EXPECT_EQ(dialogs.inputBox(QStringLiteral("d"), QString(), QStringLiteral("default")),
              QStringLiteral("default"));
}

TEST(Dialogs, AnAnswerOfTheWrongKindIsAScriptingError) {
    ScriptedDialogs dialogs;
    dialogs.answer(QStringLiteral("text"));
    EXPECT_THROW(dialogs.msgBox(QStringLiteral("a")), std::logic_error);
    dialogs.answer(MsgResult::Ok);
    EXPECT_THROW(dialogs.inputBox(QStringLiteral("b")), std::logic_error);
}

// The real boxes: a Yes/No question that is closed without an answer, by Escape or by its close
// button, answers Cancel when asked so, and No otherwise, as Qt's own box does; and it shows over
// the window it was asked for over.
TEST(QtDialogs, EscapeAndTheCloseButtonCancelAQuestionThatAsksSo) {
    enum class Way { Escape, CloseButton };
    struct Case {
        Way way;
        bool closeCancels;
        MsgResult answer;
    };
    QWidget window;
    window.show();
    platform::QtDialogs dialogs;
    for (const Case& c :
         {Case{Way::Escape, true, MsgResult::Cancel},
          Case{Way::CloseButton, true, MsgResult::Cancel}, Case{Way::Escape, false, MsgResult::No},
          Case{Way::CloseButton, false, MsgResult::No}}) {
        SCOPED_TRACE(testing::Message()
                     << "way " << static_cast<int>(c.way) << ", closeCancels " << c.closeCancels);
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&] {
            QWidget* box = nullptr;
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return (box = QApplication::activeModalWidget()); }, 10000));
            ASSERT_NE(box, nullptr);
            parent = box->parentWidget();
            if (c.way == Way::Escape) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->close();
            }
        });
        const platform::Dialogs::Over over(dialogs, &window);
        const MsgResult answer =
            c.closeCancels ? dialogs.askOrCancel(QStringLiteral("Save?"), MsgButtons::YesNo,
                                                 MsgIcon::Information, QStringLiteral("NoteBook"))
                           : dialogs.msgBox(QStringLiteral("Save?"), MsgButtons::YesNo,
                                            MsgIcon::Information, QStringLiteral("NoteBook"));
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(parent, &window);
    }
}

TEST(Twips, FifteenPerPixel) {
    EXPECT_EQ(platform::PixelsToTwips(662), 9930.0);
    EXPECT_EQ(platform::TwipsToPixels(3000), 200.0);
    EXPECT_EQ(platform::TwipsToPixels(6001), 6001.0 / 15.0);
}

TEST(ProgramFolder, TheExecutablesFolderWhenWritableElseTheUsersDataFolder) {
    EXPECT_EQ(platform::ChooseProgramFolder("/opt/q", true, "/home/u/.local/share/Quorvin"),
              QStringLiteral("/opt/q"));
    EXPECT_EQ(platform::ChooseProgramFolder("/usr/bin", false, "/home/u/.local/share/Quorvin"),
              QStringLiteral("/home/u/.local/share/Quorvin"));
}

// Shipped files come from ../share/quorvin of an installation first, then from beside the
// executable (a build tree or a portable copy).
TEST(ShippedFiles, FromShareQuorvinFirstThenBesideTheExecutable) {
    const struct {
        bool shareFolder;
        bool inShare;
        bool besideExecutable;
        const char* found;
    } cases[] = {
        {false, false, false, ""},
        {false, false, true, "bin/alarm.wav"},
        {true, false, false, ""},
        {true, false, true, "bin/alarm.wav"},
        {true, true, false, "share/quorvin/alarm.wav"},
        {true, true, true, "share/quorvin/alarm.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.shareFolder << c.inShare << c.besideExecutable);
        const QTemporaryDir root;
        const QDir top(root.path());
        ASSERT_TRUE(top.mkpath(QStringLiteral("bin")));
        const QString bin = top.filePath(QStringLiteral("bin"));
        const QString share = top.filePath(QStringLiteral("share/quorvin"));
        if (c.shareFolder) {
            ASSERT_TRUE(top.mkpath(QStringLiteral("share/quorvin")));
        }
        if (c.inShare) {
            QFile(QDir(share).filePath(QStringLiteral("alarm.wav"))).open(QIODevice::WriteOnly);
        }
        if (c.besideExecutable) {
            QFile(QDir(bin).filePath(QStringLiteral("alarm.wav"))).open(QIODevice::WriteOnly);
        }
        const QString expected =
            *c.found == '\0' ? QString() : top.filePath(QString::fromLatin1(c.found));
        EXPECT_EQ(platform::ShippedFile(bin, QStringLiteral("alarm.wav")), expected);
        EXPECT_EQ(platform::IsInstalledLayout(bin), c.shareFolder);
        EXPECT_EQ(platform::ShippedFolder(bin), c.shareFolder ? share : bin);
    }
    EXPECT_TRUE(platform::ShippedFile(QString(), QStringLiteral("alarm.wav")).isEmpty());
    EXPECT_FALSE(platform::IsInstalledLayout(QString()));
}

TEST(ShippedFiles, TheCandidatesAreAbsoluteAndRelativeToTheExecutable) {
    EXPECT_EQ(platform::ShippedFolderCandidates(QStringLiteral("/opt/q/bin")),
              QStringList({QStringLiteral("/opt/q/share/quorvin"), QStringLiteral("/opt/q/bin")}));
    EXPECT_EQ(platform::ShippedFolderCandidates(QStringLiteral("/usr/bin/")),
              QStringList({QStringLiteral("/usr/share/quorvin"), QStringLiteral("/usr/bin")}));
}

TEST(ProgramFolder, TheRunningProgramsFolderExistsAndIsWritable) {
    const QString folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QDir(folder).exists());
    QFile probe(QDir(folder).filePath(QStringLiteral("quorvin-probe.tmp")));
    ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
    probe.close();
    EXPECT_TRUE(probe.remove());
}

TEST(FormTimer, EnablingARunningTimerKeepsIt) {
    platform::FormTimer timer;
    timer.setInterval(5000);
    EXPECT_FALSE(timer.isEnabled());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isEnabled());
    const int id = timer.timerId();
    timer.setEnabled(true);
    EXPECT_EQ(timer.timerId(), id);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isEnabled());
}

TEST(PictureBox, DrawingFollowsTheInnerAreaAndKeepsWhatItHolds) {
    platform::PictureBox box(nullptr, platform::PictureBox::Border::Sunken3D);
    box.setBackColor(QColor(0, 0, 255));
    box.setGeometry(0, 0, 516, 85);
    EXPECT_EQ(box.innerRect(), QRect(2, 2, 512, 81));
    ASSERT_EQ(box.image().size(), QSize(512, 81));
    box.image().setPixel(3, 4, qRgb(255, 0, 0));
    box.resize(516, 100);
    ASSERT_EQ(box.image().size(), QSize(512, 96));
    EXPECT_EQ(box.image().pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(box.image().pixel(3, 90), qRgb(0, 0, 255));
    box.resize(-5, -5);
    EXPECT_EQ(box.image().size(), QSize(0, 0));
}

TEST(PictureBox, ChangingTheBackgroundColourClearsTheDrawing) {
    platform::PictureBox box;
    box.setGeometry(0, 0, 10, 10);
    box.image().fill(qRgb(1, 2, 3));
    box.setBackColor(QColor(128, 0, 0));
    EXPECT_EQ(box.image().pixel(5, 5), qRgb(128, 0, 0));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(qRgb(0, 255, 0));
    box.setPicture(picture);
    EXPECT_EQ(box.image().pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_EQ(box.image().pixel(4, 4), qRgb(128, 0, 0));
    box.clear();
    EXPECT_EQ(box.image().pixel(0, 0), qRgb(128, 0, 0));
}

// ---- outside programs ----

// A folder of fake programs that stands in for the search path while it lives: each writes its
// argument beside itself (NAME.arg) and exits with the status it is given.
class FakePrograms {
  public:
    FakePrograms() : path_(qgetenv("PATH")) { qputenv("PATH", folder_.path().toLocal8Bit()); }
    ~FakePrograms() { qputenv("PATH", path_); }
    FakePrograms(const FakePrograms&) = delete;
    FakePrograms& operator=(const FakePrograms&) = delete;

    // An exit status below 0: a program that cannot be run (its interpreter is missing).
    void add(const QString& name, int exitStatus) const {
        QFile script(folder_.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(exitStatus < 0
                         ? QByteArray("#!/nonexistent/sh\n")
                         : QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\nexit %1\n")
                               .arg(exitStatus)
                               .toLocal8Bit());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    }
    QString argument(const QString& name) const {
        return QString::fromLocal8Bit(testing_support::ReadAll(folder_.filePath(name + ".arg")));
    }

  private:
    QTemporaryDir folder_;
    QByteArray path_;
};

// Waits, handling events, until `done` holds or ten seconds have passed.
bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Nothing opening the file is said whenever it is so: nothing to start, or the desktop's opener
// that stood in exiting with a failure. The opener is watched without waiting for it.
TEST(SystemOutsidePrograms, SayWhenNothingOpensTheFile) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    GTEST_SKIP() << "fake programs are shell scripts";
#endif
    QTemporaryDir files;
    const QString file = files.filePath(QStringLiteral("my log.txt"));
    testing_support::WriteAll(file, "text");
    struct Case {
        std::vector<std::pair<QString, int>> installed;  // programs and their exit statuses
        bool started;
        int failures;
        QString openedBy;  // the program given the file
    };
    const QString editor = QStringLiteral("gedit");
    const QString opener = QStringLiteral("xdg-open");
    const std::vector<Case> cases = {
        {{{editor, 0}, {opener, 4}}, true, 0, editor},
        {{{opener, 0}}, true, 0, opener},
        {{{opener, 4}}, true, 1, opener},
        {{{opener, -1}}, true, 1, QString()},
        {{}, false, 0, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed.size());
        const FakePrograms fakes;
        for (const auto& [name, status] : c.installed) {
            fakes.add(name, status);
        }
        platform::SystemOutsidePrograms programs;
        int failures = 0;
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(programs.start(platform::OutsideProgram::TextEditor, file, [&] { ++failures; }),
                  c.started);
        EXPECT_LT(clock.elapsed(), 1000) << "the caller waited";
        ASSERT_TRUE(WaitUntil([&] { return programs.openersRunning() == 0; }));
        if (!c.openedBy.isEmpty()) {
            ASSERT_TRUE(WaitUntil([&] { return !fakes.argument(c.openedBy).isEmpty(); }));
            EXPECT_EQ(fakes.argument(c.openedBy), file);
        }
        EXPECT_EQ(failures, c.failures);
        // The mixer is never handed to the opener.
        EXPECT_FALSE(programs.start(platform::OutsideProgram::SoundMixer));
    }
}

// ---- command line ----

using receiver::CommandLine;
using receiver::ParseCommandLine;

TEST(CommandLineArguments, NoneMeansTheSoundCard) {
    const CommandLine c = ParseCommandLine({});
    EXPECT_EQ(c.source, CommandLine::Source::SoundCard);
    EXPECT_FALSE(c.help);
    EXPECT_TRUE(c.error.isEmpty());
}

TEST(CommandLineArguments, InputDemoAndHelp) {
    CommandLine c = ParseCommandLine({"--input", "band.wav"});
    EXPECT_EQ(c.source, CommandLine::Source::File);
    EXPECT_EQ(c.inputFile, QStringLiteral("band.wav"));
    c = ParseCommandLine({"--input=rec.flac"});
    EXPECT_EQ(c.source, CommandLine::Source::File);
    EXPECT_EQ(c.inputFile, QStringLiteral("rec.flac"));
    c = ParseCommandLine({"--demo"});
    EXPECT_EQ(c.source, CommandLine::Source::Demo);
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"--demo", "-h"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    EXPECT_EQ(receiver::VersionText(), QStringLiteral("quorvin " QUORVIN_VERSION "\n"));
}

TEST(CommandLineArguments, Mistakes) {
    EXPECT_FALSE(ParseCommandLine({"--input"}).error.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"--input="}).error.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"--demo", "--input", "x.wav"}).error.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"--frequency"}).error.isEmpty());
    EXPECT_FALSE(ParseCommandLine({"file.wav"}).error.isEmpty());
}

TEST(CommandLineArguments, UsageNamesTheOptionsTheProgramFolderAndTheShippedFiles) {
    const QString usage =
        receiver::UsageText(QStringLiteral("/some/folder"), QStringLiteral("/usr/share/quorvin"));
    for (const char* part : {"--input FILE", "--demo", "--help", "--version", "/some/folder",
                             "QUORVIN.ini", "/usr/share/quorvin", "HELP.md"}) {
        EXPECT_TRUE(usage.contains(QString::fromLatin1(part))) << part;
    }
}

// A message box with a short text is still as wide as its caption needs, whatever the length
// of the caption.
TEST(DialogSizes, AMessageBoxIsWideEnoughForItsCaption) {
    for (const char* title :
         {"Error nr: 75", "File already exists", "A caption much longer than the text it heads"}) {
        SCOPED_TRACE(title);
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(title), QStringLiteral("Short."),
                        QMessageBox::Ok);
        platform::FitCaption(box);
        box.show();
        QApplication::processEvents();
        EXPECT_GE(box.width(), platform::WidthForCaption(box.windowTitle(), box.font()));
        box.close();
    }
}

TEST(DialogSizes, FileDialogsAreWideEnoughForTheirColumnsWithinTheScreen) {
    const QRect screen(0, 0, 1600, 1000);
    struct Case {
        QSize hint;
        QRect available;
        QSize size;
    };
    for (const Case& c : {Case{QSize(620, 400), screen, platform::kFileDialogSize},
                          Case{QSize(1000, 700), screen, QSize(1000, 700)},
                          Case{QSize(620, 400), QRect(0, 0, 800, 500), QSize(800, 500)}}) {
        EXPECT_EQ(platform::FileDialogSize(c.hint, c.available), c.size);
    }

    // The dialog keeps that size when it shows. Its list's columns, narrow as a fresh dialog
    // (or the state an earlier one left) may have them, get room.
    QFileDialog dialog(nullptr, QStringLiteral("Open Picture File"), QDir::tempPath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    QHeaderView* header = view->header();
    ASSERT_EQ(header->count(), 4);
    for (int column = 1; column < 4; ++column) {
        header->resizeSection(column, 60);
    }
    platform::SizeFileDialog(dialog);
    dialog.show();
    QApplication::processEvents();
    const QSize available = dialog.screen()->availableGeometry().size();
    EXPECT_EQ(dialog.size(), platform::kFileDialogSize.boundedTo(available));
    // Its list shows a type and a date in full, and all four columns side by side.
    const QFontMetrics metrics(view->font());
    EXPECT_GT(header->sectionSize(2),
              metrics.horizontalAdvance(QStringLiteral("Windows BMP image")));
    const QString date = QLocale::system().toString(QDateTime(QDate(2026, 12, 8), QTime(9, 26, 17)),
                                                    QLocale::ShortFormat);
    EXPECT_GT(header->sectionSize(3), metrics.horizontalAdvance(date));
    EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3),
              view->viewport()->width());
    dialog.close();
}

}  // namespace

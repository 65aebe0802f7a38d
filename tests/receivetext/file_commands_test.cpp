// The receive-text and waterfall-picture commands of the main window: the file dialogs they
// put up and what their answers do, the clipboard, the stamp, the edit lock and Find, on
// scripted dialogs, a recording clipboard and recording outside programs.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTextCursor>
#include <functional>
#include <vector>

#include "display/display_controller.h"
#include "display/picture_window.h"
#include "mainwindow/main_window.h"
#include "platform/file_dialogs.h"
#include "platform/outside_programs.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "receivetext/receive_text_box.h"
#include "receivetext/received_text_controller.h"
#include "support/form_harness.h"
#include "support/test_files.h"

namespace {

using platform::FileDialogKind;
using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
using testing_support::FormHarness;
using testing_support::ReadAll;
using testing_support::WriteAll;

const QDateTime kSavedAt(QDate(2005, 7, 4), QTime(14, 5, 9));

// A loaded window whose clock stands at kSavedAt, receive text "CQ CQ de DL1ABC" and a
// waterfall picture of two colours.
class FileCommands : public ::testing::Test {
  protected:
    FileCommands() : form(harness.load()) {
        form.now = [] { return kSavedAt; };
        form.receivedText().Text1Content->setText(u"cq cq\r\r\nde DL1ABC");
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        picture.setPixel(3, 4, qRgb(255, 255, 0));
        form.Picture1->setPicture(picture);
        harness.dialogs.clear();
    }

    QString path(const QString& name) const { return harness.filePath(name); }

    FormHarness harness;
    MainWindow& form;
};

// The file commands as the menus run them.
void SaveText(MainWindow& form) {
    form.receivedText().menusave_Click();
}
void SaveWaterfall(MainWindow& form) {
    form.display().command8_Click();
}
void OpenTextElsewhere(MainWindow& form) {
    form.receivedText().menuopenote_Click();
}
void OpenInPaint(MainWindow& form) {
    form.display().menuopenpaint_Click();
}

TEST_F(FileCommands, SavesProposeTextAndPictureNamesInTurnAndOpenInTheLastFolder) {
    QDir(harness.programFolder()).mkdir(QStringLiteral("logs"));
    struct Step {
        std::function<void(MainWindow&)> command;
        const char* proposed;
        const char* chosen;
    };
    const std::vector<Step> steps{
        {SaveText, "quorv_log01.txt", "logs/a.txt"},
        {SaveWaterfall, "waterfall001.bmp", "logs/w.BMP"},
        {SaveText, "quorv_log01.txt", "logs/b.log"},
        {SaveWaterfall, "b.log", "logs/b.bmp"},
        {SaveText, "quorv_log01.txt", "c.txt"},
    };
    QString folder = harness.programFolder();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.chosen);
        harness.dialogs.answerFile(path(QString::fromLatin1(step.chosen)));
        std::invoke(step.command, form);
        const platform::FileDialogRequest shown = harness.dialogs.fileDialogs().back();
        EXPECT_EQ(shown.kind, FileDialogKind::Save);
        EXPECT_EQ(shown.initialName, QString::fromLatin1(step.proposed));
        EXPECT_EQ(shown.folder, folder);
        EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(step.chosen))));
        folder = QFileInfo(path(QString::fromLatin1(step.chosen))).absolutePath();
    }
    EXPECT_EQ(harness.dialogs.fileDialogs()[0].title, QStringLiteral("Save Text File"));
    EXPECT_EQ(harness.dialogs.fileDialogs()[0].filters.front().description,
              QStringLiteral("Text Files (*.txt)"));
    EXPECT_EQ(harness.dialogs.fileDialogs()[1].title,
              QStringLiteral("Save Waterfallspectrum File"));
    EXPECT_TRUE(harness.dialogs.messageBoxes().empty());
    EXPECT_EQ(QDir::currentPath(), QDir(harness.programFolder()).canonicalPath())
        << "a choice does not move the current directory";
}

TEST_F(FileCommands, SavedTextHasOneBannerAndTheTextAsTheAutologHasIt) {
    harness.dialogs.answerFile(path(QStringLiteral("saved.txt")));
    form.receivedText().menusave_Click();
    EXPECT_EQ(ReadAll(path(QStringLiteral("saved.txt"))),
              QByteArray("***Quorvin File Saved At->14:05:09  Date:07-04-2005***\r\n"
                         "cq cq\r\r\nde DL1ABC\r\n"));
}

// The save holds the text and the time of the moment the file was chosen: what arrived while
// the dialog was open is in it.
TEST_F(FileCommands, SavedTextIsTheTextWhenTheNameIsChosen) {
    QDateTime clock = kSavedAt;
    form.now = [&clock] { return clock; };
    const auto textArrives = [this, &clock] {
        clock = clock.addSecs(61);
        form.receivedText().Text1Content->setText(form.receivedText().Text1Content->text() +
                                                  QStringLiteral(" pse k\r\r\n"));
    };
    const QString saved = path(QStringLiteral("saved.txt"));
    harness.dialogs.answerFile(saved);
    harness.dialogs.whileNextBoxIsOpen(textArrives);
    form.receivedText().menusave_Click();
    EXPECT_EQ(ReadAll(saved),
              QByteArray("***Quorvin File Saved At->14:06:10  Date:07-04-2005***\r\n"
                         "cq cq\r\r\nde DL1ABC pse k\r\r\n\r\n"));
    form.now = [] { return kSavedAt; };  // the clock goes with this test
}

TEST_F(FileCommands, NoToOverwriteAndAFailedSaveLeaveTheOldFile) {
    const QString old = path(QStringLiteral("old.txt"));
    WriteAll(old, "earlier");
    harness.dialogs.answerFile(old);
    harness.dialogs.answer(MsgResult::No);
    form.receivedText().menusave_Click();
    EXPECT_EQ(ReadAll(old), QByteArray("earlier"));
    EXPECT_EQ(form.files.ChosenFile, old);
    EXPECT_EQ(form.files.LastFileName, QStringLiteral("quorv_log01.txt"));
    const MessageBoxRequest question{QStringLiteral("Do you want to overwrite the file?"),
                                     QStringLiteral("File already exists"), MsgButtons::YesNo,
                                     MsgIcon::Question};
    EXPECT_EQ(harness.dialogs.messageBoxes(), std::vector<MessageBoxRequest>{question});

    // Yes, but the folder cannot be written: the old file stays whole, and nothing else.
    constexpr auto kReadOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                               QFileDevice::ReadOther | QFileDevice::ExeOther;
    QFile::setPermissions(harness.programFolder(), kReadOnly);
    {
        const testing_support::UnprivilegedScope user;
        for (const auto& command : {SaveText, SaveWaterfall}) {
            harness.dialogs.clear();
            harness.dialogs.answerFile(old);
            harness.dialogs.answer(MsgResult::Yes);
            std::invoke(command, form);
            ASSERT_EQ(harness.dialogs.messageBoxes().size(), 2U);
            EXPECT_EQ(harness.dialogs.messageBoxes()[1],
                      (MessageBoxRequest{QStringLiteral("Could not write to disk."),
                                         QStringLiteral("Error nr: 75"), MsgButtons::Ok,
                                         MsgIcon::Exclamation}));
        }
    }
    QFile::setPermissions(harness.programFolder(), kReadOnly | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadAll(old), QByteArray("earlier"));
    EXPECT_EQ(QDir(harness.programFolder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(FileCommands, WaterfallPicturesAreSavedInTheFormatTheirNameAsksForAndReadBack) {
    for (const char* name : {"w.bmp", "w.png", "w.log"}) {
        SCOPED_TRACE(name);
        const QString file = path(QString::fromLatin1(name));
        harness.dialogs.answerFile(file);
        form.display().command8_Click();
        const QByteArray bytes = ReadAll(file);
        EXPECT_EQ(bytes.startsWith("BM"), QFileInfo(file).suffix() != QStringLiteral("png"));
        EXPECT_EQ(QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32),
                  form.Picture1->picture().convertToFormat(QImage::Format_RGB32));
    }
}

TEST_F(FileCommands, PicturesOpenInThePictureWindowOrInAPaintProgram) {
    const QString picture = path(QStringLiteral("my waterfall.bmp"));
    ASSERT_TRUE(form.Picture1->picture().save(picture, "BMP"));
    harness.dialogs.answerFile(picture);
    form.display().Command7_Click();
    ASSERT_NE(form.display().pictureWindow(), nullptr);
    EXPECT_EQ(form.display().pictureWindow()->windowTitle(), picture);
    EXPECT_EQ(form.display().pictureWindow()->Picture1->size(), QSize(40, 20));
    EXPECT_EQ(harness.dialogs.fileDialogs().back().title, QStringLiteral("Open Picture File"));

    // The paint program gets the path as one argument, spaces and all; none to be found is said.
    harness.dialogs.answerFile(picture);
    form.display().menuopenpaint_Click();
    harness.programs.available = false;
    harness.dialogs.answerFile(picture);
    form.display().menuopenpaint_Click();
    using Started = testing_support::RecordingOutsidePrograms::Started;
    const Started paint{platform::OutsideProgram::PaintProgram, picture};
    EXPECT_EQ(harness.programs.started, (std::vector<Started>{paint, paint}));
    ASSERT_EQ(harness.dialogs.messageBoxes().size(), 1U);
    EXPECT_TRUE(
        harness.dialogs.messageBoxes()[0].text.startsWith(QStringLiteral("could not find ")));
    EXPECT_EQ(form.files.OpenInPaint, 0);
}

// Open in Notepad and Open in Paint say "could not find ..." whenever nothing opens the file:
// nothing could be started, or the desktop's opener that stood in found nothing either.
TEST_F(FileCommands, OutsideProgramsThatOpenNothingAreNamed) {
    const QString file = path(QStringLiteral("a.txt"));
    WriteAll(file, "text");
    using platform::OutsideProgram;
    struct Case {
        std::function<void(MainWindow&)> command;
        OutsideProgram program;
        bool available;
        bool openerFails;
        bool said;
    };
    const std::vector<Case> cases{
        {OpenTextElsewhere, OutsideProgram::TextEditor, true, false, false},
        {OpenTextElsewhere, OutsideProgram::TextEditor, true, true, true},
        {OpenTextElsewhere, OutsideProgram::TextEditor, false, false, true},
        {OpenInPaint, OutsideProgram::PaintProgram, true, true, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        harness.dialogs.clear();
        harness.programs.available = c.available;
        harness.programs.openerFails = c.openerFails;
        harness.dialogs.answerFile(file);
        std::invoke(c.command, form);
        EXPECT_EQ(harness.programs.started.back().program, c.program);
        const std::vector<MessageBoxRequest> boxes = harness.dialogs.messageBoxes();
        ASSERT_EQ(boxes.size(), c.said ? 1U : 0U);
        if (c.said) {
            EXPECT_EQ(boxes[0].text, QStringLiteral("could not find ") +
                                         platform::OutsideProgramCandidates(c.program).lookedFor);
            EXPECT_EQ(boxes[0].icon, MsgIcon::Exclamation);
        }
    }
    EXPECT_EQ(form.files.OpenInNotepad, 0);
    EXPECT_EQ(form.files.OpenInPaint, 0);
}

// Selects the receive text from `start`, `length` characters of its stored form.
void Select(MainWindow& form, qsizetype start, qsizetype length) {
    QTextCursor cursor = form.Text1->textCursor();
    cursor.setPosition(static_cast<int>(form.receivedText().Text1Content->widgetPosition(start)));
    cursor.setPosition(
        static_cast<int>(form.receivedText().Text1Content->widgetPosition(start + length)),
        QTextCursor::KeepAnchor);
    form.Text1->setTextCursor(cursor);
}

TEST_F(FileCommands, ClipboardStampAndLockActOnTheLockedBoxToo) {
    ASSERT_TRUE(form.Text1->isReadOnly());
    Select(form, 8, 2);  // "de"
    form.receivedText().menucut_Click();
    EXPECT_EQ(harness.clipboard.text(), QStringLiteral("de"));
    EXPECT_EQ(form.receivedText().Text1Content->text(), QStringLiteral("cq cq\r\r\n DL1ABC"));
    form.receivedText().menupaste_Click();
    form.receivedText().menupastetime_Click();
    EXPECT_EQ(
        form.receivedText().Text1Content->text(),
        QStringLiteral("cq cq\r\r\nde\r\nQuorvin Date&Time-> 07-04-2005 14:05:09\r\n DL1ABC"));
    Select(form, 0, 0);
    form.receivedText().menucopy_Click();
    EXPECT_TRUE(harness.clipboard.text().isEmpty());
    form.receivedText().menutextwin_Click();
    EXPECT_EQ(harness.clipboard.text(),
              QStringLiteral("cq cq\nde\nQuorvin Date&Time-> 07-04-2005 14:05:09\n DL1ABC"))
        << "one line end per line";

    form.menuedittext->trigger();
    EXPECT_TRUE(form.menuedittext->isChecked());
    EXPECT_FALSE(form.Text1->isReadOnly());
    form.menuedittext->trigger();
    EXPECT_TRUE(form.Text1->isReadOnly());
    form.receivedText().menuclear1_Click();
    EXPECT_TRUE(form.receivedText().Text1Content->text().isEmpty());
}

TEST_F(FileCommands, FindSelectsTheFirstMatchAndLeavesDecodingStopped) {
    form.show();
    testing_support::processEvents();
    struct Case {
        const char* text;
        const char* wanted;
        qsizetype start;  // -1: not found, the caret at the end
        qsizetype length;
    };
    for (const Case& c : {Case{"abcdefg", "CDE", 2, 3}, Case{"abcdefg", "g", 6, 1},
                          Case{"ab\r\r\ncd cd", "cd", 5, 2}, Case{"abcdefg", "xyz", -1, 0}}) {
        SCOPED_TRACE(c.wanted);
        form.receivedText().Text1Content->setText(QString::fromLatin1(c.text));
        harness.dialogs.answer(QString::fromLatin1(c.wanted));
        form.menufind->trigger();
        EXPECT_TRUE(form.Check1->isChecked());
        EXPECT_EQ(form.receivedText().DecodeStopped, 1);
        EXPECT_EQ(QApplication::focusWidget(), form.Text1);
        const ReceivedTextController::TextSelection selected =
            form.receivedText().receiveSelection();
        EXPECT_EQ(selected.start,
                  c.start < 0 ? form.receivedText().Text1Content->text().size() : c.start);
        EXPECT_EQ(selected.length, c.length);
    }
    // An empty answer changes nothing.
    Select(form, 1, 2);
    harness.dialogs.answer(QString());
    form.menufind->trigger();
    EXPECT_EQ(form.receivedText().receiveSelection().start, 1);
    EXPECT_TRUE(form.Check1->isChecked());
}

// The text a PDF file shows, through pdftotext; empty when it cannot be read.
QString PdfText(const QString& pdf) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"),
                 {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!reader.waitForFinished(20000) || reader.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(reader.readAllStandardOutput());
}

TEST(Printing, TheReceivedOrTheSelectedTextIsPrintedAndAFailureSaysSo) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is needed to read the printout back";
    }
    FormHarness harness;
    const QString pdf = harness.filePath(QStringLiteral("printout.pdf"));
    platform::PdfFilePrinter printer(pdf);
    harness.printer = &printer;
    MainWindow& form = harness.load();
    form.receivedText().Text1Content->setText(u"cq cq\r\r\nde DL1ABC");

    form.menuprint->trigger();
    EXPECT_EQ(PdfText(pdf).split(u'\n').mid(0, 2),
              (QStringList{QStringLiteral("cq cq"), QStringLiteral("de DL1ABC")}));
    Select(form, 11, 6);
    form.menuprint->trigger();
    EXPECT_EQ(PdfText(pdf).split(u'\n').front(), QStringLiteral("DL1ABC"));
    harness.dialogs.answer(MsgResult::No);
    QFile::remove(pdf);
    form.menuprint->trigger();
    EXPECT_FALSE(QFile::exists(pdf));
    const auto questions = harness.dialogs.messageBoxes();
    ASSERT_EQ(questions.size(), 3U);
    EXPECT_EQ(questions[0],
              (MessageBoxRequest{QStringLiteral("Do you want to print the received text?"),
                                 QStringLiteral("Print"), MsgButtons::YesNo, MsgIcon::Question}));
    EXPECT_EQ(questions[1].text, QStringLiteral("Do you want to print the selected text?"));

    // A printer that cannot print.
    platform::PdfFilePrinter broken(harness.filePath(QStringLiteral("missing/folder/out.pdf")));
    harness.printer = &broken;
    MainWindow& second = harness.load();
    second.menuprint->trigger();
    EXPECT_EQ(harness.dialogs.messageBoxes().back(),
              (MessageBoxRequest{QStringLiteral("Printer not ready"), QStringLiteral("Print error"),
                                 MsgButtons::Ok, MsgIcon::Exclamation}));
}

// The picture dialogs list PNG and JPEG pictures beside the bitmaps, a bitmap filter first.
TEST_F(FileCommands, PictureDialogsListPngAndJpegBesideBitmaps) {
    form.display().command8_Click();
    form.display().Command7_Click();
    const auto dialogs = harness.dialogs.fileDialogs();
    ASSERT_EQ(dialogs.size(), 2U);
    const auto descriptions = [](const platform::FileDialogRequest& request) {
        QStringList texts;
        for (const platform::FileFilter& filter : request.filters) {
            texts.append(filter.description + u'|' + filter.patterns);
        }
        return texts;
    };
    EXPECT_EQ(descriptions(dialogs[0]),
              (QStringList{QStringLiteral("Bitmap Files (*.bmp)|*.bmp"),
                           QStringLiteral("PNG Files (*.png)|*.png"),
                           QStringLiteral("JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg"),
                           QStringLiteral("All Files (*.*)|*.*")}));
    EXPECT_EQ(descriptions(dialogs[1]), (QStringList{QStringLiteral("BMP Files (*.bmp)|*.bmp"),
                                                     QStringLiteral("JPG Files (*.jpg)|*.jpg"),
                                                     QStringLiteral("PNG Files (*.png)|*.png"),
                                                     QStringLiteral("JPEG Files (*.jpeg)|*.jpeg"),
                                                     QStringLiteral("All Files (*.*)|*.*")}));
}

}  // namespace

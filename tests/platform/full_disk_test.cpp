// Saves on a real file system with no space left: every save keeps the earlier file whole and
// says so, and works again once space is free; the autolog marks the gap a full disk made.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPlainTextEdit>
#include <functional>
#include <vector>

#include "locator/locator_window.h"
#include "mainwindow/main_window.h"
#include "notebook/notebook_editor.h"
#include "platform/file_dialogs.h"
#include "platform/file_replace.h"
#include "platform/printer.h"
#include "receiver/receive_controller.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/full_file_system.h"
#include "support/recording_clipboard.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using platform::MessageBoxRequest;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;
using testing_support::FullFileSystem;
using testing_support::ReadAll;
using testing_support::ScriptedDialogs;
using testing_support::WriteAll;

const QDateTime kNow(QDate(2005, 7, 4), QTime(14, 5, 9));
const QByteArray kEarlier = "the earlier notes\r\n";

const MessageBoxRequest kDiskFullMessage{QStringLiteral("Could not write to disk."),
                                         QStringLiteral("Error nr: 61"), MsgButtons::Ok,
                                         MsgIcon::Exclamation};

// The files of `folder` other than the file system's own filler.
QStringList FilesIn(const QString& folder) {
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QStringLiteral(".filler"));
    return files;
}

// A save as the user starts it: the file it writes in `folder`, and the command, which answers
// its own questions through `dialogs`.
struct SaveCase {
    const char* name;
    const char* fileName;
    std::function<void(const QString& path, ScriptedDialogs& dialogs)> save;
};

// The notebook editor on the file `path`, with a line typed into it.
struct ChangedNotes {
    ChangedNotes(const QString& path, ScriptedDialogs& dialogs)
        : printer(QDir::temp().filePath(QStringLiteral("unused.pdf"))),
          editor(NotebookEditorServices{
              settings, dialogs, clipboard, printer, [] { return kNow; }, [] {}, {}}) {
        editor.openFile(path, QStringLiteral("Quorvin Notebook"));
        editor.Text1->appendPlainText(QStringLiteral("new notes"));
    }
    KVXmodules::SettingsRecord settings = DefaultSettings();
    testing_support::RecordingClipboard clipboard;
    platform::PdfFilePrinter printer;
    NotebookEditor editor;

  private:
    static KVXmodules::SettingsRecord DefaultSettings() {
        KVXmodules::SettingsRecord record;
        KVXmodules::DefaultSetRecord(record);
        return record;
    }
};

// The waterfall picture saved under `path`, whose ending chooses PNG or JPEG.
void SavePicture(const QString& path, ScriptedDialogs& dialogs) {
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    KVXmodules::FileDialogState state;
    dialogs.answerFile(path);
    dialogs.answer(MsgResult::Yes);  // overwrite
    KVXmodules::SaveWaterfallDialog(state, dialogs, picture);
}

std::vector<SaveCase> SaveCases() {
    return {
        {"notebook Save", "quorvbook.log",
         [](const QString& path, ScriptedDialogs& dialogs) {
             ChangedNotes notes(path, dialogs);
             notes.editor.menuopslaan_Click();
         }},
        {"notebook Yes when closing", "quorvbook.log",
         [](const QString& path, ScriptedDialogs& dialogs) {
             ChangedNotes notes(path, dialogs);
             notes.editor.NotesChanged = 1;
             dialogs.answer(MsgResult::Yes);
             notes.editor.close();
         }},
        {"File > Text > Save...", "log.txt",
         [](const QString& path, ScriptedDialogs& dialogs) {
             KVXmodules::FileDialogState state;
             dialogs.answerFile(path);
             dialogs.answer(MsgResult::Yes);  // overwrite
             KVXmodules::SaveTextDialog(
                 state, dialogs, [] { return QStringLiteral("cq cq de DL1ABC"); },
                 [] { return kNow; });
         }},
        {"PNG picture", "waterfall.png", SavePicture},
        {"JPEG picture", "waterfall.jpg", SavePicture},
        {"locator Default", "locator.ini",
         [](const QString& path, ScriptedDialogs& dialogs) {
             testing_support::RecordingClipboard clipboard;
             LocatorWindow form(LocatorServices{dialogs, clipboard, QFileInfo(path).path()});
             form.Combo1->setEditText(QStringLiteral("jo20aw"));
             form.Command3_Click();
         }},
    };
}

TEST(FullDisk, EverySaveKeepsTheEarlierFileSaysSoAndWorksAgainOnceThereIsSpace) {
    for (const SaveCase& c : SaveCases()) {
        SCOPED_TRACE(c.name);
        FullFileSystem disk;
        if (!disk.available()) {
            GTEST_SKIP() << "no small file system to fill: " << disk.reason().toStdString();
        }
        const QString path = QDir(disk.folder()).filePath(QString::fromLatin1(c.fileName));
        WriteAll(path, kEarlier);
        ASSERT_TRUE(disk.fill());

        ScriptedDialogs dialogs;
        c.save(path, dialogs);
        EXPECT_EQ(ReadAll(path), kEarlier);
        EXPECT_EQ(FilesIn(disk.folder()), QStringList{QString::fromLatin1(c.fileName)})
            << "no temporary file is left behind";
        ASSERT_FALSE(dialogs.messageBoxes().empty());
        EXPECT_EQ(dialogs.messageBoxes().back(), kDiskFullMessage);

        disk.free();
        dialogs.clear();
        c.save(path, dialogs);
        const QByteArray saved = ReadAll(path);
        EXPECT_NE(saved, kEarlier);
        EXPECT_FALSE(saved.isEmpty());
        for (const MessageBoxRequest& box : dialogs.messageBoxes()) {
            EXPECT_NE(box.text, kDiskFullMessage.text);
        }
    }
}

TEST(FullDisk, TheSettingsFileKeepsItsEarlierContent) {
    FullFileSystem disk;
    if (!disk.available()) {
        GTEST_SKIP() << "no small file system to fill: " << disk.reason().toStdString();
    }
    const QString path = QDir(disk.folder()).filePath(QStringLiteral("QUORVIN.ini"));
    WriteAll(path, kEarlier);
    ASSERT_TRUE(disk.fill());
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetRecord(record);
    const QByteArray bytes = KVXmodules::SettingsFileBytes(record, {9000, 7000}, u"0.1.0");
    const KVXmodules::FileWriteResult result = KVXmodules::WriteFileReplacing(path, bytes);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorNumber, ENOSPC);
    EXPECT_EQ(ReadAll(path), kEarlier);
    disk.free();
    EXPECT_TRUE(KVXmodules::WriteFileReplacing(path, bytes).ok);
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST(FullDisk, ALargeSaveFailsTooAndLeavesNoTemporaryFile) {
    FullFileSystem disk(256 * 1024);
    if (!disk.available()) {
        GTEST_SKIP() << "no small file system to fill: " << disk.reason().toStdString();
    }
    const QString path = QDir(disk.folder()).filePath(QStringLiteral("big.txt"));
    WriteAll(path, kEarlier);
    ASSERT_TRUE(disk.fill());
    // Larger than Qt's write buffer: the write itself fails rather than the final flush.
    EXPECT_EQ(platform::ReplaceFile(path, QByteArray(100 * 1024, 'x')), platform::kDiskFull);
    EXPECT_EQ(ReadAll(path), kEarlier);
    EXPECT_EQ(FilesIn(disk.folder()), QStringList{QStringLiteral("big.txt")});
}

TEST(FullDisk, TheAutologMarksTheGapAFullDiskMadeWithANewBanner) {
    FullFileSystem disk;
    if (!disk.available()) {
        GTEST_SKIP() << "no small file system to fill: " << disk.reason().toStdString();
    }
    testing_support::FormHarness harness;
    harness.useProgramFolder(disk.folder());
    MainWindow& form = harness.create();
    const auto flush = [&form](const QString& text) {
        form.receive().receiverBuffers.RxTextBuffer = text;
        form.receivedText().Timer2_Timer();
    };
    form.receivedText().menuautolog_Click();
    flush(QStringLiteral("cq cq de DL1ABC "));
    ASSERT_TRUE(disk.fill());
    // What still fits beside the first text on its last page gets in; the rest is lost.
    const QString lost = QStringLiteral("pse k ") + QString(5000, u'x');
    flush(lost);
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 1);
    flush(QStringLiteral("\r\r\nDL2XYZ de"));  // lost whole
    disk.free();
    flush(QStringLiteral(" DL1ABC 73"));
    EXPECT_EQ(form.receivedText().AutoLogBannerPending, 0);

    const QString log =
        QString::fromLatin1(ReadAll(harness.filePath(QStringLiteral("quorvin_autolog.log"))));
    const QRegularExpression banner(
        QStringLiteral("\r\n\r\n\\*\\*\\*Quorvin AutoLog Activated at->\\d\\d:\\d\\d:\\d\\d  "
                       "Date:\\d\\d-\\d\\d-\\d{4}\\*\\*\\*\\r\\n"));
    const QStringList parts = log.split(banner);
    ASSERT_EQ(parts.size(), 3) << "one banner at the start and one after the gap";
    EXPECT_TRUE(parts[0].isEmpty());
    EXPECT_TRUE(parts[1].startsWith(QStringLiteral("cq cq de DL1ABC pse k x")));
    EXPECT_LT(parts[1].size(), 16 + lost.size());
    EXPECT_FALSE(parts[1].contains(QStringLiteral("DL2XYZ")));
    EXPECT_EQ(parts[2], QStringLiteral(" DL1ABC 73"));
}

}  // namespace

// The notebook editor: loading and saving without losing or changing a character, the size
// limit, the save question after any change, Find and Find Next, and opening it from the main
// window.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "notebook/notebook_editor.h"
#include "notebook/notes_file.h"
#include "notebook/notes_find.h"
#include "platform/file_replace.h"
#include "platform/font_names.h"
#include "platform/printer.h"
#include "platform/termination_signals.h"
#include "settings/settings_record.h"
#include "setup/font_chooser_window.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/keyboard.h"
#include "support/recording_clipboard.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"

namespace {

using platform::MessageBoxRequest;
using platform::MsgResult;
using testing_support::ReadAll;
using testing_support::WriteAll;

TEST(NotesFile, ALoadAndASaveLeaveTheFileAsItWas) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;  // as the editor shows it
    };
    const std::vector<Case> cases{
        {"CR LF", "a\r\nb\r\nc\r\n", QString::fromUtf8("a\nb\nc\n")},
        {"LF", "a\nb\nc\n", QString::fromUtf8("a\nb\nc\n")},
        {"lone CR", "a\rb\r", QString::fromUtf8("a\nb\n")},
        {"mixed line ends", "a\r\nb\nc\rd", QString::fromUtf8("a\nb\nc\nd")},
        {"no last line end", "a\r\nb", QString::fromUtf8("a\nb")},
        {"8-bit", "caf\xe9\r\n", QString::fromUtf8("caf\u00e9\n")},
        {"8-bit ending in e acute", "caf\xe9", QString::fromUtf8("caf\u00e9")},
        {"8-bit non-breaking space",
         "73\xa0"
         "de",
         QString::fromUtf8("73\u00a0"
                           "de")},
        {"UTF-8", "Gr\xc3\xbc\xc3\x9f\x65\n", QString::fromUtf8("Gr\u00fc\u00dfe\n")},
        {"UTF-8 byte-order mark",
         "\xef\xbb\xbf"
         "cq\r\n",
         QString::fromUtf8("cq\n")},
        {"NUL", QByteArray("a\0b", 3), QStringView(u"a\0b", 3).toString()},
        {"empty", "", QString()},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.filePath(QStringLiteral("notes.log"));
        WriteAll(path, c.bytes);
        const notebook::LoadedNotes notes = notebook::LoadNotes(path);
        EXPECT_EQ(notes.text, c.text);
        EXPECT_TRUE(notes.complete);
        ASSERT_EQ(platform::ReplaceFile(path, notebook::NotesBytes(notes.text, notes.format)), 0);
        EXPECT_EQ(ReadAll(path), c.bytes);
    }
    EXPECT_FALSE(notebook::LoadNotes(folder.filePath(QStringLiteral("missing.log"))).complete);
}

TEST(NotesFile, TheUnsavedCopyLiesBesideItsFile) {
    for (const auto& [file, copy] : std::vector<std::pair<const char*, const char*>>{
             {"/notes/quorvbook.log", "/notes/quorvbook (unsaved).log"},
             {"/notes/qso.2005.txt", "/notes/qso.2005 (unsaved).txt"},
             {"/notes/README", "/notes/README (unsaved)"},
             {"/notes/.notes", "/notes/.notes (unsaved)"},
         }) {
        EXPECT_EQ(notebook::UnsavedCopyPath(QString::fromUtf8(file)), QString::fromUtf8(copy));
    }
}

TEST(NotesFind, MatchesOverlapWrapAndReachBeyond32767) {
    struct Case {
        QString text;
        const char* search;
        std::vector<qsizetype> positions;  // of Find, then each Find Next; 0: "Nothing found"
    };
    const QString longText = QString(40000, u'x') + QStringLiteral("needle");
    const std::vector<Case> cases{
        {QStringLiteral("xAbyab"), "ab", {2, 5, 2}},
        {QStringLiteral("aaa"), "aa", {1, 2, 1}},
        {QStringLiteral("abc"), "c", {3, 3}},
        {QStringLiteral("abc"), "z", {0}},
        {QString(), "a", {0}},
        {longText, "NEEDLE", {40001, 40001}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        notebook::FindState state;
        notebook::StartFind(state, QString::fromLatin1(c.search), c.text);
        std::vector<qsizetype> found;
        for (std::size_t i = 0; i < c.positions.size(); ++i) {
            found.push_back(notebook::FindStep(state, c.text));
        }
        EXPECT_EQ(found, c.positions);
    }
    // A remembered match beyond the end of a shortened text: searched again from the top.
    notebook::FindState state;
    notebook::StartFind(state, QStringLiteral("ab"), u"ab ab");
    EXPECT_EQ(notebook::FindStep(state, u"ab ab"), 1);
    EXPECT_EQ(notebook::FindStep(state, u"ab"), 1);
}

// An editor on a file of a temporary folder, with scripted dialogs and a fixed clock.
class EditorTest : public ::testing::Test {
  protected:
    EditorTest()
        : printer(folder.filePath(QStringLiteral("print.pdf"))),
          editor(
              NotebookEditorServices{settings,
                                     dialogs,
                                     clipboard,
                                     printer,
                                     [] { return QDateTime(QDate(2005, 7, 4), QTime(14, 5, 9)); },
                                     [] {},
                                     {}}) {
        KVXmodules::DefaultSetRecord(settings);
    }

    QString open(const QByteArray& bytes) {
        const QString path = folder.filePath(QStringLiteral("quorvbook.log"));
        WriteAll(path, bytes);
        editor.openFile(path, QStringLiteral("Quorvin Notebook"));
        return path;
    }

    QTemporaryDir folder;
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    platform::PdfFilePrinter printer;
    NotebookEditor editor;
};

TEST_F(EditorTest, EveryChangeAsksBeforeClosingOrOpeningAnotherFile) {
    const QString path = open("a\r\nb\r\n");
    EXPECT_EQ(editor.NotesChanged, 0) << "loading is no change";
    struct Change {
        const char* name;
        void (NotebookEditor::*command)();
    };
    for (const Change& c : {Change{"paste", &NotebookEditor::pastemenu_Click},
                            Change{"date", &NotebookEditor::menudatum_Click},
                            Change{"erase", &NotebookEditor::menuerase_Click}}) {
        SCOPED_TRACE(c.name);
        clipboard.setText(QStringLiteral("x"));
        std::invoke(c.command, editor);
        EXPECT_EQ(editor.NotesChanged, 1);
        dialogs.clear();
        dialogs.answer(MsgResult::No);
        editor.openFile(path, QStringLiteral("Quorvin Notebook"));  // another file, or this one
        ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
        EXPECT_EQ(dialogs.messageBoxes()[0].text,
                  QStringLiteral("You made changes to your notes. Do you want to save it?"));
        EXPECT_EQ(ReadAll(path), QByteArray("a\r\nb\r\n"));
    }
    editor.menudatum_Click();
    dialogs.answer(MsgResult::Yes);
    EXPECT_TRUE(editor.close());
    EXPECT_EQ(ReadAll(path), QByteArray("07-04-2005a\r\nb\r\n"));
}

TEST_F(EditorTest, ACutShortLoadIsNeverSavedAndAFailedSaveKeepsTheNotes) {
    QByteArray big;
    for (int line = 0; line < 700; ++line) {
        big += QByteArray(98, 'n') + "\r\n";
    }
    const QString path = open(big);
    ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
    EXPECT_EQ(dialogs.messageBoxes()[0].title, QStringLiteral("File to large"));
    EXPECT_TRUE(
        editor.Text1->toPlainText().endsWith(QString::fromUtf16(notebook::kCutShortLine) + u'\n'));
    editor.menutijd_Click();
    EXPECT_FALSE(editor.menuopslaan_Click());
    EXPECT_EQ(ReadAll(path), big);

    // A folder that cannot be written: the save is reported, the text stays changed, and the
    // window stays open with it.
    dialogs.answer(MsgResult::No);
    const QString kept = open("note\r\n");
    editor.menutijd_Click();
    dialogs.clear();
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                             QFileDevice::ReadOther | QFileDevice::ExeOther);
    {
        const testing_support::UnprivilegedScope user;
        dialogs.answer(MsgResult::Yes);
        EXPECT_FALSE(editor.close());
    }
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(dialogs.messageBoxes().size(), 2U);
    EXPECT_EQ(dialogs.messageBoxes()[1].text, QStringLiteral("Could not write to disk."));
    EXPECT_EQ(editor.NotesChanged, 1);
    EXPECT_EQ(ReadAll(kept), QByteArray("note\r\n"));
}

TEST_F(EditorTest, AnUnchangedLoadAndSaveGiveTheFileBackByteForByte) {
    // The notes loader's fuzz corpus, through the editor's text box.
    const QDir corpus(QStringLiteral(QUORVIN_NOTES_CORPUS_DIR));
    int saved = 0;
    for (const QFileInfo& sample : corpus.entryInfoList(QDir::Files, QDir::Name)) {
        SCOPED_TRACE(sample.fileName().toStdString());
        const QByteArray bytes = ReadAll(sample.filePath());
        dialogs.clear();
        const QString path = open(bytes);
        if (!dialogs.messageBoxes().empty()) {
            continue;  // cut short by the size limit: never saved
        }
        EXPECT_EQ(editor.NotesChanged, 0);
        ASSERT_TRUE(editor.menuopslaan_Click());
        EXPECT_EQ(ReadAll(path), bytes);
        ++saved;
    }
    EXPECT_GE(saved, 14);
}

TEST_F(EditorTest, ASaveQuestionClosedWithoutAnAnswerKeepsTheWindowAndTheNotes) {
    const QString path = open("a\r\n");
    const QString other = folder.filePath(QStringLiteral("other.log"));
    WriteAll(other, "b\r\n");
    editor.menudatum_Click();
    const QString typed = editor.Text1->toPlainText();
    dialogs.answer(MsgResult::Cancel);
    EXPECT_FALSE(editor.close());
    dialogs.answer(MsgResult::Cancel);
    editor.openFile(other, other);
    EXPECT_EQ(editor.file(), path);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Quorvin Notebook"));
    EXPECT_EQ(editor.Text1->toPlainText(), typed);
    EXPECT_EQ(editor.NotesChanged, 1);
    EXPECT_FALSE(editor.isUnloaded());
    ASSERT_EQ(dialogs.messageBoxes().size(), 2U);
    for (const MessageBoxRequest& box : dialogs.messageBoxes()) {
        EXPECT_EQ(box.text, QString::fromUtf16(kSaveQuestion));
        EXPECT_TRUE(box.closeCancels);
    }
    EXPECT_EQ(ReadAll(path), QByteArray("a\r\n"));
}

TEST_F(EditorTest, CtrlSSavesAndTheMenuStaysAsDesigned) {
    const QString path = open("a\r\n");
    editor.show();
    testing_support::FocusOn(editor.Text1);
    testing_support::TypeInFocus(QStringLiteral("b"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadAll(path), QByteArray("ba\r\n"));
    EXPECT_EQ(editor.NotesChanged, 0);
    EXPECT_EQ(editor.menuopslaan->text(), QStringLiteral("Save"));
    EXPECT_TRUE(editor.menuopslaan->shortcut().isEmpty());
}

TEST(EditorBoxes, ShowOverTheNotebook) {
    QTemporaryDir folder;
    KVXmodules::SettingsRecord settings;
    KVXmodules::DefaultSetRecord(settings);
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    // A printer that cannot print: a PDF in a folder that does not exist.
    platform::PdfFilePrinter printer(folder.filePath(QStringLiteral("none/print.pdf")));
    NotebookEditor editor(
        NotebookEditorServices{settings,
                               dialogs,
                               clipboard,
                               printer,
                               [] { return QDateTime(QDate(2005, 7, 4), QTime(14, 5, 9)); },
                               [] {},
                               {}});
    const QString path = folder.filePath(QStringLiteral("notes.log"));
    WriteAll(path, QByteArray(70000, 'n') + "\r\nn\r\n");
    editor.openFile(path, path);  // "File to large"
    WriteAll(path, "73\r\n");
    editor.OpenenText();
    dialogs.answer(QStringLiteral("zz"));
    editor.NedHelpZoeken_Click();  // "Nothing found"
    dialogs.answer(MsgResult::Yes);
    editor.mnuafdrukalles_Click();  // the question, then "Printer not ready"
    editor.menudatum_Click();
    dialogs.answer(MsgResult::No);
    editor.close();  // the save question
    std::vector<QString> titles;
    for (const MessageBoxRequest& box : dialogs.messageBoxes()) {
        titles.push_back(box.title);
    }
    EXPECT_EQ(titles,
              (std::vector<QString>{QStringLiteral("File to large"), QStringLiteral("Quorvin"),
                                    QStringLiteral("Print"), QStringLiteral("Print error"),
                                    QStringLiteral("NoteBook")}));
    ASSERT_EQ(dialogs.boxWindows().size(), dialogs.shown().size());
    for (const QWidget* window : dialogs.boxWindows()) {
        EXPECT_EQ(window, &editor);
    }
}

TEST_F(EditorTest, AnUnsavedCopyIsOfferedBackWhenItsFileOpens) {
    struct Case {
        MsgResult answer;
        bool restored;
        bool copyKept;
    };
    const QString path = folder.filePath(QStringLiteral("quorvbook.log"));
    const QString copy = folder.filePath(QStringLiteral("quorvbook (unsaved).log"));
    for (const Case& c : {Case{MsgResult::Yes, true, true}, Case{MsgResult::No, false, false},
                          Case{MsgResult::Cancel, false, true}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        WriteAll(path, "old\r\n");
        WriteAll(copy, "old\r\nnew\r\n");
        dialogs.clear();
        dialogs.answer(c.answer);
        editor.openFile(path, QStringLiteral("Quorvin Notebook"));
        ASSERT_EQ(dialogs.messageBoxes().size(), 1U);
        EXPECT_EQ(dialogs.messageBoxes()[0].text, QString::fromUtf16(kRestoreQuestion));
        EXPECT_EQ(dialogs.messageBoxes()[0].title, QStringLiteral("NoteBook"));
        EXPECT_TRUE(dialogs.messageBoxes()[0].closeCancels);
        EXPECT_EQ(editor.Text1->toPlainText(),
                  c.restored ? QStringLiteral("old\nnew\n") : QStringLiteral("old\n"));
        EXPECT_EQ(editor.NotesChanged, c.restored ? 1 : 0);
        EXPECT_EQ(QFile::exists(copy), c.copyKept);
        EXPECT_EQ(ReadAll(path), QByteArray("old\r\n"));
        if (c.restored) {
            ASSERT_TRUE(editor.menuopslaan_Click());
            EXPECT_EQ(ReadAll(path), QByteArray("old\r\nnew\r\n"));
            EXPECT_FALSE(QFile::exists(copy));
        }
        QFile::remove(copy);
    }
}

TEST_F(EditorTest, FindSelectsAndNothingFoundSaysSo) {
    open("xAbyab");
    dialogs.answer(QStringLiteral("ab"));
    editor.NedHelpZoeken_Click();
    EXPECT_EQ(editor.Text1->textCursor().selectionStart(), 1);
    EXPECT_EQ(editor.Text1->textCursor().selectedText(), QStringLiteral("Ab"));
    EXPECT_TRUE(editor.NedHelpZoekVerder->isEnabled());
    editor.NedHelpZoekVerder_Click();
    EXPECT_EQ(editor.Text1->textCursor().selectionStart(), 4);
    dialogs.answer(QStringLiteral("zz"));
    editor.NedHelpZoeken_Click();
    EXPECT_EQ(dialogs.messageBoxes().back(),
              (MessageBoxRequest{QStringLiteral("Nothing found"), QStringLiteral("Quorvin")}));
    EXPECT_FALSE(editor.NedHelpZoekVerder->isEnabled());
}

TEST(NotebookFromTheMainWindow, OneEditorShowsTheNotebookOrTheChosenFile) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.load();
    WriteAll(harness.filePath(QStringLiteral("quorvbook.log")), "73\r\n");
    form.menubook->trigger();
    NotebookEditor* editor = form.notebook().notebookWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Quorvin Notebook"));
    EXPECT_EQ(editor->Text1->toPlainText(), QStringLiteral("73\n"));

    const QString other = harness.filePath(QStringLiteral("qso.txt"));
    WriteAll(other, "cq");
    harness.dialogs.answerFile(other);
    form.Command2->click();
    EXPECT_EQ(form.notebook().notebookWindow(), editor);
    EXPECT_EQ(editor->windowTitle(), other);
    EXPECT_EQ(editor->Text1->toPlainText(), QStringLiteral("cq"));
    EXPECT_EQ(harness.dialogs.fileDialogs().back().title, QStringLiteral("Open Text File"));
    EXPECT_EQ(harness.dialogs.boxWindows().back(), nullptr);
    // The notebook's own Open... shows the dialog over the notebook.
    editor->menuopen->trigger();
    EXPECT_EQ(harness.dialogs.fileDialogs().size(), 2U);
    EXPECT_EQ(harness.dialogs.boxWindows().back(), editor);
    editor->close();
}

// Frees a reader stuck on a pipe: unless released within the deadline, it opens the pipe for
// writing and closes it again, so that the reader sees the end and the test can fail instead of
// hanging.
class PipeWatchdog {
  public:
    explicit PipeWatchdog(const QString& pipe)
        : watcher_([this, path = QFile::encodeName(pipe)] {
              std::unique_lock lock(mutex_);
              if (!released_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; })) {
                  const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
                  if (fd >= 0) {
                      ::close(fd);
                  }
                  stuck_ = true;
              }
          }) {}
    ~PipeWatchdog() { release(); }
    PipeWatchdog(const PipeWatchdog&) = delete;
    PipeWatchdog& operator=(const PipeWatchdog&) = delete;

    // True when the reader was stuck until the watchdog freed it.
    bool release() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        released_.notify_all();
        if (watcher_.joinable()) {
            watcher_.join();
        }
        return stuck_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool done_ = false;
    std::atomic<bool> stuck_{false};
    std::thread watcher_;
};

TEST(NotebookFromTheMainWindow, APipeOrAFolderOpensAnEmptyEditorAtOnce) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.load();
    const QString pipe = harness.filePath(QStringLiteral("quorvbook.log"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString folder = harness.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(QDir().mkdir(folder));

    struct Case {
        const char* name;
        std::function<void()> open;
    };
    const std::vector<Case> cases{
        {"the notebook file is a pipe", [&] { form.menubook->trigger(); }},
        {"File > Text > Open... of a pipe",
         [&] {
             harness.dialogs.answerFile(pipe);
             form.notebook().menuopen_Click();
         }},
        {"File > Text > Open... of a folder",
         [&] {
             harness.dialogs.answerFile(folder);
             form.notebook().menuopen_Click();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PipeWatchdog watchdog(pipe);
        c.open();
        EXPECT_FALSE(watchdog.release()) << "the window waited for a writer";
        NotebookEditor* editor = form.notebook().notebookWindow();
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->Text1->toPlainText().isEmpty());
    }
    form.notebook().notebookWindow()->close();
}

// Ended by a signal with changed notes: nothing is asked, the notes go to their unsaved copy and
// the notebook file stays as it was; the next start offers them back.
TEST(NotebookEndedFromOutside, KeepsChangedNotesInACopyThatTheNextStartOffers) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.load();
    const QString notebookFile = harness.filePath(QStringLiteral("quorvbook.log"));
    const QString copy = harness.filePath(QStringLiteral("quorvbook (unsaved).log"));
    WriteAll(notebookFile, "73\r\n");
    form.notebook().offerUnsavedNotebook();
    EXPECT_EQ(form.notebook().notebookWindow(), nullptr) << "no copy, no notebook at start";
    form.menubook->trigger();
    NotebookEditor* editor = form.notebook().notebookWindow();
    ASSERT_NE(editor, nullptr);
    editor->Text1->insertPlainText(QStringLiteral("de\u00a0PA3XYZ "));
    const QString typed = editor->notesText();
    bool ended = false;
    {
        const platform::TerminationSignals termination([&](int) {
            form.closeFromOutside();
            ended = true;
        });
        std::raise(SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
    }
    EXPECT_TRUE(harness.dialogs.messageBoxes().empty());
    EXPECT_EQ(form.notebook().notebookWindow(), nullptr);
    EXPECT_EQ(ReadAll(notebookFile), QByteArray("73\r\n"));
    EXPECT_EQ(ReadAll(copy), QByteArray("de\xa0PA3XYZ 73\r\n"));
    EXPECT_EQ(typed, QStringLiteral("de\u00a0PA3XYZ 73\n"));

    testing_support::FormHarness next;
    MainWindow& started = next.load();
    WriteAll(next.filePath(QStringLiteral("quorvbook.log")), ReadAll(notebookFile));
    WriteAll(next.filePath(QStringLiteral("quorvbook (unsaved).log")), ReadAll(copy));
    next.dialogs.answer(MsgResult::Yes);
    started.notebook().offerUnsavedNotebook();
    ASSERT_NE(started.notebook().notebookWindow(), nullptr);
    EXPECT_EQ(started.notebook().notebookWindow()->notesText(), typed);
    EXPECT_EQ(started.notebook().notebookWindow()->NotesChanged, 1);
    next.dialogs.answer(MsgResult::No);
    started.notebook().notebookWindow()->close();
    EXPECT_FALSE(QFile::exists(next.filePath(QStringLiteral("quorvbook (unsaved).log"))));
}

TEST(FontChooser, OkCancelAndTheCloseBoxForTheReceiveWindowAndTheEditor) {
    const QStringList families = platform::InstalledChooserFamilies();
    ASSERT_FALSE(families.isEmpty());
    // A stored family that is not installed leaves the font as it was.
    const QFont base(families.front());
    EXPECT_EQ(platform::FontNamed(base, QStringLiteral("No Such Family 42")).family(),
              base.family());
    enum class Way { Ok, Cancel, CloseBox };
    for (const bool forEditor : {false, true}) {
        for (const Way way : {Way::Ok, Way::Cancel, Way::CloseBox}) {
            SCOPED_TRACE(testing::Message()
                         << "editor " << forEditor << ", way " << static_cast<int>(way));
            testing_support::FormHarness harness;
            MainWindow& form = harness.load();
            form.menubook->trigger();
            NotebookEditor* editor = form.notebook().notebookWindow();
            ASSERT_NE(editor, nullptr);
            const QFont receiveFont = form.Text1->font();
            const QFont editorFont = editor->Text1->font();
            (forEditor ? editor->menueditfont : form.menusetupfont)->trigger();
            FontChooserWindow* chooser =
                forEditor ? form.setup().notebookFontChooser() : form.setup().fontChooser();
            ASSERT_NE(chooser, nullptr);
            EXPECT_FALSE(chooser->Command1->isEnabled());

            const QString family = families.contains(QStringLiteral("DejaVu Serif"))
                                       ? QStringLiteral("DejaVu Serif")
                                       : families.back();
            chooser->List1->setCurrentRow(static_cast<int>(families.indexOf(family)));
            chooser->List1_Click();
            EXPECT_TRUE(chooser->Command1->isEnabled());
            EXPECT_EQ(chooser->Label2->text(), QStringLiteral("Font: ") + family);
            EXPECT_EQ(chooser->Label1->font().family(), family);
            if (way == Way::Ok) {
                chooser->Command1->click();
            } else if (way == Way::Cancel) {
                chooser->Command2->click();
            } else {
                chooser->close();
            }

            const bool applied = way == Way::Ok;
            EXPECT_EQ(harness.settings.Font,
                      applied && !forEditor ? family : QStringLiteral("System"));
            EXPECT_EQ(harness.settings.EditorFont,
                      applied && forEditor ? family : QStringLiteral("System"));
            EXPECT_EQ(form.Text1->font().family(),
                      applied && !forEditor ? family : receiveFont.family());
            EXPECT_EQ(editor->Text1->font().family(),
                      applied && forEditor ? family : editorFont.family());
            EXPECT_EQ(harness.settings.FontForEditor, 0);
            editor->close();
        }
    }
}

}  // namespace

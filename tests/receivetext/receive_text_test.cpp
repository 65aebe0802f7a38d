// The receive box's text without the main window: its rules (trailing backspace, bound), its
// display form and the piecewise updates of the widget, the widget's own edits taken back, the
// alarm's search, and the log lines.

#include "receivetext/receive_text.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <array>
#include <random>
#include <vector>

#include "platform/alarm_search.h"
#include "receivetext/receive_logs.h"
#include "receivetext/receive_text_box.h"

namespace {

using platform::AlarmSearch;
using receiver::BackspaceErasure;
using receiver::DisplayLength;
using receiver::DisplayText;
using receiver::FlushErasure;
using receiver::PlanDisplayEdit;
using receiver::ReceiveText;
using receiver::ReceiveTextBox;

const QString kCrCrLf = QStringLiteral("\r\r\n");

// What the widget shows, with '\n' for its line breaks.
QString WidgetText(const QPlainTextEdit& edit) {
    return edit.toPlainText();
}

void ProcessEvents() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// The box after a flush of `flushed`: insert, then the trailing-backspace rule.
QString Flush(QString box, const QString& flushed) {
    const qsizetype erased = FlushErasure(box, flushed);
    box += flushed;
    box.chop(erased);
    return box;
}

// ---- the box's rules ----

TEST(ReceiveTextRules, TrailingBackspaceErasesTheCharacterBeforeIt) {
    // A flush of ab, then one of a single backspace: the box loses the b and the backspace.
    const QString afterAb = Flush(QStringLiteral("Quorvin\r\n"), QStringLiteral("ab"));
    EXPECT_EQ(afterAb, QStringLiteral("Quorvin\r\nab"));
    EXPECT_EQ(Flush(afterAb, QStringLiteral("\b")), QStringLiteral("Quorvin\r\na"));
    // Within one flush the backspace erases its own predecessor.
    EXPECT_EQ(Flush(QStringLiteral("x"), QStringLiteral("cd\b")), QStringLiteral("xc"));
}

TEST(ReceiveTextRules, BackspaceAfterALineBreakRemovesTheWholeBreak) {
    EXPECT_EQ(Flush(QStringLiteral("xyz") + kCrCrLf, QStringLiteral("\b")), QStringLiteral("xyz"));
    EXPECT_EQ(FlushErasure(QStringLiteral("xyz") + kCrCrLf, QStringLiteral("\b")), 4);
    // CR LF (a typed break) loses its LF and backspace, then the CR and the character before.
    EXPECT_EQ(Flush(QStringLiteral("ab\r\n"), QStringLiteral("\b")), QStringLiteral("a"));
}

TEST(ReceiveTextRules, BackspaceInsideAFlushStaysAsACharacter) {
    EXPECT_EQ(FlushErasure(QStringLiteral("q"), QStringLiteral("a\bb")), 0);
    EXPECT_EQ(Flush(QStringLiteral("q"), QStringLiteral("a\bb")), QStringLiteral("qa\bb"));
}

TEST(ReceiveTextRules, ShortTextsLoseOnlyWhatTheyHave) {
    EXPECT_EQ(BackspaceErasure(u"\b"), 1);
    EXPECT_EQ(BackspaceErasure(u"x\b"), 2);
    EXPECT_EQ(BackspaceErasure(u"\r\b"), 2);
    EXPECT_EQ(BackspaceErasure(u"\r\r\b"), 3);
    EXPECT_EQ(BackspaceErasure(u"a\r\r\b"), 4);
    EXPECT_EQ(Flush(QString(), QStringLiteral("\b")), QString());
    EXPECT_EQ(FlushErasure(QString(), QString()), 0);
    EXPECT_EQ(FlushErasure(QStringLiteral("abc"), QString()), 0);
    // The rule looks at the box's text before the flush.
    EXPECT_EQ(FlushErasure(QStringLiteral("abc\r"), QStringLiteral("x\b")), 4);
    EXPECT_EQ(FlushErasure(QStringLiteral("\r"), QStringLiteral("\r\n\b")), 4);
}

TEST(ReceiveTextRules, TheBoundKeepsTheLast25000OfMoreThan30000) {
    ReceiveText text;
    text.setText(QString(30000, u'a'));
    EXPECT_FALSE(text.bound());
    EXPECT_EQ(text.size(), 30000);
    text.insertAtEnd(u"b");
    EXPECT_TRUE(text.bound());
    EXPECT_EQ(text.size(), 25000);
    EXPECT_TRUE(text.text().endsWith(u"ab"));
    EXPECT_FALSE(text.bound());
}

TEST(ReceiveTextRules, EditsClampToTheText) {
    ReceiveText text(QStringLiteral("abc"));
    text.replace(1, 100, u"X");
    EXPECT_EQ(text.text(), QStringLiteral("aX"));
    text.replace(-5, 1, u"<");
    EXPECT_EQ(text.text(), QStringLiteral("<X"));
    text.eraseAtEnd(10);
    EXPECT_EQ(text.text(), QString());
}

// ---- display form ----

TEST(ReceiveTextDisplay, OneLineBreakPerLine) {
    const std::vector<std::pair<QString, QString>> cases{
        {QStringLiteral("Quorvin\r\n"), QStringLiteral("Quorvin\n")},
        {QStringLiteral("a\r\r\nb"), QStringLiteral("a\nb")},
        {QStringLiteral("a\r\nb"), QStringLiteral("a\nb")},
        {QStringLiteral("a\rb"), QStringLiteral("a\nb")},
        {QStringLiteral("a\nb"), QStringLiteral("a\nb")},
        {QStringLiteral("a\r\rb"), QStringLiteral("a\n\nb")},
        {QStringLiteral("a\r\r\r\nb"), QStringLiteral("a\n\nb")},
        {QStringLiteral("a\r\r\n\r\r\nb"), QStringLiteral("a\n\nb")},
        {QStringLiteral("a\n\r\r\nb"), QStringLiteral("a\n\nb")},
        {QStringLiteral("a\bb\t"), QStringLiteral("a\bb\t")},
        {QStringLiteral("\r"), QStringLiteral("\n")},
        {QString(), QString()},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(DisplayText(text), shown) << text.toStdString();
        EXPECT_EQ(DisplayLength(text), shown.size()) << text.toStdString();
    }
}

TEST(ReceiveTextDisplay, PositionsMapToPiecesOfTheText) {
    const QString text = QStringLiteral("ab\r\r\ncd\r\ne");
    // Display "ab\ncd\ne": positions 0..7.
    const std::array<qsizetype, 8> indexOf{0, 1, 2, 5, 6, 7, 9, 10};
    for (qsizetype position = 0; position < 8; ++position) {
        EXPECT_EQ(receiver::TextIndex(text, position), indexOf[static_cast<std::size_t>(position)]);
        EXPECT_EQ(receiver::DisplayPosition(text, indexOf[static_cast<std::size_t>(position)]),
                  position);
    }
    EXPECT_EQ(receiver::TextIndex(text, 100), text.size());
    // Every character of a break belongs to the break's position.
    EXPECT_EQ(receiver::DisplayPosition(text, 3), 2);
    EXPECT_EQ(receiver::DisplayPosition(text, 4), 2);
    EXPECT_EQ(receiver::DisplayPosition(text, 8), 5);
}

TEST(ReceiveTextDisplay, TypedLineBreaksBecomeCrLf) {
    EXPECT_EQ(receiver::TextFromDisplay(u"a\nb"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(receiver::TextFromDisplay(u"a\u2029b"), QStringLiteral("a\r\nb"));
    EXPECT_EQ(receiver::TextFromDisplay(u"a\bb"), QStringLiteral("a\bb"));
}

// Applies a display edit to the display form of a text.
QString Applied(QString display, const receiver::DisplayEdit& edit) {
    display.replace(edit.position, edit.removed, edit.inserted);
    return display;
}

TEST(ReceiveTextDisplay, EditsRenderOnlyAroundTheChangeAndAlwaysAgree) {
    // Random texts of letters, CRs, LFs and backspaces, with random edits: the display edit
    // turns the old display form into the new one.
    std::mt19937 random(20240511);
    const std::array<QChar, 6> alphabet{u'a', u'b', u'\r', u'\r', u'\n', u'\b'};
    const auto randomText = [&](qsizetype length) {
        QString text;
        for (qsizetype i = 0; i < length; ++i) {
            text.append(alphabet[random() % alphabet.size()]);
        }
        return text;
    };
    for (int round = 0; round < 4000; ++round) {
        const QString text = randomText(static_cast<qsizetype>(random() % 12));
        const auto below = [&random](qsizetype n) {
            return static_cast<qsizetype>(random() % static_cast<std::uint32_t>(n));
        };
        const qsizetype start = below(text.size() + 1);
        const qsizetype length = below(text.size() - start + 1);
        const QString with = randomText(static_cast<qsizetype>(random() % 5));
        QString changed = text;
        changed.replace(start, length, with);
        const receiver::DisplayEdit edit =
            PlanDisplayEdit(text, DisplayLength(text), start, length, with);
        ASSERT_EQ(Applied(DisplayText(text), edit), DisplayText(changed))
            << "text " << text.toStdString() << " start " << start << " length " << length
            << " with " << with.toStdString();
    }
}

TEST(ReceiveTextDisplay, AppendingToALongTextTouchesOnlyItsEnd) {
    QString text = QString(20000, u'x') + kCrCrLf + QStringLiteral("abc\r");
    const qsizetype shown = DisplayLength(text);
    // The lone CR at the end may grow into CR LF: its break is rendered again.
    const receiver::DisplayEdit edit = PlanDisplayEdit(text, shown, text.size(), 0, u"\nq");
    EXPECT_EQ(edit.position, shown - 1);
    EXPECT_EQ(edit.removed, 1);
    EXPECT_EQ(edit.inserted, QStringLiteral("\nq"));
    const receiver::DisplayEdit plain =
        PlanDisplayEdit(text + QStringLiteral("z"), shown + 1, text.size() + 1, 0, u"more");
    EXPECT_EQ(plain, (receiver::DisplayEdit{shown + 1, 0, QStringLiteral("more")}));
}

// ---- the widget ----

// Records the widget's changes.
struct ChangeLog {
    explicit ChangeLog(QTextDocument& document) {
        QObject::connect(&document, &QTextDocument::contentsChange,
                         [this](int position, int removed, int added) {
                             changes.push_back({position, removed, added});
                         });
    }
    struct Change {
        int position, removed, added;
    };
    std::vector<Change> changes;
};

TEST(ReceiveTextBoxTest, TakesOverTheWidgetsTextWithCrLfBreaks) {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("Quorvin\n"));
    ReceiveTextBox box(edit);
    EXPECT_EQ(box.text(), QStringLiteral("Quorvin\r\n"));
    EXPECT_EQ(WidgetText(edit), QStringLiteral("Quorvin\n"));
    EXPECT_FALSE(edit.document()->isUndoRedoEnabled());
}

TEST(ReceiveTextBoxTest, ReceivedLinesAppendPieceByPiece) {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("Quorvin\n"));
    ReceiveTextBox box(edit);
    int changed = 0;
    QObject::connect(&box, &ReceiveTextBox::changed, [&changed] { ++changed; });
    ChangeLog log(*edit.document());

    // Line breaks arrive split over flushes; the widget always shows one break per line.
    const std::vector<QString> flushes{QStringLiteral("CQ CQ"),
                                       QStringLiteral("\r"),
                                       QStringLiteral("\r\n"),
                                       QStringLiteral("de X"),
                                       QStringLiteral("\r\r"),
                                       QStringLiteral("\nK"),
                                       QString()};
    QString expected = QStringLiteral("Quorvin\r\n");
    for (const QString& flush : flushes) {
        const qsizetype before = WidgetText(edit).size();
        log.changes.clear();
        box.insertAtEnd(flush);
        expected += flush;
        ASSERT_EQ(box.text(), expected);
        ASSERT_EQ(WidgetText(edit), DisplayText(expected));
        for (const ChangeLog::Change& change : log.changes) {
            EXPECT_GE(change.position, before - 2) << "a flush re-rendered old text";
        }
    }
    EXPECT_EQ(WidgetText(edit), QStringLiteral("Quorvin\nCQ CQ\nde X\nK"));
    EXPECT_EQ(changed, 6);  // the empty flush changed nothing
}

TEST(ReceiveTextBoxTest, ErasingAndTheBoundKeepWidgetAndTextTogether) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.insertAtEnd(QStringLiteral("xyz") + kCrCrLf + QStringLiteral("\b"));
    box.eraseAtEnd(BackspaceErasure(box.text()));
    EXPECT_EQ(box.text(), QStringLiteral("xyz"));
    EXPECT_EQ(WidgetText(edit), QStringLiteral("xyz"));

    QString lines;
    while (lines.size() <= receiver::kReceiveTextLimit) {
        lines += QStringLiteral("RYRYRYRY de QX1ABC") + kCrCrLf;
    }
    box.setText(lines);
    EXPECT_TRUE(box.bound());
    EXPECT_EQ(box.text(), lines.right(receiver::kReceiveTextKept));
    EXPECT_EQ(WidgetText(edit), DisplayText(box.text()));
    EXPECT_FALSE(box.bound());
}

TEST(ReceiveTextBoxTest, CaretAtTheEndFollowsTheTextAndReplacesASelection) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.insertAtEnd(u"first line\r\r\nsecond");
    QTextCursor selection = edit.textCursor();
    selection.setPosition(2);
    selection.setPosition(5, QTextCursor::KeepAnchor);
    edit.setTextCursor(selection);

    box.moveCaretToEnd();
    EXPECT_FALSE(edit.textCursor().hasSelection());
    box.insertAtEnd(u" line\r\r\nthird");
    EXPECT_TRUE(edit.textCursor().atEnd());
    box.setText(QString(30001, u'z'));
    box.bound();
    EXPECT_TRUE(edit.textCursor().atEnd());
}

TEST(ReceiveTextBoxTest, WidgetPositionsAndTextIndexes) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.setText(u"ab\r\r\ncd");
    EXPECT_EQ(box.widgetPosition(5), 3);
    EXPECT_EQ(box.textIndex(3), 5);
    box.replace(box.textIndex(1), box.textIndex(4) - box.textIndex(1), u"-");
    EXPECT_EQ(box.text(), QStringLiteral("a-d"));
    EXPECT_EQ(WidgetText(edit), QStringLiteral("a-d"));
}

TEST(ReceiveTextBoxTest, TheWidgetsOwnEditsReachTheText) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.setText(QStringLiteral("ab") + kCrCrLf + QStringLiteral("cd"));
    int changed = 0;
    QObject::connect(&box, &ReceiveTextBox::changed, [&changed] { ++changed; });

    // Typing at the end of the first line, a line break included.
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(2);
    edit.setTextCursor(cursor);
    edit.textCursor().insertText(QStringLiteral("X\nY"));
    ProcessEvents();
    EXPECT_EQ(box.text(), QStringLiteral("abX\r\nY") + kCrCrLf + QStringLiteral("cd"));
    EXPECT_EQ(changed, 1);

    // Deleting a selection over a received break takes all three of its characters.
    cursor.setPosition(5);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    edit.textCursor().removeSelectedText();
    ProcessEvents();
    EXPECT_EQ(box.text(), QStringLiteral("abX\r\nYd"));
    EXPECT_EQ(WidgetText(edit), DisplayText(box.text()));

    // The widget's own replacement of the whole text.
    edit.setPlainText(QStringLiteral("new\ntext"));
    ProcessEvents();
    EXPECT_EQ(box.text(), QStringLiteral("new\r\ntext"));
    EXPECT_EQ(changed, 3);
}

TEST(ReceiveTextBoxTest, ATypedBreakAfterALoneCrJoinsIt) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.setText(u"a\r");
    EXPECT_EQ(WidgetText(edit), QStringLiteral("a\n"));
    QTextCursor cursor = edit.textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\n"));
    ProcessEvents();
    // CR, then CR LF: one received line break, shown as one.
    EXPECT_EQ(box.text(), QStringLiteral("a\r\r\n"));
    EXPECT_EQ(WidgetText(edit), QStringLiteral("a\n"));
    box.insertAtEnd(u"b");
    EXPECT_EQ(WidgetText(edit), QStringLiteral("a\nb"));
}

TEST(ReceiveTextBoxTest, FormatChangesLeaveTheTextAlone) {
    QPlainTextEdit edit;
    ReceiveTextBox box(edit);
    box.setText(QStringLiteral("a") + kCrCrLf + QStringLiteral("b"));
    int changed = 0;
    QObject::connect(&box, &ReceiveTextBox::changed, [&changed] { ++changed; });
    QFont font = edit.font();
    font.setBold(true);
    edit.setFont(font);
    QTextCursor all(edit.document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFontItalic(true);
    all.mergeCharFormat(format);
    ProcessEvents();
    EXPECT_EQ(box.text(), QStringLiteral("a") + kCrCrLf + QStringLiteral("b"));
    EXPECT_EQ(changed, 0);
}

// ---- the alarm's search ----

const std::array<QString, 11> kStrings{QStringLiteral("CQ"), QString(), QStringLiteral("DX")};

std::vector<int> Feed(AlarmSearch& search, QStringView text,
                      const std::array<QString, 11>& strings = kStrings) {
    search.receive(text);
    return search.search(strings);
}

TEST(AlarmSearchTest, StringsArrivingOverSeveralFlushesAreFound) {
    AlarmSearch search;
    EXPECT_TRUE(Feed(search, u"d").empty());
    EXPECT_EQ(Feed(search, u"x"), std::vector<int>{2});
    EXPECT_TRUE(search.isEmpty());  // a hit empties the window
    EXPECT_TRUE(Feed(search, u"").empty());
}

TEST(AlarmSearchTest, StringsOfOneCharacterOrNoneAreNeverSearched) {
    for (int slot = 0; slot < platform::kAlarmSlots; ++slot) {
        std::array<QString, 11> strings{};
        strings[static_cast<std::size_t>(slot)] = QStringLiteral("Q");
        AlarmSearch search;
        EXPECT_TRUE(Feed(search, u"QQQ Q q", strings).empty()) << slot;
    }
    std::array<QString, 11> beyond{};
    beyond[3] = QStringLiteral("CQ");  // only slots 0..2 count
    AlarmSearch search;
    EXPECT_TRUE(Feed(search, u"CQ CQ", beyond).empty());
}

TEST(AlarmSearchTest, ComparesInUpperCase) {
    AlarmSearch search;
    const std::array<QString, 11> lower{QStringLiteral("cq")};
    EXPECT_EQ(Feed(search, u"xcQx", lower), std::vector<int>{0});
    EXPECT_EQ(Feed(search, u"Cq"), std::vector<int>{0});
    EXPECT_TRUE(platform::EndsWithUpperCase(u"abc\u00e9", u"C\u00c9"));
    EXPECT_FALSE(platform::EndsWithUpperCase(u"c", u"bc"));
}

TEST(AlarmSearchTest, FindsStringsWhereverTheFlushesCutTheText) {
    // Straddling the twentieth character, where a window of twenty would restart.
    AlarmSearch straddling;
    EXPECT_TRUE(Feed(straddling, u"0123456789012345678C").empty());
    EXPECT_EQ(Feed(straddling, u"Q"), std::vector<int>{0});

    // Inside one flush with other characters, and twice in one flush.
    AlarmSearch inside;
    EXPECT_EQ(Feed(inside, u"hello CQ de DX station"), (std::vector<int>{0, 2}));
    EXPECT_EQ(Feed(inside, u"CQCQ"), (std::vector<int>{0, 0}));

    // One character at a time, across many windows of twenty.
    AlarmSearch slow;
    std::vector<int> hits;
    const QString text =
        QString(57, u'.') + QStringLiteral("CQ") + QString(33, u'.') + QStringLiteral("CQ");
    for (const QChar c : text) {
        const std::vector<int> found = Feed(slow, QStringView(&c, 1));
        hits.insert(hits.end(), found.begin(), found.end());
    }
    EXPECT_EQ(hits, (std::vector<int>{0, 0}));

    // A string longer than twenty characters.
    AlarmSearch longString;
    const std::array<QString, 11> strings{QStringLiteral("THE QUICK BROWN FOX JUMPS OVER")};
    EXPECT_TRUE(Feed(longString, u"... the quick brown fox ", strings).empty());
    EXPECT_EQ(Feed(longString, u"jumps over it", strings), std::vector<int>{0});
}

TEST(AlarmSearchTest, AHitConsumesItsCharacters) {
    AlarmSearch search;
    const std::array<QString, 11> strings{QStringLiteral("AA")};
    EXPECT_EQ(Feed(search, u"AAA", strings), std::vector<int>{0});
    EXPECT_EQ(search.text(), QStringLiteral("A"));
    EXPECT_EQ(Feed(search, u"A", strings), std::vector<int>{0});
    EXPECT_TRUE(search.search(strings).empty());  // nothing new, nothing found again

    // After a hit the later slots are searched in the empty window.
    AlarmSearch slots;
    const std::array<QString, 11> nested{QStringLiteral("ABC"), QStringLiteral("BC")};
    EXPECT_EQ(Feed(slots, u"ABC", nested), std::vector<int>{0});
    EXPECT_EQ(Feed(slots, u"xBC", nested), std::vector<int>{1});
}

TEST(AlarmSearchTest, ErasedCharactersAreTakenBack) {
    // C, X, a backspace erasing X, then Q: the box shows CQ.
    AlarmSearch search;
    EXPECT_TRUE(Feed(search, u"C").empty());
    EXPECT_TRUE(Feed(search, u"X").empty());
    search.eraseAtEnd(1);
    EXPECT_EQ(Feed(search, u"Q"), std::vector<int>{0});

    // Waiting characters erased before the search: "CQ" followed at once by its erasure.
    AlarmSearch waiting;
    waiting.receive(u"CQ\b");
    waiting.eraseAtEnd(2);
    EXPECT_EQ(waiting.waiting(), QStringLiteral("C"));
    EXPECT_TRUE(waiting.search(kStrings).empty());
    EXPECT_EQ(Feed(waiting, u"Q"), std::vector<int>{0});

    // Erasing more than there is.
    AlarmSearch few;
    few.receive(u"ab");
    few.eraseAtEnd(10);
    EXPECT_TRUE(few.isEmpty());
}

TEST(AlarmSearchTest, SkippedAndClearedCharactersAreNotSearched) {
    AlarmSearch search;
    EXPECT_TRUE(Feed(search, u"C").empty());
    search.receive(u"Q");
    search.skipWaiting();  // the alarm was off
    EXPECT_TRUE(Feed(search, u"x").empty());
    EXPECT_EQ(search.text(), QStringLiteral("Cx"));
    search.clear();
    EXPECT_TRUE(search.isEmpty());
    EXPECT_TRUE(Feed(search, u"X").empty());
}

// ---- logs ----

const QDateTime kStamp(QDate(2024, 3, 5), QTime(17, 8, 9));

TEST(ReceiveLogs, BannerAndAlarmLine) {
    EXPECT_EQ(
        receiver::AutoLogBanner(kStamp),
        QByteArray("\r\n\r\n***Quorvin AutoLog Activated at->17:08:09  Date:03-05-2024***\r\n"));
    EXPECT_EQ(
        receiver::AlarmLogLine(u"DX", kStamp),
        QByteArray("***Quorvin AlarmLog: string 'DX' found at->17:08:09  Date:03-05-2024***\r\n"));
    // 8-bit text: Windows-1252.
    EXPECT_EQ(receiver::AlarmLogLine(u"\u00c9\u20ac", kStamp).mid(29, 2), QByteArray("\xc9\x80"));
}

TEST(ReceiveLogs, AppendsAndReportsFailure) {
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("log.log"));
    EXPECT_TRUE(receiver::AppendToFile(path, "one\r\n"));
    EXPECT_TRUE(receiver::AppendToFile(path, "two"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("one\r\ntwo"));
    EXPECT_FALSE(receiver::AppendToFile(folder.path(), "a folder is no file"));
}

TEST(ReceiveLogs, AlarmSoundOfTheProgramFolderElseTheInstalledOne) {
    QTemporaryDir programFolder;
    QTemporaryDir installed;
    const QString own = QDir(programFolder.path()).filePath(QStringLiteral("alarm.wav"));
    const QString beside = QDir(installed.path()).filePath(QStringLiteral("alarm.wav"));
    EXPECT_EQ(receiver::AlarmSoundFile(programFolder.path(), installed.path()), own);
    QFile(beside).open(QIODevice::WriteOnly);
    EXPECT_EQ(receiver::AlarmSoundFile(programFolder.path(), installed.path()), beside);
    QFile(own).open(QIODevice::WriteOnly);
    EXPECT_EQ(receiver::AlarmSoundFile(programFolder.path(), installed.path()), own);
    EXPECT_TRUE(QDir::isAbsolutePath(receiver::AlarmSoundFile(programFolder.path(), QString())));
}

TEST(ReceiveLogs, AnInstalledProgramsAlarmSoundComesFromShareQuorvin) {
    QTemporaryDir programFolder;
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("share/quorvin")));
    const QString shipped = prefix.filePath(QStringLiteral("share/quorvin/alarm.wav"));
    QFile(shipped).open(QIODevice::WriteOnly);
    EXPECT_EQ(
        receiver::AlarmSoundFile(programFolder.path(), prefix.filePath(QStringLiteral("bin"))),
        shipped);
}

}  // namespace

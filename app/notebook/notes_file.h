#pragma once

// The notebook's file: loading a text file into the editor with the size limit, and the bytes
// that save it back with the line ends, the character set and the byte-order mark it was loaded
// with, so that a load and a save leave an unchanged file byte for byte as it was
// (platform::ReplaceFile writes them).

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace notebook {

// A load stops at the first line read after this many characters were gathered; the messages
// say 60000, as they always did.
inline constexpr qsizetype kLoadLimit = 58000;
inline constexpr char16_t kTooLargeText[] =
    u"Size of the file is to large. Opened only the first 60000 bytes.";
inline constexpr char16_t kTooLargeTitle[] = u"File to large";
inline constexpr char16_t kCutShortLine[] =
    u"!!!File loaded only for the first 60000 characters!!! Do not save the file or you will "
    u"loose all info over the 60000 bytes loaded!!!";

enum class NotesEncoding { Windows1252, Utf8 };

// How a file writes its text.
struct NotesFormat {
    // The file's line end: CR LF, LF or a lone CR, as its first line ends (CR LF when it has
    // no line end at all).
    QByteArray lineEnd = "\r\n";
    // The line ends of the file's lines in order, kept only when they are not all alike; lines
    // beyond them end with `lineEnd`.
    QList<QByteArray> lineEnds;
    // UTF-8 when the file is valid UTF-8 to its last byte and has characters beyond ASCII or a
    // byte-order mark; else Windows-1252, which gives every byte a character of its own.
    NotesEncoding encoding = NotesEncoding::Windows1252;
    bool byteOrderMark = false;  // a UTF-8 file that begins with one

    friend bool operator==(const NotesFormat&, const NotesFormat&) = default;
};

struct LoadedNotes {
    QString text;  // the lines, each ended by LF as the editor breaks them
    NotesFormat format;
    bool complete = false;  // the end of the file was reached (a missing file: false)
    bool cutShort = false;  // the size limit ended the load; the text ends in kCutShortLine
};

// The notes in `bytes`, the whole file when `wholeFile`, else its beginning.
LoadedNotes NotesFromBytes(QByteArrayView bytes, bool wholeFile);

LoadedNotes LoadNotes(const QString& path);

// The bytes of `text` (lines broken by LF) as the file keeps them.
QByteArray NotesBytes(const QString& text, const NotesFormat& format);

// Where notes that were changed but not saved when the program was ended from outside are
// kept: beside their file, named after it ("quorvbook.log" -> "quorvbook (unsaved).log"), so
// that the file itself changes only when the user saves and the copy is found with it.
QString UnsavedCopyPath(const QString& file);

}  // namespace notebook

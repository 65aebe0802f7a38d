#pragma once

// The notebook's file: loading a text file into the editor with the size limit, and the bytes
// that save it back with the line ends and the character set it was loaded with, so that a
// load and a save leave an unchanged file as it was (platform::ReplaceFile writes them).

#include <QByteArray>
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

struct LoadedNotes {
    QString text;  // the lines, each ended by LF as the editor breaks them
    // How the file ends its lines (CR LF unless it uses LF alone) and writes its characters
    // (UTF-8 when it is valid UTF-8 with characters beyond ASCII, else 8-bit).
    QByteArray lineEnd = "\r\n";
    NotesEncoding encoding = NotesEncoding::Windows1252;
    bool complete = false;  // the end of the file was reached (a missing file: false)
    bool cutShort = false;  // the size limit ended the load; the text ends in kCutShortLine
};

LoadedNotes LoadNotes(const QString& path);

// The bytes of `text` (lines broken by LF) as the file keeps them.
QByteArray NotesBytes(const QString& text, const QByteArray& lineEnd, NotesEncoding encoding);

}  // namespace notebook

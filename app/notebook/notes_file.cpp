#include "notebook/notes_file.h"

#include <QFile>
#include <QStringDecoder>

#include "platform/file_kind.h"
#include "platform/windows1252.h"

namespace notebook {

namespace {

bool IsUtf8BeyondAscii(const QByteArray& bytes) {
    bool beyondAscii = false;
    for (const char c : bytes) {
        beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
    }
    if (!beyondAscii) {
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

}  // namespace

LoadedNotes LoadNotes(const QString& path) {
    LoadedNotes notes;
    // A pipe would hold the window until a writer came: only regular files are opened.
    if (!platform::IsRegularFileOrMissing(path)) {
        return notes;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return notes;
    }
    // Far more than the limit lets through: enough to tell the character set and line ends.
    const QByteArray bytes = file.read(4 * kLoadLimit);
    notes.complete = file.atEnd() && file.error() == QFileDevice::NoError;
    notes.encoding = IsUtf8BeyondAscii(bytes) ? NotesEncoding::Utf8 : NotesEncoding::Windows1252;
    const QString content = notes.encoding == NotesEncoding::Utf8
                                ? QString::fromUtf8(bytes)
                                : KVXmodules::FromWindows1252(bytes);
    const qsizetype firstLf = content.indexOf(u'\n');
    notes.lineEnd =
        firstLf > 0 && content[firstLf - 1] == u'\r' ? "\r\n" : (firstLf >= 0 ? "\n" : "\r\n");

    qsizetype gathered = 0;  // characters of the file taken, line ends included
    for (qsizetype start = 0; start < content.size();) {
        const qsizetype lf = content.indexOf(u'\n', start);
        const qsizetype next = lf < 0 ? content.size() : lf + 1;
        if (gathered > kLoadLimit) {
            notes.text += QString::fromUtf16(kCutShortLine) + u'\n';
            notes.cutShort = true;
            notes.complete = false;
            return notes;
        }
        qsizetype end = lf < 0 ? content.size() : lf;
        if (lf >= 0 && notes.lineEnd == "\r\n" && end > start && content[end - 1] == u'\r') {
            --end;
        }
        notes.text += QStringView(content).sliced(start, end - start);
        if (lf >= 0) {
            notes.text += u'\n';
        }
        gathered += next - start;
        start = next;
    }
    if (!notes.complete && gathered > kLoadLimit) {
        notes.text += QString::fromUtf16(kCutShortLine) + u'\n';
        notes.cutShort = true;
    }
    return notes;
}

QByteArray NotesBytes(const QString& text, const QByteArray& lineEnd, NotesEncoding encoding) {
    QString withEnds = text;
    if (lineEnd != "\n") {
        withEnds.replace(u'\n', QString::fromLatin1(lineEnd));
    }
    return encoding == NotesEncoding::Utf8 ? withEnds.toUtf8()
                                           : KVXmodules::ToWindows1252(withEnds);
}

}  // namespace notebook

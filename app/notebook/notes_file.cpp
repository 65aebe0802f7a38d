#include "notebook/notes_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform/file_kind.h"
#include "platform/windows1252.h"

namespace notebook {

namespace {

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

bool IsAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Whether `bytes` are UTF-8 that decodes and encodes back to the very same bytes. The beginning
// of a longer file may end inside a character: up to three bytes at its end are left out.
bool IsExactUtf8(QByteArrayView bytes, bool wholeFile) {
    for (qsizetype cut = 0; cut <= (wholeFile ? 0 : 3) && cut <= bytes.size(); ++cut) {
        const QByteArrayView kept = bytes.first(bytes.size() - cut);
        if (QString::fromUtf8(kept).toUtf8() == kept) {
            return true;
        }
    }
    return false;
}

QString Decoded(QByteArrayView bytes, NotesEncoding encoding) {
    if (encoding == NotesEncoding::Windows1252) {
        return KVXmodules::FromWindows1252(bytes);
    }
    // Statefully, so that a character cut at the end of a partial load is left out; a second
    // byte-order mark is a character of the text.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

}  // namespace

LoadedNotes NotesFromBytes(QByteArrayView bytes, bool wholeFile) {
    LoadedNotes notes;
    notes.complete = wholeFile;
    NotesFormat& format = notes.format;
    QByteArrayView body = bytes;
    if (bytes.startsWith(kByteOrderMark) && IsExactUtf8(bytes.sliced(3), wholeFile)) {
        format.byteOrderMark = true;
        format.encoding = NotesEncoding::Utf8;
        body = bytes.sliced(3);
    } else if (!IsAscii(bytes) && IsExactUtf8(bytes, wholeFile)) {
        format.encoding = NotesEncoding::Utf8;
    }
    const QString content = Decoded(body, format.encoding);

    QList<QByteArray> ends;
    bool mixed = false;
    qsizetype gathered = 0;  // characters of the file taken, line ends included
    for (qsizetype start = 0; start < content.size();) {
        if (gathered > kLoadLimit) {
            notes.text += QString::fromUtf16(kCutShortLine) + u'\n';
            notes.cutShort = true;
            notes.complete = false;
            break;
        }
        qsizetype end = start;
        while (end < content.size() && content[end] != u'\n' && content[end] != u'\r') {
            ++end;
        }
        notes.text += QStringView(content).sliced(start, end - start);
        qsizetype next = end;
        if (end < content.size()) {
            const bool crLf =
                content[end] == u'\r' && end + 1 < content.size() && content[end + 1] == u'\n';
            const QByteArray lineEnd = crLf ? "\r\n" : (content[end] == u'\r' ? "\r" : "\n");
            next = end + lineEnd.size();
            if (ends.isEmpty()) {
                format.lineEnd = lineEnd;
            }
            mixed = mixed || lineEnd != format.lineEnd;
            ends.append(lineEnd);
            notes.text += u'\n';
        }
        gathered += next - start;
        start = next;
    }
    if (!notes.cutShort && !notes.complete && gathered > kLoadLimit) {
        notes.text += QString::fromUtf16(kCutShortLine) + u'\n';
        notes.cutShort = true;
    }
    if (mixed) {
        format.lineEnds = ends;
    }
    return notes;
}

LoadedNotes LoadNotes(const QString& path) {
    // A pipe would hold the window until a writer came: only regular files are opened.
    if (!platform::IsRegularFileOrMissing(path)) {
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // Far more than the limit lets through: enough to tell the character set and line ends.
    const QByteArray bytes = file.read(4 * kLoadLimit);
    const bool wholeFile = file.atEnd() && file.error() == QFileDevice::NoError;
    return NotesFromBytes(bytes, wholeFile);
}

QByteArray NotesBytes(const QString& text, const NotesFormat& format) {
    QByteArray bytes = format.byteOrderMark ? kByteOrderMark.toByteArray() : QByteArray();
    qsizetype line = 0;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype lf = text.indexOf(u'\n', start);
        const QStringView piece =
            QStringView(text).sliced(start, (lf < 0 ? text.size() : lf) - start);
        bytes += format.encoding == NotesEncoding::Utf8 ? piece.toUtf8()
                                                        : KVXmodules::ToWindows1252(piece);
        if (lf < 0) {
            break;
        }
        bytes += line < format.lineEnds.size() ? format.lineEnds[line] : format.lineEnd;
        ++line;
        start = lf + 1;
    }
    return bytes;
}

QString UnsavedCopyPath(const QString& file) {
    const QFileInfo info(file);
    const QString base = info.completeBaseName();
    const QString name = base.isEmpty() || info.suffix().isEmpty()
                             ? info.fileName() + QStringLiteral(" (unsaved)")
                             : base + QStringLiteral(" (unsaved).") + info.suffix();
    return info.dir().filePath(name);
}

}  // namespace notebook

#include "receivetext/receive_text.h"

#include <algorithm>

namespace receiver {

namespace {

constexpr QChar kParagraphSeparator{u'\u2029'};

// The length of the piece that starts at `i`: a line break of up to three characters, or one
// character.
qsizetype PieceLength(QStringView text, qsizetype i) {
    if (text[i] != kCR) {
        return 1;
    }
    const qsizetype rest = text.size() - i;
    if (rest >= 3 && text[i + 1] == kCR && text[i + 2] == kLF) {
        return 3;
    }
    if (rest >= 2 && text[i + 1] == kLF) {
        return 2;
    }
    return 1;
}

bool IsBreak(QChar c) {
    return c == kCR || c == kLF;
}

// Whether a piece can end right before the character after `before` whatever follows: only a
// CR may still grow into a longer line break.
bool EndsPiece(QChar before) {
    return before != kCR;
}

}  // namespace

QString DisplayText(QStringView text) {
    QString display;
    display.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = PieceLength(text, i);
        display.append(IsBreak(text[i]) ? kLF : text[i]);
        i += length;
    }
    return display;
}

qsizetype DisplayLength(QStringView text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i += PieceLength(text, i)) {
        ++count;
    }
    return count;
}

qsizetype TextIndex(QStringView text, qsizetype position) {
    qsizetype i = 0;
    for (qsizetype count = 0; i < text.size() && count < position; ++count) {
        i += PieceLength(text, i);
    }
    return i;
}

qsizetype DisplayPosition(QStringView text, qsizetype index) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++count) {
        i += PieceLength(text, i);
        if (index < i) {
            return count;
        }
    }
    return count;
}

QString TextFromDisplay(QStringView display) {
    QString text;
    text.reserve(display.size());
    for (const QChar c : display) {
        if (c == kLF || c == kParagraphSeparator) {
            text.append(kCR);
            text.append(kLF);
        } else {
            text.append(c);
        }
    }
    return text;
}

QString ClipboardText(QStringView text) {
    QString clipboard = DisplayText(text);
#if defined(Q_OS_WIN)
    clipboard.replace(kLF, QStringLiteral("\r\n"));
#endif
    return clipboard;
}

DisplayEdit PlanDisplayEdit(QStringView text, qsizetype displayLength, qsizetype start,
                            qsizetype length, QStringView with) {
    start = std::clamp<qsizetype>(start, 0, text.size());
    length = std::clamp<qsizetype>(length, 0, text.size() - start);
    const qsizetype end = start + length;

    // Back to where a piece begins in the text before and after the change: the pieces in
    // front are the same in both.
    qsizetype begin = start;
    while (begin > 0 && text[begin - 1] == kCR) {
        --begin;
    }
    // On to where a piece begins in both; the pieces behind are the same in both. At the end
    // of the change the character before differs: the text's old one and the new one.
    qsizetype stop = end;
    while (stop < text.size()) {
        if (stop > end) {
            if (EndsPiece(text[stop - 1])) {
                break;
            }
        } else {
            const bool oldEnds = stop == 0 || EndsPiece(text[stop - 1]);
            const bool newEnds = !with.isEmpty() ? EndsPiece(with.back())
                                                 : (start == 0 || EndsPiece(text[start - 1]));
            if (oldEnds && newEnds) {
                break;
            }
        }
        ++stop;
    }

    const qsizetype displayStop = displayLength - DisplayLength(text.mid(stop));
    const qsizetype displayBegin = displayStop - DisplayLength(text.mid(begin, stop - begin));
    QString region;
    region.reserve(start - begin + with.size() + stop - end);
    region.append(text.mid(begin, start - begin));
    region.append(with);
    region.append(text.mid(end, stop - end));
    return DisplayEdit{displayBegin, displayStop - displayBegin, DisplayText(region)};
}

qsizetype BackspaceErasure(QStringView text) {
    qsizetype count = std::min<qsizetype>(2, text.size());
    const qsizetype rest = text.size() - count;
    if (rest > 0 && text[rest - 1] == kCR) {
        count += std::min<qsizetype>(2, rest);
    }
    return count;
}

qsizetype FlushErasure(QStringView boxText, QStringView flushed) {
    if (flushed.isEmpty() || flushed.back() != kBackspace) {
        return 0;
    }
    // The rule looks at no more than the last four characters.
    constexpr qsizetype kReach = 4;
    QString tail = boxText.right(kReach).toString();
    tail.append(flushed.right(kReach));
    return BackspaceErasure(QStringView(tail).right(kReach));
}

void ReceiveText::replace(qsizetype start, qsizetype length, QStringView with) {
    start = std::clamp<qsizetype>(start, 0, text_.size());
    length = std::clamp<qsizetype>(length, 0, text_.size() - start);
    text_.replace(start, length, with.data(), with.size());
}

void ReceiveText::eraseAtEnd(qsizetype count) {
    count = std::clamp<qsizetype>(count, 0, text_.size());
    text_.chop(count);
}

bool ReceiveText::bound() {
    if (text_.size() <= kReceiveTextLimit) {
        return false;
    }
    text_.remove(0, text_.size() - kReceiveTextKept);
    return true;
}

}  // namespace receiver

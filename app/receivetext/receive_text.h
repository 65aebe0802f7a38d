#pragma once

// The receive box's text, and how it is shown.
//
// The text the receive handlers work on keeps the stored form of a Windows multi-line text box: a
// received line break is CR CR LF, a line break typed or loaded is CR LF, and a backspace that
// erases nothing stays in the text as a character. The box's rules (the bound, the trailing
// backspace) count characters of this form.
//
// Qt's text widgets turn every CR and every LF into a paragraph break of their own, so the
// widget is given a display form instead: each line break of the text (CR CR LF, CR LF, a
// lone CR or a lone LF, the longest that fits) becomes one '\n', every other character stays
// as it is. A line break and its display character are a "break"; every other character is
// its own one-character piece, so a display position always stands for the start of one piece
// of the text.

#include <QString>
#include <QStringView>
#include <utility>

namespace receiver {

inline constexpr QChar kCR{u'\r'};
inline constexpr QChar kLF{u'\n'};
inline constexpr QChar kBackspace{u'\b'};

// The bound of the receive box: a text longer than kReceiveTextLimit characters is cut to
// its last kReceiveTextKept characters.
inline constexpr qsizetype kReceiveTextLimit = 30000;
inline constexpr qsizetype kReceiveTextKept = 25000;

// ---- display form ----

// The display form of `text`.
QString DisplayText(QStringView text);
// DisplayText(text).size(), without building it.
qsizetype DisplayLength(QStringView text);
// The index in `text` of the piece that display position `position` stands for;
// text.size() for the display's end (and beyond).
qsizetype TextIndex(QStringView text, qsizetype position);
// The display position of the piece that holds `index` of `text`; DisplayLength(text) for
// text.size().
qsizetype DisplayPosition(QStringView text, qsizetype index);
// What a display text stands for in the box: each paragraph break ('\n', or U+2029 as Qt's
// selections give it) becomes CR LF, as a typed line break.
QString TextFromDisplay(QStringView display);
// `text` as other programs take it from the clipboard: each line break one line end of the
// desktop (LF, CR LF on Windows), every other character as it is.
QString ClipboardText(QStringView text);

// How a change of a text changes its display form: replace `removed` display characters from
// `position` on by `inserted`. Only the pieces around the change are rendered again.
struct DisplayEdit {
    qsizetype position = 0;
    qsizetype removed = 0;
    QString inserted;

    friend bool operator==(const DisplayEdit&, const DisplayEdit&) = default;
};

// The display edit for replacing `length` characters of `text` from `start` on by `with`.
// `displayLength` is DisplayLength(text), which the caller keeps (it saves rendering the
// untouched beginning of a long text).
DisplayEdit PlanDisplayEdit(QStringView text, qsizetype displayLength, qsizetype start,
                            qsizetype length, QStringView with);

// ---- the box's rules ----

// The trailing-backspace rule, for a text that ends in a backspace: the number of characters
// to delete at its end. Those are the last two (the backspace and the character before it);
// if the text left then ends with CR, the two before them as well, so that a backspace after a
// CR CR LF line break removes the whole break. A text shorter than that loses what it has.
qsizetype BackspaceErasure(QStringView text);
// The number of characters the trailing-backspace rule deletes from a box holding `boxText`
// once `flushed` has been inserted at its end: 0 unless `flushed` ends in a backspace.
qsizetype FlushErasure(QStringView boxText, QStringView flushed);

// The receive box's text in its stored form, and the edits the receive handlers make to it.
class ReceiveText {
  public:
    ReceiveText() = default;
    explicit ReceiveText(QString text) : text_(std::move(text)) {}

    const QString& text() const noexcept { return text_; }
    qsizetype size() const noexcept { return text_.size(); }

    // Replaces `length` characters from `start` on (both clamped to the text) by `with`.
    void replace(qsizetype start, qsizetype length, QStringView with);
    void setText(QStringView text) { replace(0, text_.size(), text); }
    void insertAtEnd(QStringView text) { replace(text_.size(), 0, text); }
    // Deletes the last `count` characters (all of them when there are fewer).
    void eraseAtEnd(qsizetype count);
    // The bound: true when the text was longer than kReceiveTextLimit and now holds only its
    // last kReceiveTextKept characters.
    bool bound();

  private:
    QString text_;
};

}  // namespace receiver

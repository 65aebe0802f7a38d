#pragma once

// The receive box: the text the receive handlers work on (a ReceiveText, in its stored form
// with CR CR LF line breaks) shown in a QPlainTextEdit in its display form (one line break per
// line; see receive_text.h).
//
// Edits go to the text first; the widget then gets only the pieces around the change, so
// appending received characters to a long text costs no more than the new characters. The
// widget's own edits (typing into the unlocked box, the widget's cut and paste) are taken back
// into the text: the display positions they touch are mapped to the pieces of the text, and a
// typed line break becomes CR LF.
//
// changed() is emitted after every change of the text, whatever made it; it arrives at once
// after an edit through this class and from the event loop after an edit in the widget.

#include <QObject>
#include <QString>
#include <QStringView>

#include "receivetext/receive_text.h"

class QPlainTextEdit;

namespace receiver {

class ReceiveTextBox final : public QObject {
    Q_OBJECT
  public:
    // Takes over `edit` with the text it shows (each of its line breaks counts as CR LF).
    explicit ReceiveTextBox(QPlainTextEdit& edit, QObject* parent = nullptr);

    // The text in its stored form.
    const QString& text() const noexcept { return text_.text(); }

    void setText(QStringView text);
    // Replaces `length` characters from `start` on by `with`.
    void replace(qsizetype start, qsizetype length, QStringView with);
    void insertAtEnd(QStringView text);
    void eraseAtEnd(qsizetype count);
    // The box's bound (kReceiveTextLimit, kReceiveTextKept); true when it cut the text.
    bool bound();

    // Puts the caret at the end of the text, with no selection, and scrolls to it.
    void moveCaretToEnd();

    // The widget position (caret, selection) of index `index` of the text, and the index of
    // the text that a widget position stands for.
    qsizetype widgetPosition(qsizetype index) const;
    qsizetype textIndex(qsizetype widgetPosition) const;

  Q_SIGNALS:
    void changed();

  private:
    // Brings the widget up to date for a replacement the text is about to make, makes it, and
    // announces it.
    void edit(qsizetype start, qsizetype length, QStringView with);
    void showWholeText();
    void widgetChanged(int position, int removed, int added);
    void afterWidgetChange();

    QPlainTextEdit& edit_;
    ReceiveText text_;
    qsizetype displayLength_ = 0;  // the widget's length in characters
    bool editing_ = false;         // the widget changes because this class changes it
    bool displayStale_ = false;    // the widget does not show the display form of the text
    bool widgetChangePending_ = false;
};

}  // namespace receiver

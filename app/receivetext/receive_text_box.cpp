#include "receivetext/receive_text_box.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace receiver {

namespace {

constexpr QChar kParagraphSeparator{u'\u2029'};

// The widget's characters from `position` on, `count` of them; a line break is '\n'.
QString WidgetText(QTextDocument& document, qsizetype position, qsizetype count) {
    QTextCursor cursor(&document);
    cursor.setPosition(static_cast<int>(position));
    cursor.setPosition(static_cast<int>(position + count), QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    text.replace(kParagraphSeparator, kLF);
    return text;
}

qsizetype WidgetLength(const QTextDocument& document) {
    return document.characterCount() - 1;
}

}  // namespace

ReceiveTextBox::ReceiveTextBox(QPlainTextEdit& edit, QObject* parent)
    : QObject(parent), edit_(edit) {
    QTextDocument& document = *edit_.document();
    // The box gains text for as long as the program runs; an undo stack would keep all of it.
    document.setUndoRedoEnabled(false);
    text_.setText(TextFromDisplay(WidgetText(document, 0, WidgetLength(document))));
    showWholeText();
    connect(&document, &QTextDocument::contentsChange, this, &ReceiveTextBox::widgetChanged);
}

void ReceiveTextBox::setText(QStringView text) {
    edit(0, text_.size(), text);
}

void ReceiveTextBox::replace(qsizetype start, qsizetype length, QStringView with) {
    edit(start, length, with);
}

void ReceiveTextBox::insertAtEnd(QStringView text) {
    edit(text_.size(), 0, text);
}

void ReceiveTextBox::eraseAtEnd(qsizetype count) {
    count = std::clamp<qsizetype>(count, 0, text_.size());
    edit(text_.size() - count, count, {});
}

bool ReceiveTextBox::bound() {
    if (text_.size() <= kReceiveTextLimit) {
        return false;
    }
    edit(0, text_.size() - kReceiveTextKept, {});
    return true;
}

void ReceiveTextBox::moveCaretToEnd() {
    QTextCursor cursor = edit_.textCursor();
    cursor.movePosition(QTextCursor::End);
    edit_.setTextCursor(cursor);
    edit_.ensureCursorVisible();
}

qsizetype ReceiveTextBox::widgetPosition(qsizetype index) const {
    return DisplayPosition(text_.text(), index);
}

qsizetype ReceiveTextBox::textIndex(qsizetype widgetPosition) const {
    return TextIndex(text_.text(), widgetPosition);
}

void ReceiveTextBox::edit(qsizetype start, qsizetype length, QStringView with) {
    start = std::clamp<qsizetype>(start, 0, text_.size());
    length = std::clamp<qsizetype>(length, 0, text_.size() - start);
    if (length == 0 && with.isEmpty()) {
        return;
    }
    if (displayStale_) {
        showWholeText();
    }
    const DisplayEdit change = PlanDisplayEdit(text_.text(), displayLength_, start, length, with);
    text_.replace(start, length, with);

    QTextDocument& document = *edit_.document();
    const bool caretAtEnd = edit_.textCursor().atEnd();
    editing_ = true;
    QTextCursor cursor(&document);
    cursor.setPosition(static_cast<int>(change.position));
    cursor.setPosition(static_cast<int>(change.position + change.removed), QTextCursor::KeepAnchor);
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    }
    if (!change.inserted.isEmpty()) {
        cursor.insertText(change.inserted);
    }
    editing_ = false;
    displayLength_ = WidgetLength(document);
    if (caretAtEnd) {
        edit_.ensureCursorVisible();
    }
    Q_EMIT changed();
}

void ReceiveTextBox::showWholeText() {
    const bool caretAtEnd = edit_.textCursor().atEnd();
    editing_ = true;
    edit_.setPlainText(DisplayText(text_.text()));
    editing_ = false;
    displayLength_ = WidgetLength(*edit_.document());
    displayStale_ = false;
    if (caretAtEnd) {
        moveCaretToEnd();
    }
}

void ReceiveTextBox::widgetChanged(int position, int removed, int added) {
    if (editing_) {
        return;
    }
    QTextDocument& document = *edit_.document();
    // The widget may report a change larger than it is (it counts its closing paragraph
    // mark); the lengths before and after tell how much really changed.
    const qsizetype before = displayLength_;
    const qsizetype after = WidgetLength(document);
    qsizetype at = std::clamp<qsizetype>(position, 0, before);
    qsizetype gone = std::clamp<qsizetype>(removed, 0, before - at);
    qsizetype come = gone + (after - before);
    if (come < 0 || at + come > after || added < 0) {
        at = 0;
        gone = before;
        come = after;
    }
    displayLength_ = after;

    const QString shown = WidgetText(document, at, come);
    const qsizetype start = TextIndex(text_.text(), at);
    const qsizetype end = TextIndex(text_.text(), at + gone);
    if (DisplayText(QStringView(text_.text()).mid(start, end - start)) == shown) {
        return;  // only formats changed
    }
    text_.replace(start, end - start, TextFromDisplay(shown));
    // A typed line break may join a CR before it into one longer break; then the widget
    // shows one break too many until it is shown afresh.
    displayStale_ = DisplayText(text_.text()) != WidgetText(document, 0, after);
    if (!widgetChangePending_) {
        widgetChangePending_ = true;
        QMetaObject::invokeMethod(this, &ReceiveTextBox::afterWidgetChange, Qt::QueuedConnection);
    }
}

void ReceiveTextBox::afterWidgetChange() {
    widgetChangePending_ = false;
    if (displayStale_) {
        showWholeText();
    }
    Q_EMIT changed();
}

}  // namespace receiver

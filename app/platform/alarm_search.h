#pragma once

// The PSK alarm's search through the received text.
//
// Received characters are taken one at a time, in the order they arrived, however many a
// flush of the receive box brought at once. After each one the alarm strings of slots 0, 1
// and 2 that are longer than one character are compared, in that order and without regard to
// case, with the end of the text taken since the last hit. A string found there is a hit: its
// slot is reported and the search starts again behind it, so the characters of one hit never
// count for another, and a string is found wherever it stands, also when it arrives over many
// flushes or inside one.
//
// Characters that the receive box erases again (a received backspace) are taken back, also
// when they have not been searched yet.

#include <QString>
#include <QStringView>
#include <span>
#include <vector>

namespace platform {

// The slots of the alarm strings that are searched.
inline constexpr int kAlarmSlots = 3;

class AlarmSearch {
  public:
    // How much of the text since the last hit is kept: enough for any alarm string and for
    // any run of erasures.
    static constexpr qsizetype kKeptCharacters = 4096;

    // Characters received at the end of the box, waiting to be searched.
    void receive(QStringView text);
    // The box erased `count` characters at its end again: the newest first, waiting or taken.
    void eraseAtEnd(qsizetype count);
    // Searches the waiting characters for the strings (slots 0..kAlarmSlots - 1 of `strings`)
    // and returns the slot of each hit in the order found.
    std::vector<int> search(std::span<const QString> strings);
    // The alarm is off: the waiting characters are passed over.
    void skipWaiting() { waiting_.clear(); }
    // Starts afresh: nothing taken, nothing waiting.
    void clear();

    // The characters taken since the last hit (of a long run without one, at least the last
    // kKeptCharacters), and those waiting to be searched.
    const QString& text() const noexcept { return taken_; }
    const QString& waiting() const noexcept { return waiting_; }
    bool isEmpty() const noexcept { return taken_.isEmpty() && waiting_.isEmpty(); }

  private:
    QString taken_;
    QString waiting_;
};

// Whether `text` ends with `string`, compared character by character in upper case.
bool EndsWithUpperCase(QStringView text, QStringView string);

}  // namespace platform

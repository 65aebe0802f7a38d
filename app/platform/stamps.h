#pragma once

// The program's date and time stamps: in logs, saved texts, the receive window and the
// notebook. Time hh:mm:ss on the 24-hour clock, date mm-dd-yyyy.

#include <QDateTime>
#include <QString>

namespace platform {

inline QString StampTime(const QDateTime& at) {
    return at.toString(QStringLiteral("HH:mm:ss"));
}

inline QString StampDate(const QDateTime& at) {
    return at.toString(QStringLiteral("MM-dd-yyyy"));
}

}  // namespace platform

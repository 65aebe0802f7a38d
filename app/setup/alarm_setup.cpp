#include "setup/alarm_setup.h"

#include <QList>

namespace KVXmodules {

namespace {

// Characters as the user sees them: one outside the Basic Multilingual Plane counts once.
qsizetype CharacterCount(const QString& text) {
    return text.toUcs4().size();
}

QString WithoutLeadingBlanks(const QString& text) {
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == u' ') {
        ++begin;
    }
    return text.sliced(begin);
}

QString WithoutBlanks(const QString& text) {
    QString trimmed = WithoutLeadingBlanks(text);
    while (!trimmed.isEmpty() && trimmed.back() == u' ') {
        trimmed.chop(1);
    }
    return trimmed;
}

}  // namespace

std::optional<QString> AlarmBoxText(const QString& stored) {
    if (CharacterCount(stored) <= 1) {
        return std::nullopt;
    }
    return WithoutBlanks(stored.toUpper());
}

bool AlarmFirstStringAccepted(const QString& text) {
    return CharacterCount(text) >= 2;
}

QString StoredAlarmString(const QString& text) {
    return WithoutLeadingBlanks(text.toUpper());
}

}  // namespace KVXmodules

#include "platform/alarm_search.h"

#include <algorithm>

namespace platform {

bool EndsWithUpperCase(QStringView text, QStringView string) {
    if (string.size() > text.size()) {
        return false;
    }
    const QStringView end = text.last(string.size());
    return std::equal(end.begin(), end.end(), string.begin(),
                      [](QChar a, QChar b) { return a.toUpper() == b.toUpper(); });
}

void AlarmSearch::receive(QStringView text) {
    waiting_.append(text);
}

void AlarmSearch::eraseAtEnd(qsizetype count) {
    const qsizetype fromWaiting = std::min(count, waiting_.size());
    waiting_.chop(fromWaiting);
    taken_.chop(std::min(count - fromWaiting, taken_.size()));
}

std::vector<int> AlarmSearch::search(std::span<const QString> strings) {
    std::vector<int> hits;
    const int slots = std::min(kAlarmSlots, static_cast<int>(strings.size()));
    for (const QChar c : std::as_const(waiting_)) {
        taken_.append(c);
        for (int slot = 0; slot < slots; ++slot) {
            const QString& string = strings[static_cast<std::size_t>(slot)];
            if (string.size() > 1 && EndsWithUpperCase(taken_, string)) {
                hits.push_back(slot);
                taken_.clear();
                break;  // the later strings would be searched in the empty text
            }
        }
        if (taken_.size() > 2 * kKeptCharacters) {
            taken_.remove(0, taken_.size() - kKeptCharacters);
        }
    }
    waiting_.clear();
    return hits;
}

void AlarmSearch::clear() {
    taken_.clear();
    waiting_.clear();
}

}  // namespace platform

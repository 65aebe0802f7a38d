#include "notebook/notes_find.h"

namespace notebook {

qsizetype NextOccurrence(QStringView text, QStringView upperSearch, qsizetype from) {
    if (upperSearch.isEmpty() || from < 1) {
        return 0;
    }
    const qsizetype last = text.size() - upperSearch.size();
    for (qsizetype i = from - 1; i <= last; ++i) {
        qsizetype k = 0;
        while (k < upperSearch.size() && text[i + k].toUpper() == upperSearch[k]) {
            ++k;
        }
        if (k == upperSearch.size()) {
            return i + 1;
        }
    }
    return 0;
}

void StartFind(FindState& state, const QString& answer, QStringView text) {
    state.SearchText.clear();
    for (const QChar c : answer) {
        state.SearchText += c.toUpper();
    }
    state.MatchShown = false;
    state.NextMatch = NextOccurrence(text, state.SearchText, 1);
}

qsizetype FindStep(FindState& state, QStringView text) {
    for (;;) {
        if (state.NextMatch != 0 && state.NextMatch - 1 + state.SearchText.size() > text.size()) {
            state.NextMatch = NextOccurrence(text, state.SearchText, 1);
        }
        if (state.NextMatch != 0) {
            const qsizetype shown = state.NextMatch;
            state.MatchShown = true;
            state.NextMatch = NextOccurrence(text, state.SearchText, shown + 1);
            return shown;
        }
        if (!state.MatchShown) {
            state.SearchText.clear();
            return 0;
        }
        state.MatchShown = false;
        state.NextMatch = NextOccurrence(text, state.SearchText, 1);
    }
}

}  // namespace notebook

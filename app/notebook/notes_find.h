#pragma once

// Find and Find Next of the notebook editor: letters match in either case, everything else
// exactly; matches may overlap; after the last match the search wraps to the first. Positions
// are 1-based, as the editor's commands count them, and of any size.

#include <QString>
#include <QStringView>

namespace notebook {

struct FindState {
    QString SearchText;       // upper case; empty when no search is active
    qsizetype NextMatch = 0;  // the remembered next occurrence; 0 when none
    bool MatchShown = false;  // a match was selected since the search began or last wrapped
};

// The first occurrence of `upperSearch` in `text` at or after position `from` (1-based); 0
// when there is none.
qsizetype NextOccurrence(QStringView text, QStringView upperSearch, qsizetype from);

// Begins a search for `answer` (not empty) in `text`.
void StartFind(FindState& state, const QString& answer, QStringView text);

// One search step: the position of the match to select (remembering the next one), or 0 for
// "Nothing found", which clears the search. A remembered match that no longer fits in an
// edited text is searched again from the top.
qsizetype FindStep(FindState& state, QStringView text);

}  // namespace notebook

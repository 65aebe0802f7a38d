// Compiled with the modem library's include path and expected to FAIL: the library must stay
// free of Qt, so no Qt header may be reachable from it.
#include <QtCore/QString>

int main() {
    return QString().size();
}

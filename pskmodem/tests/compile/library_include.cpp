// Compiled with the modem library's include path and expected to succeed: the control case for
// the Qt check beside it.
#include <pskmodem/pskmodem.h>

int main() {
    return pskmodem::kSampleRateHz == 8000 ? 0 : 1;
}

// The notebook's loader on any bytes: a file it says it loaded whole is saved back unchanged,
// byte for byte, in its own character set and line ends; the beginning of a longer file loads
// without harm.

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "notebook/notes_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const notebook::LoadedNotes whole = notebook::NotesFromBytes(bytes, true);
    if (whole.complete && notebook::NotesBytes(whole.text, whole.format) != bytes) {
        std::abort();
    }
    const notebook::LoadedNotes beginning = notebook::NotesFromBytes(bytes, false);
    notebook::NotesBytes(beginning.text, beginning.format);
    return 0;
}

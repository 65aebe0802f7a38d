#include "platform/file_kind.h"

#include <QFile>

#include "pskmodem/sources/audio_file.h"

namespace platform {

bool IsRegularFileOrMissing(const QString& path) {
    // The same test that keeps pipes and devices out of the audio paths.
    return pskmodem::audioFileKindProblem(QFile::encodeName(path).toStdString()).empty();
}

}  // namespace platform

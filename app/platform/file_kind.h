#pragma once

// What a file is, before it is opened for reading.

#include <QString>

namespace platform {

// True for a regular file (or a link to one) and for a name that does not exist, whose opening
// then fails at once. False for what would hold the reader: a pipe waits for a writer to come, a
// device may never end, and a folder holds no text.
bool IsRegularFileOrMissing(const QString& path);

}  // namespace platform

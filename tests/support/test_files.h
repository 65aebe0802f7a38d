#pragma once

// Files for tests: whole-file reads and writes, and acting as an ordinary user.

#include <QByteArray>
#include <QString>

namespace testing_support {

// The file's bytes; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
// Replaces the file with `bytes`; a failure fails the running test.
void WriteAll(const QString& path, const QByteArray& bytes);

// File permissions don't bind the superuser; while this lives, a test running as root acts as
// an ordinary user so that read-only files and folders are read-only to it too.
class UnprivilegedScope {
  public:
    UnprivilegedScope();
    ~UnprivilegedScope();
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;

  private:
    bool active_ = false;
};

}  // namespace testing_support

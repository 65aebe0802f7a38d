#pragma once

// A small file system of its own that a test can fill to the last byte and free again, so that
// saves meet a real "no space left on device".
//
// A helper process mounts a small tmpfs in a mount namespace of its own (as root, or as an
// ordinary user through a user namespace of its own), and the test reaches that file system
// through the helper's view of the file tree (/proc/<helper>/root). Nothing is mounted where
// other programs see it, and the mount goes away with the helper. Where the system allows
// neither (a container without the rights to mount), available() is false and reason() says
// why, for the test to skip.

#include <sys/types.h>

#include <QString>

namespace testing_support {

class FullFileSystem {
  public:
    // A file system of `sizeBytes` (rounded up to whole pages).
    explicit FullFileSystem(qint64 sizeBytes = 64 * 1024);
    ~FullFileSystem();
    FullFileSystem(const FullFileSystem&) = delete;
    FullFileSystem& operator=(const FullFileSystem&) = delete;

    bool available() const noexcept { return helper_ > 0; }
    // Why the file system is not available.
    const QString& reason() const noexcept { return reason_; }
    // An empty, writable folder on the small file system.
    const QString& folder() const noexcept { return folder_; }

    // Fills the file system with a file of its own until not one byte more fits; true when it
    // is full.
    bool fill();
    // Removes that file: the space is free again.
    void free();

  private:
    QString fillerPath() const;

    pid_t helper_ = -1;
    int keepAlive_ = -1;  // the helper lives until this end of its pipe closes
    QString mountPoint_;
    QString folder_;
    QString reason_;
};

}  // namespace testing_support

#include "support/full_file_system.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testing_support {

namespace {

// What the helper tells the test: 0 when the file system is mounted, else the step that failed.
enum HelperStep : char {
    kMounted = 0,
    kNamespace = 1,
    kPrivate = 2,
    kMount = 3,
};

bool WriteText(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto length = static_cast<ssize_t>(std::strlen(text));
    const bool written = ::write(fd, text, static_cast<size_t>(length)) == length;
    ::close(fd);
    return written;
}

// The helper after the fork: only system calls, since the test process may have had other
// threads. Enters a mount namespace of its own (through a user namespace when it has no right
// to do so directly), keeps its mounts from reaching anyone else, mounts the tmpfs, reports and
// waits until the test closes its end of `control`.
[[noreturn]] void RunHelper(int status, int control, const char* mountPoint, const char* options,
                            const char* uidMap, const char* gidMap) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    char step = kMounted;
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            !WriteText("/proc/self/setgroups", "deny") ||
            !WriteText("/proc/self/uid_map", uidMap) || !WriteText("/proc/self/gid_map", gidMap)) {
            step = kNamespace;
        }
    }
    if (step == kMounted && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        step = kPrivate;
    }
    if (step == kMounted && ::mount("tmpfs", mountPoint, "tmpfs", 0, options) != 0) {
        step = kMount;
    }
    [[maybe_unused]] const ssize_t told = ::write(status, &step, 1);
    char ignored = 0;
    while (step == kMounted && ::read(control, &ignored, 1) > 0) {
    }
    ::_exit(0);
}

const char* StepReason(char step) {
    switch (step) {
        case kNamespace:
            return "no mount namespace may be made here (neither as this user nor through a user "
                   "namespace)";
        case kPrivate:
            return "the mounts of a new namespace cannot be made private here";
        case kMount:
            return "a tmpfs cannot be mounted here";
        default:
            return "the mounting helper ended without a word";
    }
}

}  // namespace

FullFileSystem::FullFileSystem(qint64 sizeBytes) {
    QByteArray mountPoint = QDir::tempPath().toLocal8Bit() + "/quorvin-full-XXXXXX";
    if (::mkdtemp(mountPoint.data()) == nullptr) {
        reason_ = QStringLiteral("no temporary folder to mount on");
        return;
    }
    mountPoint_ = QString::fromLocal8Bit(mountPoint);
    // Everything the helper needs is prepared before the fork.
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0777";
    const QByteArray uidMap = "0 " + QByteArray::number(::getuid()) + " 1";
    const QByteArray gidMap = "0 " + QByteArray::number(::getgid()) + " 1";
    std::array<int, 2> status{-1, -1};
    std::array<int, 2> control{-1, -1};
    if (::pipe2(status.data(), O_CLOEXEC) != 0 || ::pipe2(control.data(), O_CLOEXEC) != 0) {
        reason_ = QStringLiteral("no pipe for the mounting helper");
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(status[0]);
        ::close(control[1]);
        RunHelper(status[1], control[0], mountPoint.constData(), options.constData(),
                  uidMap.constData(), gidMap.constData());
    }
    ::close(status[1]);
    ::close(control[0]);
    char step = -1;
    const bool told = pid > 0 && ::read(status[0], &step, 1) == 1;
    ::close(status[0]);
    if (!told || step != kMounted) {
        reason_ =
            pid < 0 ? QStringLiteral("no helper process") : QString::fromLatin1(StepReason(step));
        ::close(control[1]);
        if (pid > 0) {
            ::waitpid(pid, nullptr, 0);
        }
        return;
    }
    helper_ = pid;
    keepAlive_ = control[1];
    folder_ = QStringLiteral("/proc/%1/root%2").arg(pid).arg(mountPoint_);
}

FullFileSystem::~FullFileSystem() {
    if (keepAlive_ >= 0) {
        ::close(keepAlive_);
    }
    if (helper_ > 0) {
        ::waitpid(helper_, nullptr, 0);
    }
    if (!mountPoint_.isEmpty()) {
        QDir().rmdir(mountPoint_);
    }
}

QString FullFileSystem::fillerPath() const {
    return folder_ + QStringLiteral("/.filler");
}

bool FullFileSystem::fill() {
    const int fd = ::open(QFile::encodeName(fillerPath()).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const std::array<char, 4096> block{};
    // Whole blocks while they fit, then single bytes: the file system ends up without a byte.
    for (std::size_t size = block.size(); size > 0;) {
        if (::write(fd, block.data(), size) <= 0) {
            if (errno != ENOSPC) {
                break;
            }
            size = size == 1 ? 0 : 1;
        }
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

void FullFileSystem::free() {
    QFile::remove(fillerPath());
}

}  // namespace testing_support

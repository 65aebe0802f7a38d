#include "support/test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>

namespace testing_support {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

UnprivilegedScope::UnprivilegedScope() {
    if (geteuid() == 0) {
        // Real and effective ids change (access checks use the real one); the saved id stays
        // root so that the destructor can switch back.
        constexpr uid_t kNobody = 65534;
        active_ = setresgid(kNobody, kNobody, 0) == 0 && setresuid(kNobody, kNobody, 0) == 0;
    }
}

UnprivilegedScope::~UnprivilegedScope() {
    if (active_) {
        (void)setresuid(0, 0, 0);
        (void)setresgid(0, 0, 0);
    }
}

}  // namespace testing_support

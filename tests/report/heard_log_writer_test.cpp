// The heard-stations log written on its own thread: spots handed over return at once, are all
// written in order by the time the writer ends, and a file that cannot be written is said.

#include "report/heard_log_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/test_files.h"

namespace {

station::Spot SpotOf(const std::string& call, std::int64_t rfHz) {
    station::Spot spot;
    spot.call = call;
    spot.rfHz = rfHz;
    spot.mode = "PSK31";
    spot.snrDb = 7;
    spot.timeUnix = 1'765'000'000;
    return spot;
}

TEST(HeardLogWriter, WritesEverySpotHandedOverByTheTimeItEnds) {
    const QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("heard.adi"));
    {
        report::HeardLogWriter writer(file.toStdString(), "0.1.0");
        for (const char* call : {"QR9ZZ", "QT5MK", "QA7XYZ"}) {
            writer.add(SpotOf(call, 14'071'000));
        }
        // The same call on the same band within the hour is taken, not written again.
        writer.add(SpotOf("QR9ZZ", 14'072'000));
    }
    const QByteArray log = testing_support::ReadAll(file);
    EXPECT_EQ(log.count("<EOR>"), 3) << log.toStdString();
    EXPECT_LT(log.indexOf("QR9ZZ"), log.indexOf("QT5MK"));
    EXPECT_LT(log.indexOf("QT5MK"), log.indexOf("QA7XYZ"));
}

TEST(HeardLogWriter, SaysWhyTheFileCannotBeWritten) {
    const QTemporaryDir folder;
    const QString missing = QDir(folder.path()).filePath(QStringLiteral("gone/heard.adi"));
    report::HeardLogWriter writer(missing.toStdString(), "0.1.0");
    EXPECT_TRUE(writer.lastError().empty());
    writer.add(SpotOf("QR9ZZ", 7'040'000));
    writer.flush();
    EXPECT_EQ(writer.taken(), 1U);
    EXPECT_FALSE(writer.lastError().empty());
    EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace

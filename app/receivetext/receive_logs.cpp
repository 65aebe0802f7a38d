#include "receivetext/receive_logs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/program_folder.h"
#include "platform/stamps.h"
#include "platform/windows1252.h"

namespace receiver {

namespace {

constexpr char kLineEnd[] = "\r\n";

}  // namespace

QByteArray AutoLogBanner(const QDateTime& at) {
    const QString line = QStringLiteral("***Quorvin AutoLog Activated at->") +
                         platform::StampTime(at) + QStringLiteral("  Date:") +
                         platform::StampDate(at) + QStringLiteral("***");
    return QByteArray(kLineEnd) + kLineEnd + KVXmodules::ToWindows1252(line) + kLineEnd;
}

QByteArray AlarmLogLine(QStringView alarmString, const QDateTime& at) {
    QString line = QStringLiteral("***Quorvin AlarmLog: string '");
    line.append(alarmString);
    line += QStringLiteral("' found at->") + platform::StampTime(at) + QStringLiteral("  Date:") +
            platform::StampDate(at) + QStringLiteral("***");
    return KVXmodules::ToWindows1252(line) + kLineEnd;
}

bool AppendToFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return false;
    }
    // Flushed and checked here: a small write waits in the file's buffer until then.
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

QString AlarmSoundFile(const QString& programFolder, const QString& executableFolder) {
    const QString own =
        QDir(programFolder).absoluteFilePath(QString::fromUtf16(kAlarmSoundFileName));
    if (QFileInfo::exists(own) || executableFolder.isEmpty()) {
        return own;
    }
    const QString shipped =
        platform::ShippedFile(executableFolder, QString::fromUtf16(kAlarmSoundFileName));
    return shipped.isEmpty() ? own : shipped;
}

}  // namespace receiver

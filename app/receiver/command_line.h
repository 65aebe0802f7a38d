#pragma once

// The program's command line: where the engine takes its audio from.
//
//   quorvin                 the sound card (the system's default input)
//   quorvin --input FILE    a recording, decoded at real-time pace
//   quorvin --demo          the built-in band simulator
//   quorvin --help          usage and the program folder
//   quorvin --version       the version

#include <QString>
#include <QStringList>

#include "pskmodem/pskmodem.h"

namespace receiver {

struct CommandLine {
    enum class Source { SoundCard, File, Demo };
    Source source = Source::SoundCard;
    QString inputFile;  // with Source::File
    bool help = false;
    bool version = false;
    QString error;  // not empty when the arguments are wrong
};

// Parses the arguments after the program name.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text --help prints: the options, the program folder and the folder of the shipped files.
QString UsageText(const QString& programFolder, const QString& shippedFolder);
// The line --version prints: the program's name and version.
QString VersionText();

// Where the engine takes its audio from, for platform::ModemEngine: empty for the sound card.
pskmodem::SourceFactory AudioSources(const CommandLine& commandLine);

}  // namespace receiver

#include "receiver/command_line.h"

#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_source.h"

namespace receiver {

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine result;
    bool input = false;
    bool demo = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--help" || argument == u"-h") {
            result.help = true;
        } else if (argument == u"--version") {
            result.version = true;
        } else if (argument == u"--demo") {
            demo = true;
        } else if (argument == u"--input") {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                result.error = QStringLiteral("--input needs a file name");
                return result;
            }
            input = true;
            result.inputFile = arguments[++i];
        } else if (argument.startsWith(u"--input=")) {
            input = true;
            result.inputFile = argument.mid(8);
            if (result.inputFile.isEmpty()) {
                result.error = QStringLiteral("--input needs a file name");
                return result;
            }
        } else {
            result.error = QStringLiteral("unknown argument: %1").arg(argument);
            return result;
        }
    }
    if (input && demo) {
        result.error = QStringLiteral("--input and --demo exclude each other");
        return result;
    }
    if (input) {
        result.source = CommandLine::Source::File;
    } else if (demo) {
        result.source = CommandLine::Source::Demo;
    }
    return result;
}

QString UsageText(const QString& programFolder, const QString& shippedFolder) {
    return QStringLiteral(
               "Usage: quorvin [--input FILE | --demo] [--help] [--version]\n"
               "\n"
               "Quorvin, a receive-only PSK31 monitor.\n"
               "\n"
               "  (no option)    receive from the sound card (the system's default input)\n"
               "  --input FILE   decode a recording (WAV, FLAC, OGG; 7000 to 768000 samples/s)\n"
               "                 at real-time pace\n"
               "  --demo         decode the built-in band simulator: PSK31 signals in noise\n"
               "  --help         show this text\n"
               "  --version      show the version\n"
               "\n"
               "Program folder (settings QUORVIN.ini, logs, notebook; an alarm.wav or\n"
               "background.jpg put here replaces the shipped one):\n"
               "  %1\n"
               "Shipped files (alarm.wav, background.jpg, HELP.md):\n"
               "  %2\n")
        .arg(programFolder, shippedFolder);
}

QString VersionText() {
    return QStringLiteral("quorvin " QUORVIN_VERSION "\n");
}

pskmodem::SourceFactory AudioSources(const CommandLine& commandLine) {
    switch (commandLine.source) {
        case CommandLine::Source::SoundCard:
            break;
        case CommandLine::Source::File: {
            const std::string path = commandLine.inputFile.toStdString();
            return [path](std::int32_t /*cardNumber*/) {
                return pskmodem::makeFileSource(path, pskmodem::Pace::RealTime);
            };
        }
        case CommandLine::Source::Demo:
            return [](std::int32_t /*cardNumber*/) {
                return pskmodem::makeSimulatorSource(pskmodem::demoBand(),
                                                     pskmodem::Pace::RealTime);
            };
    }
    return nullptr;
}

}  // namespace receiver

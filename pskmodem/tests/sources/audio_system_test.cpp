// The audio system as the program meets it on any machine: listing the inputs and opening the
// default one print nothing of the sound libraries' own on stderr, whether or not there is a
// sound card, and start no JACK server.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pskmodem/sources/audio_source.h"

namespace {

// What the process writes on stderr while `action` runs.
template <typename Action>
std::string StderrOf(Action action) {
    std::fflush(stderr);
    std::FILE* capture = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(capture), STDERR_FILENO);
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    std::rewind(capture);
    for (int c = std::fgetc(capture); c != EOF; c = std::fgetc(capture)) {
        text += static_cast<char>(c);
    }
    std::fclose(capture);
    return text;
}

TEST(AudioSystem, ProbingTheSoundCardsPrintsNothing) {
    const std::string printed = StderrOf([] {
        pskmodem::listInputDevices();
        auto source = pskmodem::makeSoundCardSource(0);
        source->start();
        source->stop();
    });
    EXPECT_EQ(printed, "");
    EXPECT_STREQ(std::getenv("JACK_NO_START_SERVER"), "1");
}

}  // namespace

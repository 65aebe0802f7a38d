// The audio system as the program meets it on any machine: listing the inputs and opening the
// default one print none of the sound libraries' probing reports on stderr, whether or not
// there is a sound card, and start no JACK server.

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
    // ALSA's and JACK's own reports of the devices they probe; what a plugin itself prints
    // (the JACK plugin's warning about a long client name) cannot be switched off.
    for (const char* chatter : {"ALSA lib", "jack server", "Cannot connect to server", "JackShm"}) {
        EXPECT_EQ(printed.find(chatter), std::string::npos) << printed;
    }
    EXPECT_STREQ(std::getenv("JACK_NO_START_SERVER"), "1");
}

}  // namespace

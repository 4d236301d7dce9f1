// A program whose JACK MIDI ports come and go, for the port tests: other
// programs' ports appear and vanish while ours are opened. It runs as a
// process of its own, with one client coming or going at a time, as real
// programs do; a test process whose threads did it would crash libjack.
//
//   port_churn <client prefix> <count>
// keeps <count> clients "<prefix>A", "<prefix>B", ... each with a virtual
// MIDI input "sink", closes and reopens them in turn, prints "ready" once all
// are up, and ends when its standard input closes.
#include <RtMidi.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A busy server now and then turns a client away (its answer times out);
// a real program tries again, and so does this one, for up to a second.
std::unique_ptr<RtMidiIn> openSink(const std::string &client)
{
    for (int attempt = 1;; ++attempt) {
        try {
            auto sink = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, client);
            sink->openVirtualPort("sink");
            return sink;
        } catch (const RtMidiError &e) {
            if (attempt == 50)
                throw;
            std::fprintf(stderr, "port_churn: %s (trying again)\n", e.getMessage().c_str());
            usleep(20000);
        }
    }
}

bool inputClosed()
{
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, 0) <= 0)
        return false;
    char byte;
    return read(STDIN_FILENO, &byte, 1) <= 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: port_churn <client prefix> <count>\n");
        return 2;
    }
    const std::string prefix = argv[1];
    const int count = std::atoi(argv[2]);
    std::vector<std::unique_ptr<RtMidiIn>> sinks;
    try {
        for (int i = 0; i < count; ++i)
            sinks.push_back(openSink(prefix + char('A' + i)));
        std::printf("ready\n");
        std::fflush(stdout);
        for (int i = 0; !inputClosed(); i = (i + 1) % count) {
            sinks[i].reset();
            sinks[i] = openSink(prefix + char('A' + i));
        }
    } catch (const RtMidiError &e) {
        std::fprintf(stderr, "port_churn: %s\n", e.getMessage().c_str());
        return 1;
    }
    return 0;
}

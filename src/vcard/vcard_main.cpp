// lumaxis-vcard: a virtual control card on a pseudo-terminal. Prints the
// device path on the first line of standard output, then one line for every
// request it receives, until it is interrupted (SIGINT or SIGTERM).
#include "vcard/VirtualCard.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

void Usage(FILE* to)
{
    std::fputs(
        "Usage: lumaxis-vcard [OPTIONS]\n"
        "A virtual LED sign control card on a pseudo-terminal. The first line printed is\n"
        "the device path to open; every request received is logged after it.\n"
        "\n"
        "  --baud N            pace the line at N baud (10 bits a byte); default: no pacing\n"
        "  --delay MS          wait MS milliseconds before every reply\n"
        "  --stray N           send N stray bytes before every reply\n"
        "  --bad-checksum SEL  spoil the checksum of the selected replies\n"
        "  --drop SEL          do not send the selected replies\n"
        "  --refuse-params     refuse hardware parameter writes (status 4)\n"
        "  --no-zones          start without a zone table (answers 0xFF)\n"
        "  --foreign           answer bytes that hold no frame start\n"
        "  --silent            never answer\n"
        "  --hang-up-after N   close the line on receiving the N-th request\n"
        "  --link PATH         also make PATH a symbolic link to the device\n"
        "  --quiet             do not log requests\n"
        "  --program-dir DIR   write the program received into DIR (a JSON file per page,\n"
        "                      a PNG per bitmap page) at every end of program and on SIGUSR1\n"
        "  --load FILE         read an SD/USB export file (led.sd) as if received, write\n"
        "                      its program into the program directory (default\n"
        "                      vcard-program) and exit\n"
        "  --help              show this text\n"
        "SEL is 'all' or N (only the N-th reply).\n",
        to);
}

bool ParseInt(const char* text, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < 0 || v > 10000000)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseSelector(const char* text, int& out)
{
    if (std::strcmp(text, "all") == 0) {
        out = VirtualCardOptions::All;
        return true;
    }
    return ParseInt(text, out) && out > 0;
}

// --load: the export file's records go through the card's command handling,
// then the program is written out.
int LoadAndWrite(const std::string& file, const std::string& dir, const VirtualCardState& state)
{
    VirtualCard card(VirtualCardOptions{}, state);
    std::string why;
    if (!card.LoadExportFile(file, &why)) {
        std::fprintf(stderr, "lumaxis-vcard: %s\n", why.c_str());
        return 1;
    }
    if (!card.WriteProgram(dir, &why)) {
        std::fprintf(stderr, "lumaxis-vcard: %s\n", why.c_str());
        return 1;
    }
    const VirtualProgram program = card.Program();
    std::printf("%zu page(s), %s, written to %s\n", program.Pages.size(),
                program.Complete ? "program ended" : "no end of program", dir.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    VirtualCardOptions options;
    VirtualCardState state;
    std::string link;
    bool quiet = false;
    std::string programDir;
    std::string loadFile;
    enum
    {
        OptBaud = 1,
        OptDelay,
        OptStray,
        OptBadChecksum,
        OptDrop,
        OptRefuse,
        OptNoZones,
        OptForeign,
        OptSilent,
        OptHangUp,
        OptLink,
        OptQuiet,
        OptProgramDir,
        OptLoad,
        OptHelp
    };
    static const option longOptions[] = {
        {"baud", required_argument, nullptr, OptBaud},
        {"delay", required_argument, nullptr, OptDelay},
        {"stray", required_argument, nullptr, OptStray},
        {"bad-checksum", required_argument, nullptr, OptBadChecksum},
        {"drop", required_argument, nullptr, OptDrop},
        {"refuse-params", no_argument, nullptr, OptRefuse},
        {"no-zones", no_argument, nullptr, OptNoZones},
        {"foreign", no_argument, nullptr, OptForeign},
        {"silent", no_argument, nullptr, OptSilent},
        {"hang-up-after", required_argument, nullptr, OptHangUp},
        {"link", required_argument, nullptr, OptLink},
        {"quiet", no_argument, nullptr, OptQuiet},
        {"program-dir", required_argument, nullptr, OptProgramDir},
        {"load", required_argument, nullptr, OptLoad},
        {"help", no_argument, nullptr, OptHelp},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
        bool ok = true;
        switch (c) {
        case OptBaud:
            ok = ParseInt(optarg, options.LineBaud) && options.LineBaud > 0;
            break;
        case OptDelay:
            ok = ParseInt(optarg, options.ReplyDelayMs);
            break;
        case OptStray:
            ok = ParseInt(optarg, options.StrayBytes) && options.StrayBytes <= 1024;
            break;
        case OptBadChecksum:
            ok = ParseSelector(optarg, options.BadChecksum);
            break;
        case OptDrop:
            ok = ParseSelector(optarg, options.DropReply);
            break;
        case OptRefuse:
            options.RefuseParams = true;
            break;
        case OptNoZones:
            state.HasZoneTable = false;
            break;
        case OptForeign:
            options.ForeignReplies = true;
            break;
        case OptSilent:
            options.Silent = true;
            break;
        case OptHangUp:
            ok = ParseInt(optarg, options.HangUpAfter) && options.HangUpAfter > 0;
            break;
        case OptLink:
            link = optarg;
            break;
        case OptQuiet:
            quiet = true;
            break;
        case OptProgramDir:
            programDir = optarg;
            break;
        case OptLoad:
            loadFile = optarg;
            break;
        case OptHelp:
            Usage(stdout);
            return 0;
        default:
            ok = false;
            break;
        }
        if (!ok) {
            if (c != '?')
                std::fprintf(stderr, "lumaxis-vcard: bad value for --%s: %s\n",
                             longOptions[c - 1].name, optarg ? optarg : "");
            Usage(stderr);
            return 2;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "lumaxis-vcard: unexpected argument %s\n", argv[optind]);
        Usage(stderr);
        return 2;
    }

    if (!loadFile.empty())
        return LoadAndWrite(loadFile, programDir.empty() ? "vcard-program" : programDir, state);

    // Signals are taken by sigwait below, not by the card's thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigaddset(&stopSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    VirtualCard card(options, state);
    if (!quiet) {
        card.SetLog([](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });
    }
    if (!card.Start()) {
        std::fprintf(stderr, "lumaxis-vcard: %s\n", card.Error().c_str());
        return 1;
    }
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(card.DevicePath().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "lumaxis-vcard: cannot link %s: %s\n", link.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::printf("%s\n", card.DevicePath().c_str());
    std::fflush(stdout);

    card.SetProgramDir(programDir);
    int sig = 0;
    // SIGUSR1 asks for the program held so far.
    while (sigwait(&stopSignals, &sig) == 0 && sig == SIGUSR1) {
        std::string why;
        if (programDir.empty())
            std::fprintf(stderr, "lumaxis-vcard: no --program-dir to write the program to\n");
        else if (!card.WriteProgram(programDir, &why))
            std::fprintf(stderr, "lumaxis-vcard: %s\n", why.c_str());
    }
    card.Stop();
    if (!link.empty())
        ::unlink(link.c_str());
    return 0;
}

// A whole program of several multi-block items sent through the real serial
// engine to the virtual card pacing its line at 57600 baud. Prints the total
// time and its ratio to the line's lower bound (every request and reply
// byte at 10 bits a byte), and to that bound plus the pauses the protocol
// asks for (20 ms after each acknowledged reply, 10 ms after each item).
#include "items/SGNImage.h"
#include "items/SGNText.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/ProgramSend.h"
#include "serial/ConnectPanel.h"
#include "serial/PortList.h"
#include "vcard/VirtualCard.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int baud = 57600;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    VirtualCardOptions options;
    options.LineBaud = baud;
    VirtualCardState state;
    state.HardwareParams = {32, 8, 3}; // 256 x 64, three colours
    state.ZoneTable = {1, 0, 0, 32, 8};
    VirtualCard card(options, state);
    if (!card.Start()) {
        std::fprintf(stderr, "cannot start the virtual card: %s\n", card.Error().c_str());
        return 1;
    }

    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    project.PortNumber = PortList::RegisterDevice(QString::fromStdString(card.DevicePath()));
    panel->HardwareParams = state.HardwareParams;
    // Five pictures of 6144 bytes (six blocks each) between two texts.
    static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text))->Lines = {
        QStringLiteral("Start")};
    for (int i = 0; i < 5; ++i) {
        auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
        picture->BlankPicture(panel->HardwareParams, TZoneRect{0, 0, 256, 64});
        for (int b = 0; b < picture->ImageSize; ++b)
            picture->ImageData[b] = static_cast<char>(b * 7 + i);
    }
    static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text))->Lines = {QStringLiteral("End")};

    ProgramSend::SendHooks hooks;
    hooks.Connect = [](TSGNPanel& p) { return ConnectPanel(&p, true); };

    double best = 1e9, worst = 0, sum = 0;
    double lineBound = 0, pauses = 0;
    int packets = 0;
    for (int round = 0; round < rounds; ++round) {
        card.ClearRequests();
        QElapsedTimer timer;
        timer.start();
        const ProgramSend::SendOutcome outcome = ProgramSend::SendAllItems(panel, hooks);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (outcome != ProgramSend::SendOutcome::Success) {
            std::fprintf(stderr, "send failed: %s\n",
                         ProgramSend::OutcomeText(outcome).toUtf8().constData());
            return 1;
        }
        long bytes = 0;
        const auto requests = card.Requests();
        for (const VirtualCardRequest& r : requests)
            bytes += r.Length + 52;
        packets = static_cast<int>(requests.size());
        lineBound = bytes * 10.0 / baud;
        pauses = packets * 0.020 + panel->Items.Count() * 0.010;
        best = std::min(best, seconds);
        worst = std::max(worst, seconds);
        sum += seconds;
    }
    const double mean = sum / rounds;
    std::printf("program: %d items, %d exchanges (connect, begin, 32 item packets, end)\n",
                panel->Items.Count(), packets);
    std::printf("line lower bound at %d baud: %.3f s; with the protocol's pauses: %.3f s\n", baud,
                lineBound, lineBound + pauses);
    std::printf("send-all over %d rounds: best %.3f s, mean %.3f s, worst %.3f s\n", rounds, best,
                mean, worst);
    std::printf("ratio to the line bound: best %.3f, mean %.3f; to line + pauses: mean %.3f\n",
                best / lineBound, mean / lineBound, mean / (lineBound + pauses));
    card.Stop();
    return 0;
}

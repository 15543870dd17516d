// Time of one request/reply exchange through the real serial engine with
// the virtual card pacing its line at 57600 baud, as a ratio to the line's
// lower bound: request and reply bytes at 5760 bytes per second (10 bits a
// byte). Two packets: a bare 52-byte command and a full 1076-byte message
// packet.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/CardCommands.h"
#include "serial/PortList.h"
#include "vcard/VirtualCard.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int kBaud = 57600;
constexpr double kBytesPerSecond = kBaud / 10.0;

void BM_Exchange(benchmark::State& state)
{
    const int dataBytes = static_cast<int>(state.range(0));
    VirtualCardOptions options;
    options.LineBaud = kBaud;
    VirtualCard card(options);
    if (!card.Start()) {
        state.SkipWithError("the virtual card did not start");
        return;
    }
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    project.PortNumber = PortList::RegisterDevice(QString::fromStdString(card.DevicePath()));
    if (!panel->OpenLink()) {
        state.SkipWithError("the link did not open");
        return;
    }
    TSGNUnit unit;
    if (dataBytes == 0) {
        CardCommands::BuildBare(unit, CardCommands::ClearCard, panel->Id);
    } else {
        // A first block of a message page, as an item sends it.
        unit.Command = 3;
        unit.Address = panel->Id;
        unit.DataCount = dataBytes;
        for (int i = 0; i < dataBytes; ++i)
            unit.Data[i] = static_cast<uint8_t>(i * 7);
        unit.BuildPacket();
        unit.CopyDataToPacket();
        unit.SealPacket();
    }
    const double bound = (unit.PacketLength() + TSGNUnit::ReplySize) / kBytesPerSecond;

    double total = 0;
    for (auto _ : state) {
        uint8_t reply[128] = {};
        const auto start = std::chrono::steady_clock::now();
        const bool ok = panel->Transact(unit, reply, 1);
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            state.SkipWithError("the card did not acknowledge");
            break;
        }
        const double seconds = std::chrono::duration<double>(end - start).count();
        total += seconds;
        state.SetIterationTime(seconds);
    }
    panel->CloseLink();
    card.Stop();
    const double perExchange = total / static_cast<double>(state.iterations());
    state.counters["packet_bytes"] = unit.PacketLength();
    state.counters["line_bound_ms"] = bound * 1000;
    state.counters["exchange_ms"] = perExchange * 1000;
    state.counters["ratio"] = perExchange / bound;
}

} // namespace

BENCHMARK(BM_Exchange)
    ->Arg(0)
    ->Arg(1024)
    ->ArgName("data_bytes")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

BENCHMARK_MAIN();

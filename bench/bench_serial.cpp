// The serial link's costs against the virtual card: one 52-byte request and
// reply, one largest (1076-byte) packet and its reply, both on a line paced
// at 57600 baud, and the engine's raw write throughput on an unpaced
// pseudo-terminal. The exchange times are dominated by the receive budget's
// fixed waits, which pace the card.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/SGNUnit.h"
#include "serial/CnComm.h"
#include "serial/PortList.h"
#include "vcard/VirtualCard.h"

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

void Exchange(benchmark::State& state, int dataCount)
{
    VirtualCardOptions options;
    options.LineBaud = 57600;
    VirtualCard card(options);
    if (!card.Start()) {
        state.SkipWithError(card.Error().c_str());
        return;
    }
    setenv(PortList::ExtraPortsVariable, ("COM3=" + card.DevicePath()).c_str(), 1);
    TSGNPanels project;
    project.PortNumber = 3;
    TSGNPanel* panel = project.AddPanel();
    if (!panel->OpenLink()) {
        state.SkipWithError("cannot open the card's line");
        return;
    }
    TSGNUnit unit;
    unit.Command = dataCount > 0 ? 3 : 53;
    unit.Address = panel->Id;
    unit.DataCount = dataCount;
    unit.BuildPacket();
    unit.CopyDataToPacket();
    unit.SealPacket();
    std::array<uint8_t, 128> reply{};
    int failures = 0;
    for (auto _ : state) {
        panel->FlushInput();
        panel->WriteBytes(unit.SendBuffer.data(), unit.PacketLength());
        if (!panel->ReceiveExact(reply.data(), 52) || !unit.ParseReply(reply.data()))
            ++failures;
    }
    state.counters["failures"] = failures;
    panel->CloseLink();
    unsetenv(PortList::ExtraPortsVariable);
}

void BM_VersionExchange(benchmark::State& state)
{
    Exchange(state, 0);
}
BENCHMARK(BM_VersionExchange)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_LargestPacketExchange(benchmark::State& state)
{
    Exchange(state, TSGNUnit::MaxData);
}
BENCHMARK(BM_LargestPacketExchange)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_EngineWriteThroughput(benchmark::State& state)
{
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("openpty failed");
        return;
    }
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    CnComm engine;
    if (!engine.OpenDevice(QString::fromLocal8Bit(name), 57600)) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    const size_t block = 64 * 1024;
    std::vector<uint8_t> data(block, 0x55);
    std::atomic<size_t> received{0};
    std::atomic<bool> run{true};
    std::thread drain([&] {
        uint8_t buffer[8192];
        while (run) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0)
                    received += static_cast<size_t>(n);
            }
        }
    });
    size_t expected = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < block; at += 1024)
            engine.Write(data.data() + at, 1024);
        expected += block;
        while (received < expected)
            std::this_thread::yield();
    }
    run = false;
    drain.join();
    state.SetBytesProcessed(static_cast<int64_t>(expected));
    engine.Close(200);
    close(master);
    close(slave);
}
BENCHMARK(BM_EngineWriteThroughput)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

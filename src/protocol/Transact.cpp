// The panel's request/reply exchange: write the packet, read the 52-byte
// reply in bounded steps, resynchronise on the reply's start byte, check it,
// and retry.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "protocol/SGNUnit.h"
#include "serial/UiHooks.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {
void PauseMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
} // namespace

bool TSGNPanel::Transact(TSGNUnit& unit, uint8_t* reply, int tries)
{
    constexpr int kReply = TSGNUnit::ReplySize;
    LastTransactOutcome = TransactOutcome::NoReply;
    if (!reply || tries <= 0)
        return false;
    const int length = unit.PacketLength();
    if (length < TSGNUnit::FrameOverhead || length > TSGNUnit::FrameOverhead + TSGNUnit::MaxData)
        return false;
    for (int attempt = 0; attempt < tries; ++attempt) {
        // Every attempt starts from an empty buffer, so bytes of an earlier
        // reply cannot be taken for this one.
        FlushInput();
        WriteBytes(unit.SendBuffer.data(), length);
        if (!ReceiveExact(reply, kReply)) {
            LastTransactOutcome = TransactOutcome::NoReply;
            UiHooks::Pump();
            continue;
        }
        int start = 0;
        while (start < kReply && reply[start] != 0xAF)
            ++start;
        if (start == kReply) {
            // Something else talks on this line (or at another speed):
            // retrying would only repeat it.
            LastTransactOutcome = TransactOutcome::Foreign;
            return false;
        }
        if (start > 0) {
            // Stray bytes came first: the frame begins at start, and its
            // last start bytes are still on the way. The check below
            // decides whether they came.
            std::memmove(reply, reply + start, kReply - start);
            std::memset(reply + kReply - start, 0, start);
            ReceiveExact(reply + kReply - start, start);
        }
        if (!unit.TSGNUnit::ParseReply(reply)) {
            // A damaged frame: whatever else is pending belongs to it.
            LastTransactOutcome = TransactOutcome::BadChecksum;
            FlushInput();
        } else if (unit.ParseReply(reply)) {
            LastTransactOutcome = TransactOutcome::Acknowledged;
            // The card needs a moment before it takes the next packet.
            PauseMs(10);
            PauseMs(10);
            return true;
        } else {
            LastTransactOutcome = TransactOutcome::Rejected;
        }
        UiHooks::Pump();
        PauseMs(10);
        PauseMs(10);
    }
    return false;
}

// The panel's serial link: thin calls of the link helpers on its own engine,
// receive buffer and the project's port number.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/Rs232unit.h"

namespace {
// Bounds FlushInput on a line that never stops sending.
constexpr int kFlushRounds = 8;
} // namespace

bool TSGNPanel::OpenLink()
{
    if (Link->IsOpen())
        return true;
    // All panels reach their cards through the one project port, which an
    // engine holds exclusively: a link another panel left open would keep
    // this one from ever reaching the card.
    if (project_) {
        for (int i = 0; i < project_->Count(); ++i) {
            TSGNPanel* other = project_->Items(i);
            if (other != this && other->Link->IsOpen())
                other->CloseLink();
        }
    }
    return ComOpen(*Link, PortNumber(), BaudRate);
}

void TSGNPanel::CloseLink()
{
    ComClose(*Link);
}

void TSGNPanel::WriteBytes(const uint8_t* bytes, int n)
{
    ComWrite(*Link, bytes, n);
}

void TSGNPanel::FlushInput()
{
    // One pull takes at most a buffer's worth; keep pulling so that nothing
    // that was pending is left to be taken for the next reply.
    for (int round = 0; round < kFlushRounds; ++round) {
        ReceiveCount = 0;
        ComPull(*Link, ReceiveCount, ReceiveBuffer.data());
        if (ReceiveCount == 0)
            break;
    }
    ReceiveCount = 0;
}

bool TSGNPanel::ReceiveExact(uint8_t* dst, int n)
{
    return ComReadExact(*Link, dst, n, ReceiveBuffer.data(), ReceiveCount, ReceivePolls);
}

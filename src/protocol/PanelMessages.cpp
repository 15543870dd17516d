// The panel's message operations: sending an item's packets (to the card or
// to an export file), laying the items out on the card's pages, and the
// program's begin and end marks.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "protocol/ExportRecord.h"
#include "protocol/SendProgress.h"
#include "serial/UiHooks.h"

#include <QIODevice>

namespace {

constexpr int kItemTries = 2;

enum class ItemPath
{
    SingleBlock,
    MultiBlock,
    NotSendable
};

ItemPath PathOf(uint16_t kind)
{
    switch (kind) {
    case KindCodes::Text:
    case KindCodes::Timer:
    case KindCodes::Temperature:
    case KindCodes::Counter:
        return ItemPath::SingleBlock;
    case KindCodes::Rtf:
    case KindCodes::Image:
        return ItemPath::MultiBlock;
    default:
        // The dial-clock item stays in projects but never reaches a card.
        return ItemPath::NotSendable;
    }
}

} // namespace

bool TSGNPanel::DeliverPacket(TSGNUnit& unit, bool toFile, QIODevice* file)
{
    if (toFile)
        return file && ExportRecord::Append(*file, unit);
    uint8_t reply[128] = {};
    return Transact(unit, reply, kItemTries);
}

bool TSGNPanel::SendItem(int index, int startPage, QIODevice* file, bool toFile, bool insert,
                         int* pagesUsed)
{
    if (pagesUsed)
        *pagesUsed = 0;
    TSGNSendMsg* item = Items.Items(index);
    if (!item || (toFile && !file))
        return false;
    const ItemPath path = PathOf(item->KindCode);
    if (path == ItemPath::NotSendable)
        return false;

    item->StartPage = startPage;
    item->Params.PageNo = static_cast<uint16_t>(startPage & 0xFFFF);
    item->Address = Id;
    item->Insert = insert ? 1 : 0;
    item->Prepare();
    const int blocks = item->GetBlockCount();
    // Nothing to show (a rich text without pages, a picture without data):
    // nothing is sent and the item takes no page.
    if (blocks == 0)
        return true;

    if (path == ItemPath::SingleBlock) {
        if (pagesUsed)
            *pagesUsed = 1;
        item->BlockIndex = 0;
        item->FillBlock();
        item->BuildPacket();
        const bool ok = DeliverPacket(*item, toFile, file);
        if (!toFile) {
            SendProgress::Post();
            UiHooks::Pump();
        }
        return ok;
    }

    // Blocks past offset 65535 of a page would wrap onto its start and
    // overwrite what the card already holds: such an item is not sent at all.
    if (item->PageBytes() > TSGNSendMsg::MaxPageBytes)
        return false;
    if (pagesUsed)
        *pagesUsed = item->GetPageCount();
    for (int b = 0; b < blocks; ++b) {
        item->BlockIndex = b;
        item->FillBlock();
        item->BuildPacket();
        // An unacknowledged block ends the item: the card would hold a page
        // with a hole, so the rest is not sent.
        if (!DeliverPacket(*item, toFile, file))
            return false;
        if (!toFile) {
            SendProgress::Post();
            UiHooks::Pump();
        }
    }
    return true;
}

int TSGNPanel::AssignStartPages()
{
    int total = 0;
    for (int i = 0; i < Items.Count(); ++i) {
        TSGNSendMsg* item = Items.Items(i);
        item->StartPage = total;
        total += item->GetPageCount();
    }
    return total;
}

bool TSGNPanel::SendProgramBoundary(uint8_t flag, bool toFile, QIODevice* file)
{
    TSGNUnit unit;
    unit.Command = 25;
    unit.Address = Id;
    unit.BuildPacket();
    unit.SendBuffer[16] = flag;
    unit.SealPacket();
    return DeliverPacket(unit, toFile, file);
}

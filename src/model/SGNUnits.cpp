#include "model/SGNUnits.h"

#include "items/ItemFactory.h"
#include "items/SGNSendMsg.h"
#include "model/BinaryStream.h"
#include "model/SGNPanel.h"

#include <algorithm>
#include <set>

TSGNUnits::TSGNUnits(TSGNPanel* owner) : Owner(owner) {}

TSGNUnits::~TSGNUnits() = default;

TSGNSendMsg* TSGNUnits::Items(int i) const
{
    if (i < 0 || i >= Count())
        return nullptr;
    return items_[i].get();
}

std::unique_ptr<TSGNSendMsg> TSGNUnits::CreateItem(uint16_t kind)
{
    return CreateItemOfKind(kind);
}

TSGNSendMsg* TSGNUnits::Place(int index, std::unique_ptr<TSGNSendMsg> item)
{
    if (!item)
        return nullptr;
    index = std::clamp(index, 0, Count());
    TSGNSendMsg* raw = item.get();
    raw->Owner = Owner;
    items_.insert(items_.begin() + index, std::move(item));
    // Computed after insertion: the new item's own StartPage is still 0.
    raw->StartPage = NextFreeStartPage();
    return raw;
}

TSGNSendMsg* TSGNUnits::AddItem(uint16_t kind)
{
    return Place(Count(), CreateItem(kind));
}

TSGNSendMsg* TSGNUnits::InsertItem(int index, uint16_t kind)
{
    return Place(index, CreateItem(kind));
}

TSGNSendMsg* TSGNUnits::AddItemToZone(int zone, uint16_t kind)
{
    auto item = CreateItem(kind);
    if (!item)
        return nullptr;
    int index = Count();
    for (int i = 0; i < Count(); ++i) {
        if (items_[i]->Params.Zone() > zone) {
            index = i;
            break;
        }
    }
    TSGNSendMsg* raw = Place(index, std::move(item));
    raw->Params.SetZone(static_cast<uint8_t>(zone));
    return raw;
}

int TSGNUnits::IndexOf(const TSGNSendMsg* item) const
{
    for (int i = 0; i < Count(); ++i) {
        if (items_[i].get() == item)
            return i;
    }
    return -1;
}

bool TSGNUnits::DeleteItem(const TSGNSendMsg* item)
{
    const int i = IndexOf(item);
    return i >= 0 && DeleteAt(i);
}

bool TSGNUnits::DeleteAt(int i)
{
    if (i < 0 || i >= Count())
        return false;
    items_.erase(items_.begin() + i);
    return true;
}

bool TSGNUnits::MoveUp(const TSGNSendMsg* item)
{
    const int i = IndexOf(item);
    if (i <= 0 || Count() == 1)
        return false;
    const bool zoned = Owner == nullptr || Owner->Zones.ZoneCount() > 0;
    if (zoned && items_[i]->Params.Zone() != items_[i - 1]->Params.Zone())
        return false;
    std::swap(items_[i], items_[i - 1]);
    return true;
}

bool TSGNUnits::MoveDown(const TSGNSendMsg* item)
{
    const int i = IndexOf(item);
    if (i < 0 || i >= Count() - 1)
        return false;
    const bool zoned = Owner == nullptr || Owner->Zones.ZoneCount() > 0;
    if (zoned && items_[i]->Params.Zone() != items_[i + 1]->Params.Zone())
        return false;
    std::swap(items_[i], items_[i + 1]);
    return true;
}

bool TSGNUnits::ReorderFromTree(const std::vector<std::vector<TSGNSendMsg*>>& outline)
{
    std::vector<TSGNSendMsg*> order;
    for (const auto& group : outline)
        order.insert(order.end(), group.begin(), group.end());
    if (static_cast<int>(order.size()) != Count())
        return false;
    const std::set<TSGNSendMsg*> distinct(order.begin(), order.end());
    if (static_cast<int>(distinct.size()) != Count())
        return false;
    for (TSGNSendMsg* item : order) {
        if (IndexOf(item) < 0)
            return false;
    }

    const bool zoned = Owner != nullptr && Owner->Zones.LayoutType != 0;
    std::vector<std::unique_ptr<TSGNSendMsg>> rebuilt;
    rebuilt.reserve(items_.size());
    for (size_t k = 0; k < outline.size(); ++k) {
        for (TSGNSendMsg* item : outline[k]) {
            item->Params.SetZone(zoned ? static_cast<uint8_t>(k + 1) : 0);
            rebuilt.push_back(std::move(items_[IndexOf(item)]));
        }
    }
    items_ = std::move(rebuilt);
    return true;
}

int TSGNUnits::NextFreeStartPage() const
{
    for (int page = 16; page < 65535; page += 16) {
        const bool taken = std::any_of(items_.begin(), items_.end(), [page](const auto& item) {
            return item->StartPage == page;
        });
        if (!taken)
            return page;
    }
    return 65535;
}

void TSGNUnits::SaveToFile(BinaryWriter& out) const
{
    out.WriteI32(Count());
    for (const auto& item : items_) {
        out.WriteU16(item->KindCode);
        item->SaveToFile(out);
    }
}

void TSGNUnits::LoadFromFile(BinaryReader& in)
{
    items_.clear();
    const int32_t count = in.ReadI32("item count (i32)");
    if (count < 0 || count > MaxStoredItems)
        in.Fail(QStringLiteral("an item count of 0 to %1, not %2").arg(MaxStoredItems).arg(count));
    // Every item record is at least its kind code and parameter record.
    in.RequireFor(count, 2 + 56, "item records");
    for (int i = 0; i < count; ++i) {
        const qint64 at = in.Position();
        const uint16_t kind = in.ReadU16("item kind code (u16)");
        TSGNSendMsg* item = AddItem(kind);
        if (!item) {
            throw FileFormatError(at, QStringLiteral("an item kind code (0x8001..0x8004, 0x8006, "
                                                     "0x8007 or 0x8009), not 0x%1")
                                          .arg(kind, 4, 16, QLatin1Char('0')));
        }
        item->LoadFromFile(in);
    }
}

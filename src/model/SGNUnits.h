#pragma once
// A panel's message items in play order, with the rules that keep every
// item inside its zone and its creation start page distinct.
#include <cstdint>
#include <memory>
#include <vector>

class BinaryReader;
class BinaryWriter;
class TSGNPanel;
class TSGNSendMsg;

class TSGNUnits
{
public:
    // Largest item count the file reader accepts.
    static constexpr int MaxStoredItems = 65536;

    explicit TSGNUnits(TSGNPanel* owner = nullptr);
    ~TSGNUnits();
    TSGNUnits(const TSGNUnits&) = delete;
    TSGNUnits& operator=(const TSGNUnits&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Item i, or nullptr when i is out of range.
    TSGNSendMsg* Items(int i) const;

    // A new item of that kind, not in the list; nullptr for an unknown kind.
    static std::unique_ptr<TSGNSendMsg> CreateItem(uint16_t kind);
    // Creates and appends; nullptr (and no change) for an unknown kind.
    TSGNSendMsg* AddItem(uint16_t kind);
    // Creates and inserts at index (clamped to 0..Count).
    TSGNSendMsg* InsertItem(int index, uint16_t kind);
    // Inserts before the first item of a later zone and gives it that zone.
    TSGNSendMsg* AddItemToZone(int zone, uint16_t kind);

    int IndexOf(const TSGNSendMsg* item) const;
    bool DeleteItem(const TSGNSendMsg* item);
    bool DeleteAt(int i);
    void Clear() { items_.clear(); }

    // Moves within the item's zone only.
    bool MoveUp(const TSGNSendMsg* item);
    bool MoveDown(const TSGNSendMsg* item);

    // Rebuilds the order and zones from the project outline: one group of
    // items per zone (zone k + 1 for group k) when the panel has a zone
    // layout, or a single group (zone 0) when its LayoutType is 0. Fails and
    // changes nothing unless the outline holds exactly this list's items.
    bool ReorderFromTree(const std::vector<std::vector<TSGNSendMsg*>>& outline);

    // Smallest multiple of 16 (below 65535) no item's StartPage equals.
    int NextFreeStartPage() const;

    void SaveToFile(BinaryWriter& out) const;
    void LoadFromFile(BinaryReader& in);

    TSGNPanel* Owner = nullptr;

private:
    TSGNSendMsg* Place(int index, std::unique_ptr<TSGNSendMsg> item);

    std::vector<std::unique_ptr<TSGNSendMsg>> items_;
};

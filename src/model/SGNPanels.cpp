#include "model/SGNPanels.h"

#include "items/SGNSendMsg.h"
#include "model/BinaryStream.h"
#include "model/SGNPanel.h"

#include <algorithm>

QString TProjectLoadError::Describe() const
{
    return QStringLiteral("at byte %1: expected %2").arg(Offset).arg(Expected);
}

TSGNPanels::TSGNPanels() = default;

TSGNPanels::~TSGNPanels()
{
    Clear();
}

TSGNPanel* TSGNPanels::Items(int i) const
{
    if (i < 0 || i >= Count())
        return nullptr;
    return panels_[i].get();
}

int TSGNPanels::IndexOf(const TSGNPanel* panel) const
{
    for (int i = 0; i < Count(); ++i) {
        if (panels_[i].get() == panel)
            return i;
    }
    return -1;
}

TSGNPanel* TSGNPanels::AddPanel()
{
    panels_.push_back(std::make_unique<TSGNPanel>(this));
    TSGNPanel* panel = panels_.back().get();
    // Computed after appending; the new panel's own Id is still 0.
    panel->Id = static_cast<uint16_t>(NextFreeId());
    return panel;
}

int TSGNPanels::NextFreeId() const
{
    for (int id = 1; id <= 65534; ++id) {
        const bool taken = std::any_of(panels_.begin(), panels_.end(),
                                       [id](const auto& p) { return p->Id == id; });
        if (!taken)
            return id;
    }
    return 65535;
}

bool TSGNPanels::DeletePanel(int i)
{
    if (i < 0 || i >= Count())
        return false;
    panels_.erase(panels_.begin() + i);
    return true;
}

void TSGNPanels::Clear()
{
    while (!panels_.empty())
        panels_.erase(panels_.begin());
}

std::optional<QString> TSGNPanels::SaveToFile(QByteArray* bytes) const
{
    try {
        BinaryWriter out;
        out.WriteU16(static_cast<uint16_t>(Count()));
        for (const auto& panel : panels_)
            panel->SaveToFile(out);
        *bytes = out.Bytes();
        return std::nullopt;
    } catch (const FileLimitError& e) {
        return e.What();
    }
}

void TSGNPanels::ReadPanels(BinaryReader& in)
{
    const uint16_t count = in.ReadU16("panel count (u16)");
    // A panel record is at least 72 bytes: tag, port, block, Id, two empty
    // strings, a zone layout without zones and an empty item list.
    in.RequireFor(count, 72, "panel records");
    for (int i = 0; i < count; ++i)
        AddPanel()->LoadFromFile(in);
}

std::optional<TProjectLoadError> TSGNPanels::LoadFromFile(const QByteArray& bytes)
{
    // Read into a fresh project and swap only when the whole file made sense.
    TSGNPanels loaded;
    loaded.PortNumber = PortNumber;
    try {
        BinaryReader in(bytes);
        loaded.ReadPanels(in);
    } catch (const FileFormatError& e) {
        return TProjectLoadError{e.Offset(), e.Expected()};
    }
    Clear();
    panels_ = std::move(loaded.panels_);
    for (auto& panel : panels_)
        panel->SetProject(this);
    PortNumber = loaded.PortNumber;
    return std::nullopt;
}

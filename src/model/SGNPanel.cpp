#include "model/SGNPanel.h"

#include "items/SGNSendMsg.h"
#include "model/BinaryStream.h"
#include "model/SGNPanels.h"

namespace {
const QString kUnknownVersion = QStringLiteral("Unkown");
} // namespace

TSGNPanel::TSGNPanel(TSGNPanels* project)
    : VersionText(kUnknownVersion), Name(QStringLiteral("Panel?")), Items(this), project_(project)
{
    KindCode = KindCodes::Panel;
    HardwareParams[0] = 8;
    HardwareParams[1] = 8;
    HardwareParams[2] = 1;
    Zones.Owner = this;
    Zones.AddZone(0, 0, Width(), Height());
}

TSGNPanel::~TSGNPanel()
{
    // Items go before the zone layout they refer to.
    Items.Clear();
}

int TSGNPanel::PortNumber() const
{
    return project_ ? project_->PortNumber : 1;
}

void TSGNPanel::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN PANEL");
    out.WriteI32(PortNumber());
    out.WriteBytes(HardwareParams.data(), HardwareParams.size());
    out.WriteU16(Id);
    out.WriteU16(0);
    out.WriteWideString(VersionText, "panel version text");
    out.WriteWideString(Name, "panel name");
    Zones.SaveToFile(out);
    Items.SaveToFile(out);
}

void TSGNPanel::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "panel tag (16 bytes)");
    const int32_t port = in.ReadI32("serial port number (i32)");
    const QByteArray params =
        in.ReadBytes(HardwareParamsSize, "hardware parameter block (16 bytes)");
    std::copy(params.begin(), params.end(), HardwareParams.begin());
    Id = in.ReadU16("panel Id (u16)");
    in.Skip(2, "panel reserved bytes");
    in.ReadWideString("panel version text");
    Name = in.ReadWideString("panel name");
    Zones.LoadFromFile(in);
    Items.LoadFromFile(in);
    // The stored version is stale: only a card answer sets it.
    VersionText = kUnknownVersion;
    if (project_)
        project_->PortNumber = port;
}

#include "app/ProgramArgs.h"

#include "app/CommandLine.h"
#include "authoring/RTFDecodeUnit.h"
#include "items/SGNRtf.h"
#include "items/SGNSendMsg.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"

QString TakeOption(QStringList& rest, const QString& name, bool* missingValue)
{
    const int at = rest.indexOf(name);
    if (at < 0)
        return QString();
    if (at + 1 >= rest.size()) {
        *missingValue = true;
        rest.removeAt(at);
        return QString();
    }
    const QString value = rest.at(at + 1);
    rest.removeAt(at + 1);
    rest.removeAt(at);
    return value;
}

bool ParseProgramArgs(const QStringList& args, const char* usage, ProgramArgs* out, int* exitCode)
{
    *exitCode = CommandLine::ExitBadInput;
    QStringList rest = args;
    bool missing = false;
    const QString panelText = TakeOption(rest, QStringLiteral("--panel"), &missing);
    if (missing) {
        CommandLine::Err(QStringLiteral("--panel needs a panel number"));
        return false;
    }
    if (!panelText.isEmpty()) {
        bool ok = false;
        out->PanelNumber = panelText.toInt(&ok);
        if (!ok || out->PanelNumber < 1) {
            CommandLine::Err(
                QStringLiteral("--panel takes a panel number from 1, not \"%1\"").arg(panelText));
            return false;
        }
    }
    if (rest.isEmpty() || rest.first().startsWith(QLatin1String("--"))) {
        CommandLine::Err(QStringLiteral("usage: %1").arg(QLatin1String(usage)));
        return false;
    }
    const QString path = rest.takeFirst();
    out->Project = std::make_unique<TSGNPanels>();
    if (const auto why = ProjectFile::Load(path, *out->Project)) {
        // The reason names the file already.
        CommandLine::Err(QStringLiteral("cannot read %1").arg(*why));
        return false;
    }
    out->Panel = out->Project->Items(out->PanelNumber - 1);
    if (!out->Panel) {
        CommandLine::Err(QStringLiteral("%1 has %2 panel(s); there is no panel %3")
                             .arg(path)
                             .arg(out->Project->Count())
                             .arg(out->PanelNumber));
        return false;
    }
    out->Rest = rest;
    return true;
}

void RenderRichTextForCommand(TSGNRtf& item, TSGNPanel& panel)
{
    static TRTFDecodeUnit renderer;
    if (TRTFDecodeUnit::RenderItem(item, panel, renderer))
        return;
    CommandLine::Err(QStringLiteral("rich-text item %1 \"%2\" gives no page for its zone: "
                                    "nothing of it is sent")
                         .arg(panel.Items.IndexOf(&item) + 1)
                         .arg(item.GetName()));
}

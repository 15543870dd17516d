#include "app/ProgramArgs.h"

#include "app/CommandLine.h"
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
        CommandLine::Err(QStringLiteral("cannot read %1: %2").arg(path, *why));
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

int ReportSkippedRichText(const TSGNPanel& panel)
{
    int skipped = 0;
    for (int i = 0; i < panel.Items.Count(); ++i) {
        const TSGNSendMsg* item = panel.Items.Items(i);
        if (item->KindCode != KindCodes::Rtf)
            continue;
        CommandLine::Err(QStringLiteral("skipped rich-text item %1 \"%2\": rich text is not "
                                        "rendered for the card by this command yet")
                             .arg(i + 1)
                             .arg(item->GetName()));
        ++skipped;
    }
    return skipped;
}

// lumaxis export PROJECT.sgn [--panel N] --out DIR: writes DIR/led.sd, the
// program of one panel as an SD/USB card loads it.
#include "app/CommandLine.h"
#include "app/ProgramArgs.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "protocol/ProgramSend.h"

#include <QDir>
#include <QFileInfo>

int RunExport(const QStringList& args)
{
    const char* usage = "lumaxis export PROJECT.sgn [--panel N] --out DIR";
    ProgramArgs in;
    int code = 0;
    if (!ParseProgramArgs(args, usage, &in, &code))
        return code;
    bool missing = false;
    const QString dir = TakeOption(in.Rest, QStringLiteral("--out"), &missing);
    if (dir.isEmpty() || !in.Rest.isEmpty()) {
        CommandLine::Err(missing ? QStringLiteral("--out needs a directory")
                                 : QStringLiteral("usage: %1").arg(QLatin1String(usage)));
        return CommandLine::ExitBadInput;
    }
    if (!QFileInfo(dir).isDir()) {
        CommandLine::Err(QStringLiteral("%1 is not a directory").arg(dir));
        return CommandLine::ExitBadInput;
    }
    const QString fileName = QDir(dir).filePath(QStringLiteral("led.sd"));

    QString error;
    ProgramSend::ProgramReport report;
    switch (
        ProgramSend::ExportSdFile(in.Panel, fileName, RenderRichTextForCommand, &error, &report)) {
    case ProgramSend::ExportOutcome::Saved:
        if (report.FailedItem >= 0) {
            const TSGNSendMsg* item = in.Panel->Items.Items(report.FailedItem);
            CommandLine::Err(QStringLiteral("item %1 \"%2\" %3; the items from it on were left out")
                                 .arg(report.FailedItem + 1)
                                 .arg(item->GetName(), ProgramSend::UnsendableReason(*item)));
        } else if (report.ItemsSent < in.Panel->Items.Count()) {
            CommandLine::Err(QStringLiteral("item %1 ends at page %2 and no item may start at "
                                            "page 80 or later: %3 item(s) were left out")
                                 .arg(report.ItemsSent)
                                 .arg(report.NextPage - 1)
                                 .arg(in.Panel->Items.Count() - report.ItemsSent));
        }
        CommandLine::Out(QStringLiteral("Save Ok"));
        CommandLine::Out(
            QStringLiteral("%1: %2 bytes").arg(fileName).arg(QFileInfo(fileName).size()));
        return CommandLine::ExitOk;
    case ProgramSend::ExportOutcome::NothingToExport:
        CommandLine::Err(QStringLiteral("panel %1 \"%2\" has no items: nothing written")
                             .arg(in.PanelNumber)
                             .arg(in.Panel->Name));
        return CommandLine::ExitFailed;
    case ProgramSend::ExportOutcome::CannotCreate:
    case ProgramSend::ExportOutcome::WriteFailed:
        CommandLine::Err(QStringLiteral("cannot write %1").arg(error));
        return CommandLine::ExitFailed;
    }
    return CommandLine::ExitFailed;
}

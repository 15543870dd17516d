#pragma once
// Arguments shared by the program commands (export, send): the project file
// and the panel they act on.
#include "model/SGNPanels.h"

#include <QString>
#include <QStringList>
#include <memory>

class TSGNPanel;
class TSGNRtf;

struct ProgramArgs
{
    std::unique_ptr<TSGNPanels> Project;
    TSGNPanel* Panel = nullptr;
    int PanelNumber = 1; // 1-based, as --panel N takes it
    QStringList Rest;    // the options the command reads itself
};

// Reads "PROJECT.sgn [--panel N]" out of args, loads the project and picks the
// panel. On failure prints the reason to stderr and returns false with
// *exitCode set (CommandLine::ExitBadInput).
bool ParseProgramArgs(const QStringList& args, const char* usage, ProgramArgs* out, int* exitCode);

// Takes "NAME VALUE" out of rest; empty when absent. *missingValue is set when
// the option is there without a value.
QString TakeOption(QStringList& rest, const QString& name, bool* missingValue);

// Renders a rich-text item's pages for its zone before it is sent or
// exported, as the editor page does in the window; says on stderr when an
// item gives no page (it is then sent as nothing).
void RenderRichTextForCommand(TSGNRtf& item, TSGNPanel& panel);

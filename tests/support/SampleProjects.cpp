#include "support/SampleProjects.h"

#include "items/SGNText.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <QDir>
#include <gtest/gtest.h>

QString SaveRichTextProject(const QString& dir, int colourMode)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    panel->HardwareParams[0] = 16;
    panel->HardwareParams[1] = 4;
    panel->HardwareParams[2] = static_cast<uint8_t>(colourMode);
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 128, 32);
    panel->Items.AddItem(KindCodes::Rtf);
    static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text))->Lines =
        QStringList{QStringLiteral("Hi")};
    const QString path = QDir(dir).filePath(QStringLiteral("project.sgn"));
    EXPECT_FALSE(ProjectFile::Save(path, project).has_value());
    return path;
}

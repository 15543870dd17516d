#pragma once
// Project files the command tests run the programs on.
#include <QString>

// Saves DIR/project.sgn: one 128 x 32 panel with a single zone in the given
// colour mode (1 red, 2 red and green, 3 full colour), holding a new
// rich-text item (Welcome in red) and a text item "Hi". Returns the path.
QString SaveRichTextProject(const QString& dir, int colourMode);

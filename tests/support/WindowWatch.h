#pragma once
// Looking at real widgets from a test: a tree as text, and waiting while the
// event loop runs.
#include <QStringList>
#include <functional>

class QTreeWidget;

// The tree's captions, one line a node, indented two spaces a level.
QStringList Outline(const QTreeWidget* tree);

// Processes events until done() holds or ms have passed; returns done().
bool PumpUntil(const std::function<bool()>& done, int ms);

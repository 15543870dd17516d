#include "support/WindowWatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTreeWidget>

QStringList Outline(const QTreeWidget* tree)
{
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* node, int depth) {
        lines << QString(depth * 2, QLatin1Char(' ')) + node->text(0);
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i), 0);
    return lines;
}

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

#include "model/ProjectFile.h"

#include "model/SGNPanels.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ProjectFile {

std::optional<QString> Load(const QString& path, TSGNPanels& project)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    if (auto error = project.LoadFromFile(bytes))
        return QStringLiteral("%1: not a readable project file, %2").arg(path, error->Describe());
    return std::nullopt;
}

std::optional<QString> Save(const QString& path, const TSGNPanels& project)
{
    QByteArray bytes;
    if (auto error = project.SaveToFile(&bytes))
        return QStringLiteral("%1 was not saved: %2").arg(path, *error);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QStringLiteral("%1: %2").arg(path, why);
    }
    if (!file.commit())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return std::nullopt;
}

QString SetAsideDamaged(const QString& path)
{
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = info.dir().filePath(
        QStringLiteral("%1.damaged-%2.%3").arg(info.completeBaseName(), stamp, info.suffix()));
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = info.dir().filePath(QStringLiteral("%1.damaged-%2-%3.%4")
                                         .arg(info.completeBaseName(), stamp)
                                         .arg(n)
                                         .arg(info.suffix()));
    }
    return QFile::rename(path, target) ? target : QString();
}

} // namespace ProjectFile

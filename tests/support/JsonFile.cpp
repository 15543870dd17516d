#include "support/JsonFile.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

QJsonObject ReadJson(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QJsonDocument::fromJson(f.readAll()).object();
}

#pragma once
// Reading the JSON files the virtual card writes for the pages it received.
#include <QJsonObject>
#include <QString>

// The JSON object in the file at path; the test fails when it cannot be
// read.
QJsonObject ReadJson(const QString& path);

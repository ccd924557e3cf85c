#pragma once

// Files the platform tests set up; the folders on the way are made too.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

inline void WriteFile(const QString& path, const QByteArray& bytes = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

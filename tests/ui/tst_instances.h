#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// The real program started as first and second instance.
class TestInstances : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void secondLaunchHandsOver();
    void simultaneousLaunches();

private:
    QString m_program;
    std::unique_ptr<QTemporaryDir> m_dir;
};

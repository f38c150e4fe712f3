#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace kvizor::test {

// The machine's font configuration, but only the fonts scripts/deps.sh installs
// (fonts-liberation2, fonts-dejavu-core) less the files named in leftOut ("DejaVuSans.ttf"):
// whatever else a machine has, text is matched and drawn with the same fonts everywhere.
QByteArray FontConfiguration(const QStringList& leftOut = {});

// Gives a test program the same surroundings however it is started (by CTest, by hand,
// from a desktop session): offscreen windows, Russian locale, UTC, the project's fonts
// only, and per-user folders (home, XDG homes, runtime folder, temporary folder) of its
// own in a fresh folder that goes away with it. No administrator's settings, session bus
// or display leak in.
// A program started by a test inherits its parent's surroundings unchanged; variables a
// CTest run names in KVIZOR_TEST_GIVEN are kept as given.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

private:
    std::unique_ptr<QTemporaryDir> m_root;
};

} // namespace kvizor::test

// QTEST_MAIN and QTEST_GUILESS_MAIN with the surroundings set before the application.
#define KVIZOR_TEST_MAIN(TestObject)                                                                         \
    QTEST_MAIN_WRAPPER(TestObject, const kvizor::test::TestEnvironment kvizorTestEnvironment;                \
                       QTEST_MAIN_SETUP())
#define KVIZOR_TEST_GUILESS_MAIN(TestObject)                                                                 \
    QTEST_MAIN_WRAPPER(TestObject, const kvizor::test::TestEnvironment kvizorTestEnvironment;                \
                       QTEST_QAPP_SETUP(QCoreApplication))

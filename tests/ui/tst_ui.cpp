#include "tst_ui.h"
#include "support/TestEnvironment.h"
#ifdef KVIZOR_STUDENT_EXE
#include "tst_instances.h"
#endif

#include <QApplication>
#include <QLocale>
#include <QTest>

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    int status = 0;
    {
        TestUiParts parts;
        status |= QTest::qExec(&parts, argc, argv);
    }
    {
        TestMainWindow window;
        status |= QTest::qExec(&window, argc, argv);
    }
#ifdef KVIZOR_STUDENT_EXE
    {
        TestInstances instances;
        status |= QTest::qExec(&instances, argc, argv);
    }
#endif
    return status;
}

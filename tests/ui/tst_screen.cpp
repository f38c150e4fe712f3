#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLocale>

int runIdentificationTests(int argc, char** argv);
int runTaskScreenTests(int argc, char** argv);
int runRunScreenTests(int argc, char** argv);
int runKeyScreenTests(int argc, char** argv);
int runAccessScreenTests(int argc, char** argv);
int runServerStepTests(int argc, char** argv);
int runRunJournalTests(int argc, char** argv);
int runLockWaitTests(int argc, char** argv);

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // A list's popup ignores releases within this interval after it opened.
    QApplication::setDoubleClickInterval(40);
    int status = 0;
    status |= runIdentificationTests(argc, argv);
    status |= runTaskScreenTests(argc, argv);
    status |= runRunScreenTests(argc, argv);
    status |= runKeyScreenTests(argc, argv);
    status |= runAccessScreenTests(argc, argv);
    status |= runServerStepTests(argc, argv);
    status |= runRunJournalTests(argc, argv);
    status |= runLockWaitTests(argc, argv);
    return status;
}

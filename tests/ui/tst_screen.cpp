#include <QApplication>
#include <QLocale>

int runIdentificationTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    int status = 0;
    status |= runIdentificationTests(argc, argv);
    return status;
}

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidora"));
    QApplication::setApplicationVersion(QStringLiteral(TIDORA_VERSION));
    QTextStream(stdout) << "Tidora " << QApplication::applicationVersion() << '\n';
    return 0;
}

// Shows the arguments it was started with, so that a look at the screen
// tells what the launcher passed to the game.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    QStringList arguments = QCoreApplication::arguments();
    const QString program = arguments.takeFirst();

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillmere 4 (stand-in game)"));
    auto layout = new QVBoxLayout(&window);
    auto title = new QLabel(QStringLiteral("<b>The game would start here.</b>"));
    auto commandLine = new QLabel(QStringLiteral("Program: %1\nArguments: %2")
                                      .arg(program, arguments.join(QLatin1Char(' '))));
    commandLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto close = new QPushButton(QStringLiteral("Close"));
    QObject::connect(close, &QPushButton::clicked, &app, &QApplication::quit);
    layout->addWidget(title);
    layout->addWidget(commandLine);
    layout->addWidget(close, 0, Qt::AlignRight);
    window.resize(520, 160);
    window.show();
    return app.exec();
}

// Renders the licence dialog and the header into PNG files, offscreen, so the
// look can be checked by eye:
//
//   build/normal/tools/screenshots/screenshots <folder> [language]
//
// language is a code of the compiled-in translations (default en_US).

#include "core/Localization.h"
#include "ui/Buttons.h"
#include "ui/EulaDialog.h"
#include "ui/LauncherHeader.h"
#include "ui/Look.h"
#include "ui/StyledDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

namespace {

bool save(QWidget& widget, const QDir& dir, const QString& name)
{
    widget.show();
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!widget.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

QString eulaText()
{
    QFile file(QStringLiteral(":/eula/en"));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The header as the main window shows it: over the background, above the logo.
class Backdrop : public StyledDialog
{
public:
    Backdrop()
    {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        auto background = new QLabel(this);
        background->setPixmap(QPixmap(QStringLiteral(":/splash")));
        background->setScaledContents(true);
        background->setGeometry(0, 0, 1184, 720);
        background->lower();
        header = new LauncherHeader(this, true, nullptr);
        auto logo = new QLabel(this);
        logo->setPixmap(QPixmap(QStringLiteral(":/logo_en")));
        auto play = new StyledButton(QStringLiteral("PLAY"), this);
        play->setObjectName(QStringLiteral("play"));
        auto layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(header);
        layout->addSpacing(150);
        layout->addWidget(logo, 0, Qt::AlignHCenter);
        layout->addStretch(1);
        layout->addWidget(play, 0, Qt::AlignRight);
        layout->addSpacing(30);
        setFixedSize(1184, 720);
    }

    LauncherHeader* header;
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    loadFonts();
    loadStyleSheet();
    setLanguage(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("en_US"));

    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    QDir().mkpath(dir.path());
    bool ok = true;

    EulaDialog accept(nullptr, eulaText(), true);
    ok &= save(accept, dir, QStringLiteral("eula-accept.png"));
    // As it looks while its question box is up.
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&accept, &blocked);
    QEventLoop fade;
    QTimer::singleShot(400, &fade, &QEventLoop::quit);
    fade.exec();
    ok &= save(accept, dir, QStringLiteral("eula-dimmed.png"));
    accept.hide();
    EulaDialog view(nullptr, eulaText(), false);
    ok &= save(view, dir, QStringLiteral("eula-view.png"));
    view.hide();

    Backdrop backdrop;
    ok &= save(backdrop, dir, QStringLiteral("header-in-window.png"));
    ok &= save(*backdrop.header, dir, QStringLiteral("header.png"));

    QMenu* menu = backdrop.header->findChild<SocialButton*>(QStringLiteral("settings"))->menu();
    ok &= save(*menu, dir, QStringLiteral("settings-menu.png"));
    menu->hide();
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            emit sub->aboutToShow();
            ok &= save(*sub, dir, QStringLiteral("language-menu.png"));
            sub->hide();
        }
    }
    return ok ? 0 : 1;
}

#include "cli/CommandLine.h"
#include "compose/Random.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "templates/TemplateWorkout.h"
#include "ui/Desktop.h"
#include "ui/Dialogs.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QScreen>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The commands only read the iPod and print: no display is needed, so they run over SSH too.
int RunCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("paceforge"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    paceforge::SystemDrives drives;
    paceforge::FileSystem fileSystem;
    // The bytes the system gave: a folder named in another encoding than UTF-8 stays that folder.
    return paceforge::RunCommandLine(std::vector<std::string>(argv, argv + argc), out, err, drives, fileSystem);
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (paceforge::IsCommandInvocation(arguments))
        return RunCommand(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Paceforge"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.paceforge.Paceforge"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    const std::filesystem::path programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    if (const auto notice = paceforge::MissingTemplateNotice(programFolder))
        std::fprintf(stderr, "%s\n", notice->toLocal8Bit().constData());

    // In the user's configuration folder, never on the iPod.
    QSettings settings(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Paceforge"), QStringLiteral("Paceforge"));
    paceforge::MessageBoxDialogs dialogs(&settings);
    paceforge::SystemDrives drives;
    paceforge::FileSystem fileSystem;
    paceforge::Clock clock;
    paceforge::SystemRandom random;
    paceforge::Desktop desktop;
    paceforge::frmMain window({dialogs, drives, fileSystem, clock, random, desktop});
    window.show();

    // For machines without a display: the scripts run the program under a virtual one and keep a
    // picture of the real window.
    const QString screenshot = qEnvironmentVariable("PACEFORGE_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, &window, [&] {
            const QRect area = window.frameGeometry();
            window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(screenshot);
            app.quit();
        });
    }
    // For timing the start-up: the window is shown and its list filled by now.
    if (qEnvironmentVariableIntValue("PACEFORGE_EXIT_WHEN_SHOWN") == 1)
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

// Pictures of the window's three screens for the help page, taken from the real window on a
// scratch copy of the sample iPod: help_screens OUTPUT_FOLDER (scripts/screenshots runs it).
#include "ui/WindowHarness.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace paceforge::test;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: help_screens OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);

    QTemporaryDir scratch;
    const fs::path drive = fs::path(scratch.path().toStdString()) / "Sample iPod";
    fs::copy(fs::path(PACEFORGE_SOURCE_DIR) / "examples" / "sample-ipod", drive, fs::copy_options::recursive);
    Window w({{QStringLiteral("Sample iPod"), drive}}, QDate(2009, 2, 14));

    bool saved = true;
    const auto shoot = [&](const char* name) {
        QApplication::processEvents();
        const fs::path file = out / name;
        saved = w.form->grab().save(QString::fromStdString(file.string())) && saved;
        std::printf("%s\n", file.c_str());
    };
    w.chooseDate(QDate(2009, 2, 12));
    w.fill(
        QStringLiteral("5"), QString(), QStringLiteral("42"), QStringLiteral("30"), QStringLiteral("160"), QString());
    shoot("new.png");
    w.click("imgSave");
    shoot("saved.png");
    w.click("imgExistingWorkout");
    w.clickRow(2);
    shoot("existing.png");

    for (const auto& message : w.dialogs.messages)
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(message.text));
    return saved && w.dialogs.messages.empty() ? 0 : 1;
}

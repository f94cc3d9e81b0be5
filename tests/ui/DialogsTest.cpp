#include "WindowHarness.h"

#include "ui/PathDialog.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace paceforge;
using namespace paceforge::test;

namespace {

// A home folder of the test's own, without the user's folder names, for as long as it lives.
class ScratchHome
{
public:
    ScratchHome() : m_home(qgetenv("HOME")), m_config(qgetenv("XDG_CONFIG_HOME"))
    {
        QDir(m_dir.path()).mkpath("home");
        QDir(m_dir.path()).mkpath("config");
        qputenv("HOME", QFile::encodeName(path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
    }
    ~ScratchHome()
    {
        qputenv("HOME", m_home);
        qputenv("XDG_CONFIG_HOME", m_config);
    }
    QString path() const { return m_dir.filePath("home"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_config;
};

} // namespace

// A chooser never starts in a folder that is not there: the user's documents folder where there
// is one, else home; then the folder last chosen, in this run and the next.
TEST(Dialogs, ChoosersStartInAFolderThatExists)
{
    ScratchHome home;
    const QString documents = home.path() + "/Documents";
    const QString runs = home.path() + "/runs";
    QTemporaryDir config;
    QSettings settings(config.filePath("Paceforge.conf"), QSettings::IniFormat);
    QString startedIn;
    QString answer;
    const MessageBoxDialogs::Runner user = [&](QDialog& dialog) {
        auto& chooser = dynamic_cast<QFileDialog&>(dialog);
        startedIn = chooser.directory().absolutePath();
        if (answer.isEmpty())
            return chooser.reject();
        chooser.setDirectory(answer);
        dialog.accept(); // as the Choose or Save button does
    };
    MessageBoxDialogs dialogs(&settings, user);

    dialogs.chooseFolder(nullptr, "Export all as TCX");
    EXPECT_EQ(startedIn, home.path());
    ASSERT_TRUE(QDir().mkpath(documents));
    dialogs.chooseSaveFile(nullptr, "Export all as CSV", "workouts.csv", "CSV files (*.csv)");
    EXPECT_EQ(startedIn, documents);

    ASSERT_TRUE(QDir().mkpath(runs));
    answer = runs;
    EXPECT_EQ(dialogs.chooseFolder(nullptr, "Export all as TCX"), runs);
    answer.clear();
    dialogs.chooseSaveFile(nullptr, "Export as TCX", "2009-02-10_06-48-30.tcx", "Training Center files (*.tcx)");
    EXPECT_EQ(startedIn, runs);

    MessageBoxDialogs nextRun(&settings, user);
    nextRun.chooseFolder(nullptr, "Export all as TCX");
    EXPECT_EQ(startedIn, runs);
    ASSERT_TRUE(QDir(runs).removeRecursively());
    nextRun.chooseFolder(nullptr, "Export all as TCX");
    EXPECT_EQ(startedIn, documents);
}

TEST(Dialogs, PathBoxCopiesThePathAndStaysOpen)
{
    const QString path = "/usr/share/help/C/paceforge/index.html";
    PathDialog box("Help Page", "Open this file in a web browser:", path);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto* field = box.findChild<QLineEdit*>("txtPath");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), path);
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(field->selectedText(), path);

    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(box.findChild<QPushButton*>("cmdCopy"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path);
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

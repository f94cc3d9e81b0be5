#include "templates/TemplateWorkout.h"
#include "workout/WorkoutFormat.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {
void Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
} // namespace

TEST(TemplateWorkout, ShippedTemplateIsACompleteWorkoutForNewAndEditedSaves)
{
    const auto document = LoadTemplateWorkout(fs::path(PACEFORGE_SOURCE_DIR) / "data");
    ASSERT_TRUE(document);
    EXPECT_TRUE(MissingContent(*document, true).empty());
    EXPECT_TRUE(MissingContent(*document, false).empty());
    // New workouts start with an empty series, so that theirs is evenly spaced.
    EXPECT_EQ(NodeText(FindWorkoutNodes(*document).extendedData), "0.0");
}

TEST(TemplateWorkout, EveryLoadReadsTheFileAnew)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    Write(folder / "userdata.xml", "<sportsData><vers>2</vers></sportsData>");
    ASSERT_TRUE(LoadTemplateWorkout(folder));
    Write(folder / "userdata.xml", "<sportsData><vers>5</vers></sportsData>");
    const auto again = LoadTemplateWorkout(folder);
    ASSERT_TRUE(again);
    EXPECT_EQ(NodeText(ChildElement(again->documentElement(), "vers")), "5");
}

// A program folder <root>/bin with the installed data folder <root>/share/paceforge beside it, and the
// installed help page in <root>/share/help/C/paceforge.
TEST(TemplateWorkout, DataFilesAreFoundBesideTheProgramFirstThenInTheInstalledFolder)
{
    struct Case {
        const char* name;
        bool beside;
        bool installed;
        const char* foundIn; // "bin", "share" or, when nothing is found, the first place
    };
    const Case cases[] = {
        {"build tree or portable copy", true, false, "bin"},
        {"installed", false, true, "share"},
        {"both: the copy beside wins", true, true, "bin"},
        {"neither", false, false, "bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        const fs::path bin = root / "bin";
        const fs::path share = root / "share" / "paceforge";
        const fs::path help = root / "share" / "help" / "C" / "paceforge";
        fs::create_directories(bin / "docs");
        fs::create_directories(share);
        fs::create_directories(help);
        if (c.beside) {
            Write(bin / "userdata.xml", "<sportsData><vers>2</vers></sportsData>");
            Write(bin / "docs" / "index.html", "<html></html>");
        }
        if (c.installed) {
            Write(share / "userdata.xml", "<sportsData><vers>2</vers></sportsData>");
            Write(help / "index.html", "<html></html>");
        }
        const bool installed = std::string_view(c.foundIn) == "share";
        EXPECT_EQ(TemplatePath(bin), (installed ? share : bin) / "userdata.xml");
        EXPECT_EQ(HelpPagePath(bin), installed ? help / "index.html" : bin / "docs" / "index.html");
        EXPECT_EQ(LoadTemplateWorkout(bin).has_value(), c.beside || c.installed);
        EXPECT_EQ(MissingTemplateNotice(bin).has_value(), !c.beside && !c.installed);
    }
}

TEST(TemplateWorkout, MissingFileMessagesNameEveryPlaceLooked)
{
    const fs::path bin = "/opt/paceforge/bin";
    const QString box = MissingTemplateText(bin);
    EXPECT_TRUE(box.startsWith(kMissingFileText + QLatin1Char('\n'))) << box.toStdString();
    const QStringList lines = box.split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("/opt/paceforge/bin/userdata.xml"))) << box.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("/opt/paceforge/share/paceforge/userdata.xml"))) << box.toStdString();

    const auto notice = MissingTemplateNotice(bin);
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->contains(QLatin1Char('\n')));
    EXPECT_TRUE(notice->contains(QStringLiteral("/opt/paceforge/bin/userdata.xml")));
    EXPECT_TRUE(notice->contains(QStringLiteral("/opt/paceforge/share/paceforge/userdata.xml")));
}

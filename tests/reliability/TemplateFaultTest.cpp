#include "FaultFixtures.h"

#include <fstream>
#include <functional>

using namespace paceforge;
using namespace paceforge::test;

namespace {

void Replace(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

struct Case {
    std::string name;
    std::function<void(const fs::path& templateFile)> damage;
    QString title;
    QString mentions;
};

std::vector<Case> Cases()
{
    std::vector<Case> cases = {
        {"missing", [](const fs::path& t) { fs::remove(t); }, "Missing File", "reinstall"},
        {"empty", [](const fs::path& t) { Replace(t, ""); }, "Missing File", "reinstall"},
        {"truncated at half",
            [](const fs::path& t) {
                const std::string b = ReadBytes(t);
                Replace(t, b.substr(0, b.size() / 2));
            },
            "Missing File", "reinstall"},
        {"without its last end tag",
            [](const fs::path& t) {
                const std::string b = ReadBytes(t);
                Replace(t, b.substr(0, b.rfind("</sportsData>")));
            },
            "Missing File", "reinstall"},
        {"a folder",
            [](const fs::path& t) {
                fs::remove(t);
                fs::create_directory(t);
            },
            "Missing File", "reinstall"},
        {"another document", [](const fs::path& t) { Replace(t, "<trainingCenter><vers>2</vers></trainingCenter>"); },
            "Damaged File", "sportsData"},
    };
    // Everything a new workout writes, one at a time; a container is named without its children.
    for (const char* path :
        {"runSummary", "runSummary/time", "startTime", "runSummary/duration", "runSummary/durationString",
            "runSummary/distance", "runSummary/distance@unit", "runSummary/distanceString", "runSummary/pace",
            "runSummary/calories", "runSummary/stepCounts", "runSummary/stepCounts/walkBegin",
            "runSummary/stepCounts/walkEnd", "runSummary/stepCounts/runBegin", "runSummary/stepCounts/runEnd",
            "extendedDataList", "extendedDataList/extendedData", "extendedDataList/extendedData@dataType",
            "extendedDataList/extendedData@intervalType", "extendedDataList/extendedData@intervalUnit",
            "extendedDataList/extendedData@intervalValue", "userInfo", "userInfo/weight", "userInfo/empedID"}) {
        const std::string p = path;
        cases.push_back({"without " + p, [p](const fs::path& t) { Replace(t, Without(ReadBytes(t), p)); },
            "Damaged File", QString::fromStdString(p)});
    }
    return cases;
}

} // namespace

TEST(TemplateFaults, BrokenTemplateRefusesTheNewWorkoutAndSaysWhy)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        SensorStore store;
        store.add("latest", kOldName, WorkoutXml());
        Window w({store.drive()});
        c.damage(w.programFolder() / "userdata.xml");
        const Listing before = store.snapshot();
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_TRUE(w.dialogs.messages[0].critical);
        EXPECT_TRUE(w.dialogs.messages[0].text.contains(c.mentions)) << w.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(ListingChanges(before, store.snapshot()), "");
        EXPECT_FALSE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    }
}

TEST(TemplateFaults, BrokenTemplateDoesNotStopEditingAWorkout)
{
    SensorStore store;
    const fs::path file = store.add("latest", kOldName, WorkoutXml());
    Window w({store.drive()});
    fs::remove(w.programFolder() / "userdata.xml");
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    EXPECT_NE(ReadBytes(file).find("<calories>400</calories>"), std::string::npos);
}

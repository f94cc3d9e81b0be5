#include "ui/RestoreDialog.h"

#include "ui/WindowHarness.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <fstream>

namespace paceforge::test {
namespace {

class HourClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime({2026, 12, 8}, {hour, 0}, Qt::UTC); }
    int hour = 0;
};

TEST(RestoreDialogTest, RowsNewestFirstAndRestoreOnlyForAChosenRow)
{
    QTemporaryDir dir;
    const fs::path file = fs::path(dir.path().toStdString()) / "2006-09-15 06;00;00.xml";
    HourClock clock;
    FileSystem fileSystem;
    Backups backups(fs::path(dir.path().toStdString()) / "backups", clock, fileSystem);
    const std::pair<int, std::string> versions[] = {{8, WorkoutXml()}, {10, "not a workout"}, {9, WorkoutXml()}};
    for (const auto& [hour, bytes] : versions) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        clock.hour = hour;
        ASSERT_TRUE(backups.backUp(file, "IPOD", "4H7136ZXVSX", true).ok());
    }
    const std::vector<BackupEntry> listed = backups.list("IPOD", "4H7136ZXVSX", file.filename().string());

    Window w({}); // whose style sheet reaches its dialogs
    RestoreDialog dialog(
        "2006-09-15 06;00;00.xml", {listed.rbegin(), listed.rend()}, backups, std::nullopt, w.form.get());
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>("lstBackups");
    auto* restore = dialog.findChild<QPushButton*>("cmdRestore");
    ASSERT_TRUE(list && restore);
    QStringList rows;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        for (int column = 0; column < 3; ++column)
            rows << list->topLevelItem(row)->text(column);
    EXPECT_EQ(rows,
        QStringList({"2026-12-08 10:00:00", "unreadable", "unreadable", "2026-12-08 09:00:00", "5.0000 km", "30:00",
            "2026-12-08 08:00:00", "5.0000 km", "30:00"}));
    // In the history's unit when it gives one.
    const RestoreDialog inMiles("2006-09-15 06;00;00.xml", listed, backups, DistanceUnit::Miles, w.form.get());
    const auto* miles = inMiles.findChild<QTreeWidget*>("lstBackups");
    EXPECT_EQ(miles->topLevelItem(0)->text(1), "unreadable");
    EXPECT_EQ(miles->topLevelItem(1)->text(1),
        QString::fromStdString(DistanceIn(Decimal::fromInteger(5), DistanceUnit::Miles).toFixedString(4)) + " mi");
    for (int column = 0; column < 3; ++column) // the figures are shown whole
        EXPECT_GE(list->columnWidth(column), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column))
            << column;

    list->setCurrentIndex(list->model()->index(0, 0));
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(restore->isEnabled());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.chosen());

    const QRect second = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_TRUE(restore->isEnabled());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(dialog.chosen());
    EXPECT_EQ(dialog.chosen()->path, listed[1].path);
}

} // namespace
} // namespace paceforge::test

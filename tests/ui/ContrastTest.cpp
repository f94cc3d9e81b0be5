#include "WindowHarness.h"

#include "ui/HistoryWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

using namespace paceforge;
using namespace paceforge::test;

namespace {

// WCAG 2 contrast ratio (AA asks 4.5:1 for text) of text as rendered: the background is the
// commonest colour of the area, the text the one that stands out most (a glyph's covered pixels).
double RenderedContrast(const QImage& picture)
{
    const auto luminance = [](QRgb rgb) {
        const auto linear = [](int c) { return c <= 10 ? c / 3294.6 : std::pow((c / 255.0 + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
    };
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    const double ground = luminance(
        std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first);
    double best = 1.0;
    for (const auto& [rgb, count] : counts) {
        const double l = luminance(rgb);
        best = std::max(best, (std::max(l, ground) + 0.05) / (std::min(l, ground) + 0.05));
    }
    return best;
}

// The area as the window shows it, inside any border.
QImage Shown(const Window& w, QWidget* widget, QRect area = {})
{
    if (area.isNull())
        area = widget->rect().adjusted(2, 2, -2, -2);
    return w.form->grab(QRect(widget->mapTo(w.form.get(), area.topLeft()), area.size())).toImage();
}

} // namespace

TEST(Contrast, MessageBoxesAreReadable)
{
    Window w({});
    for (QMessageBox::Icon icon : {QMessageBox::Critical, QMessageBox::NoIcon}) {
        SCOPED_TRACE(icon);
        const auto box = MakeMessageBox(w.form.get(), icon, "Paceforge", "Please enter a distance.\r\nError: 5");
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        EXPECT_GE(RenderedContrast(box->grab(label->geometry()).toImage()), 4.5);
    }
}

TEST(Contrast, FieldsListCalendarAndSavedPanelAreReadable)
{
    TempStore store;
    store.add("sensor1", "latest", "2006-09-20 07;15;00.xml", WorkoutXml());
    store.add("sensor1", "synched", "2006-09-15 18;30;45.xml", WorkoutXml());
    Window w({store.drive()});
    std::vector<std::pair<std::string, QImage>> areas;
    const auto add = [&](const std::string& what, QWidget* widget, QRect area = {}) {
        areas.emplace_back(what, Shown(w, widget, area));
    };

    w.fill("5.25", "1", "05", "07", "160", "420");
    for (const char* name : {"tbxDistance", "tbxTimeHrs", "tbxWeight", "tbxCalories", "cbxiPodDrv", "DTPicker1",
             "lblDistance", "optMiles", "optKilograms"})
        add(name, w.find<QWidget>(name));
    // Every day of the month shown, the weekday names, the chosen day and the other months' days.
    auto* days = w.find<QCalendarWidget>("calMain")->findChild<QAbstractItemView*>("qt_calendar_calendarview");
    for (int row = 0; row < days->model()->rowCount(); ++row)
        for (int column = 0; column < days->model()->columnCount(); ++column)
            add("day " + std::to_string(row) + "," + std::to_string(column), days->viewport(),
                days->visualRect(days->model()->index(row, column)).adjusted(1, 1, -1, -1));

    w.click("imgExistingWorkout");
    auto* list = w.find<QTreeView>("ListView1");
    for (int row = 0; row < w.rowCount(); ++row) // the first row is selected
        add("row " + std::to_string(row), list->viewport(),
            list->visualRect(list->model()->index(row, 0)).united(list->visualRect(list->model()->index(row, 2))));

    w.form->ShowSavedPanel();
    for (const char* name : {"lblSaved", "lblSyncHint", "lblContinueHint"})
        add(name, w.find<QWidget>(name), w.find<QWidget>(name)->rect());

    ASSERT_GE(areas.size(), 60u);
    for (const auto& [what, picture] : areas) {
        SCOPED_TRACE(what);
        EXPECT_GE(RenderedContrast(picture), 4.5);
    }
}

namespace {

// Where a view draws an item's text, beside its icon.
QRect ItemTextArea(QAbstractItemView* view, const QModelIndex& index)
{
    class Probe final : public QStyledItemDelegate
    {
    public:
        using QStyledItemDelegate::initStyleOption;
    };
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = view->visualRect(index);
    const int small = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(small, small);
    Probe().initStyleOption(&option, index);
    return view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
}

// Every text a dialog shows, named, with the area of the dialog it is drawn in; pictures beside a
// text (a folder's icon) are left out, so that they cannot stand in for it.
std::vector<std::pair<QString, QRect>> TextAreas(QWidget* dialog)
{
    std::vector<std::pair<QString, QRect>> areas;
    const auto add = [&](QWidget* widget, const QString& text, QRect area) {
        if (!text.trimmed().isEmpty() && !area.isEmpty())
            areas.emplace_back(QString(text).remove(u'&'), QRect(widget->mapTo(dialog, area.topLeft()), area.size()));
    };
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(dialog) || widget->window() != dialog)
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            add(label, label->text(), label->contentsRect());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QRect text = button->rect().adjusted(4, 4, -4, -4);
            if (!button->icon().isNull()) { // centred together, the icon before the text
                const int textWidth = button->fontMetrics().horizontalAdvance(QString(button->text()).remove(u'&'));
                const int iconWidth = button->iconSize().width() + 4;
                text.setLeft((button->width() - iconWidth - textWidth) / 2 + iconWidth + 2);
            }
            add(button, button->text(), text);
        } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
            add(field, field->text(), field->rect().adjusted(3, 3, -3, -3));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            QRect text
                = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            if (!combo->itemIcon(combo->currentIndex()).isNull())
                text.setLeft(text.left() + combo->iconSize().width() + 4);
            add(combo, combo->currentText(), text.adjusted(1, 1, -1, -1));
        } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
            for (int section = 0; section < header->count(); ++section)
                if (!header->isSectionHidden(section))
                    add(header->viewport(), header->model()->headerData(section, header->orientation()).toString(),
                        QRect(
                            header->sectionViewportPosition(section), 0, header->sectionSize(section), header->height())
                            .adjusted(2, 2, -2, -2)
                            .intersected(header->viewport()->rect()));
        } else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                for (int column = 0; column < view->model()->columnCount(root); ++column) {
                    const QModelIndex index = view->model()->index(row, column, root);
                    add(view->viewport(), index.data().toString(),
                        ItemTextArea(view, index).adjusted(2, 0, 0, 0).intersected(view->viewport()->rect()));
                }
        } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
            add(bar, bar->text(), bar->rect().adjusted(2, 2, -2, -2));
        }
    }
    return areas;
}

} // namespace

// Every dialog the program shows, as the window shows it (the window's style sheet reaches it), with
// every text at least 4.5:1 against what is behind it.
TEST(Contrast, EveryDialogIsReadable)
{
    Window w({});
    QTemporaryDir folder;
    fs::create_directories(fs::path(folder.filePath("runs").toStdString()));
    std::ofstream(folder.filePath("2009-02-10_06-48-30.tcx").toStdString()) << "<x/>";
    std::map<QString, std::vector<std::pair<QString, QImage>>> texts;
    const auto read = [&](QWidget* dialog) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        if (auto* chooser = qobject_cast<QFileDialog*>(dialog)) {
            chooser->setDirectory(folder.path());
            auto* files = chooser->findChild<QFileSystemModel*>();
            ASSERT_NE(files, nullptr);
            ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(folder.path())) > 0; }));
            QApplication::processEvents();
        }
        auto& found = texts[dialog->objectName().isEmpty() ? dialog->windowTitle() : dialog->objectName()];
        for (const auto& [text, area] : TextAreas(dialog))
            found.emplace_back(text, dialog->grab(area).toImage());
    };
    MessageBoxDialogs dialogs(nullptr, [&](QDialog& dialog) {
        read(&dialog);
        dialog.reject();
    });

    QWidget* window = w.form.get();
    dialogs.chooseFolder(window, "Export all as TCX");
    dialogs.chooseSaveFile(window, "Export as TCX", "2009-02-10_06-48-30.tcx", "Training Center files (*.tcx)");
    dialogs.critical(window, "Unreadable Workout", "The file is not a readable workout.");
    dialogs.information(window, "No Backups", "Paceforge has kept no earlier version.");
    dialogs.informationOfferingFolder(window, "Export Finished", "1 of 1 workouts exported.");
    dialogs.showPath(window, "Help Page", "Open this file in a web browser:", folder.path());

    const fs::path workout = fs::path(folder.path().toStdString()) / "2006-09-15 06;00;00.xml";
    std::ofstream(workout) << WorkoutXml();
    Backups backups(w.backupsFolder(), w.clock, w.realFileSystem);
    ASSERT_TRUE(backups.backUp(workout, "IPOD", "4H7136ZXVSX", true).ok());
    dialogs.chooseBackup(window, "2006-09-15 06;00;00.xml",
        backups.list("IPOD", "4H7136ZXVSX", workout.filename().string()), backups, std::nullopt);

    const auto progress = dialogs.progress(window, "Exporting workouts...", 100);
    progress->update(40);
    auto* progressDialog = window->findChild<QProgressDialog*>("dlgProgress");
    ASSERT_NE(progressDialog, nullptr);
    read(progressDialog);

    const QStringList shown = {"dlgChooseFolder", "dlgSaveFile", "Unreadable Workout", "No Backups", "Export Finished",
        "dlgPath", "dlgRestore", "dlgProgress"};
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(shown.size()));
    for (const QString& dialog : shown) {
        SCOPED_TRACE(dialog.toStdString());
        ASSERT_TRUE(texts.count(dialog));
        QStringList names;
        for (const auto& [text, picture] : texts[dialog]) {
            names << text;
            SCOPED_TRACE(text.toStdString());
            EXPECT_GE(RenderedContrast(picture), 4.5);
        }
        if (dialog == "dlgSaveFile") {
            for (const char* text : {"Look in:", "File name:", "Files of type:", "runs"})
                EXPECT_TRUE(names.contains(text)) << text << " in " << names.join(", ").toStdString();
        }
    }
}

namespace {

// Text drawn beside coloured marks (a legend's swatches, a chart's bars): only the greys count.
double GreyTextContrast(const QImage& picture)
{
    QImage greys = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb ground = greys.pixel(0, 0);
    for (int y = 0; y < greys.height(); ++y)
        for (int x = 0; x < greys.width(); ++x)
            if (QColor(greys.pixel(x, y)).hsvSaturationF() > 0.3)
                greys.setPixel(x, y, ground);
    return RenderedContrast(greys);
}

// The parts of a chart that carry text: the title above the plot, the labels left of it and
// under it, and the legend.
std::vector<std::pair<std::string, QImage>> ChartTexts(QChartView* view)
{
    QChart* chart = view->chart();
    const QImage shot = view->grab().toImage();
    const QRect plot = view->mapFromScene(chart->mapToScene(chart->plotArea())).boundingRect();
    const QString name = view->objectName();
    std::vector<std::pair<std::string, QImage>> parts{
        {"title", shot.copy(QRect(QPoint(2, 2), QPoint(shot.width() - 3, plot.top() - 3)))},
        {"left labels", shot.copy(QRect(QPoint(2, plot.top() - 6), QPoint(plot.left() - 4, plot.bottom() + 6)))},
        {"bottom labels",
            shot.copy(
                QRect(QPoint(plot.left() - 10, plot.bottom() + 4), QPoint(plot.right() + 10, plot.bottom() + 24)))},
    };
    if (chart->legend()->isVisible())
        parts.emplace_back(
            "legend", shot.copy(view->mapFromScene(chart->mapToScene(chart->legend()->geometry())).boundingRect()));
    for (auto& [what, picture] : parts)
        what = name.toStdString() + " " + what;
    return parts;
}

} // namespace

TEST(Contrast, HistoryWindowItsChartsAndTheCorrectionAreReadable)
{
    TempStore store;
    store.add("sensor1", "latest", "2006-09-20 07;15;00.xml", WorkoutXml({.time = "2006-09-20T07:15:00-04:00"}));
    store.add("sensor1", "synched", "2006-08-15 18;30;45.xml",
        WorkoutXml({.time = "2006-08-15T18:30:45-04:00", .distance = "6.2000"}));
    store.add("sensor1", "synched", "2006-07-15 18;30;45.xml", "not a workout");
    Window w({store.drive()});
    w.form->ShowHistory();
    auto* history = w.form->findChild<HistoryWindow*>("historyWindow");
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(history));
    while (history->reading())
        QCoreApplication::processEvents();
    auto* table = history->findChild<QTableView*>("tblHistory");
    table->selectRow(0);
    std::vector<std::pair<std::string, QImage>> areas;
    const auto add = [&](const std::string& what, QWidget* widget, QRect area = {}) {
        ASSERT_NE(widget, nullptr) << what;
        if (area.isNull())
            area = widget->rect().adjusted(2, 2, -2, -2);
        areas.emplace_back(what,
            widget->window()->grab(QRect(widget->mapTo(widget->window(), area.topLeft()), area.size())).toImage());
    };
    for (int row = 0; row < table->model()->rowCount(); ++row) // the first selected, the last unreadable
        for (int column = 0; column < table->model()->columnCount(); ++column)
            if (!table->model()->data(table->model()->index(row, column)).toString().isEmpty())
                add("cell " + std::to_string(row) + "," + std::to_string(column), table->viewport(),
                    table->visualRect(table->model()->index(row, column)).adjusted(1, 1, -1, -1));
    for (int column = 0; column < table->model()->columnCount(); ++column)
        add("heading " + std::to_string(column), table->horizontalHeader(),
            QRect(table->horizontalHeader()->sectionViewportPosition(column) + 1, 1,
                table->horizontalHeader()->sectionSize(column) - 2, table->horizontalHeader()->height() - 2));
    for (const char* name : {"lblTotals", "lblReading", "cmdExportTcx", "cmdCorrectDistance", "chkRange", "dteSince",
             "optUnitMiles", "cbxPeriod"})
        add(name, history->findChild<QWidget*>(name));
    table->clearSelection();
    add("disabled button", history->findChild<QWidget*>("cmdRestore"));
    auto* tabs = history->findChild<QTabWidget*>("tabCharts");
    add("tabs", tabs->tabBar());

    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        auto* chart = qobject_cast<QChartView*>(tabs->currentWidget());
        if (!chart) { // the calendar
            for (const char* name : {"cbxCalendarYear", "lblCalendarTotals"})
                add(name, history->findChild<QWidget*>(name));
            continue;
        }
        for (auto& [what, picture] : ChartTexts(chart)) {
            SCOPED_TRACE(what);
            EXPECT_GE(GreyTextContrast(picture), 4.5);
        }
    }

    table->selectAll();
    history->correctDistance();
    auto* dialog = history->findChild<QDialog*>("dlgCorrectDistance");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxPercent"), "104");
    auto* preview = dialog->findChild<QTableWidget*>("tblPreview");
    ASSERT_EQ(preview->rowCount(), 2);
    for (int column = 0; column < 5; ++column)
        add("preview " + std::to_string(column), preview->viewport(),
            preview->visualItemRect(preview->item(0, column)).adjusted(1, 1, -1, -1));
    for (const char* name : {"lblIntro", "lblFactor", "optTrueDistance", "tbxPercent", "cmdApply", "cmdCancel"})
        add(name, dialog->findChild<QWidget*>(name));

    ASSERT_GE(areas.size(), 30u);
    for (const auto& [what, picture] : areas) {
        SCOPED_TRACE(what);
        EXPECT_GE(RenderedContrast(picture), 4.5);
    }
    dialog->reject();
}

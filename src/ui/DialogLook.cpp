#include "DialogLook.h"

#include "Artwork.h"

#include <QPalette>
#include <QWidget>

namespace paceforge {
namespace {

const QColor kDialog(0x1A, 0x1D, 0x22);
const QColor kField(0x0D, 0x0F, 0x12);
const QColor kButton(0x23, 0x27, 0x2E);
const QColor kLine(0x3A, 0x3F, 0x48);
const QColor kInk(0x11, 0x11, 0x11);
// Dimmed text, still 4.5:1 on the buttons, the lightest ground it stands on.
const QColor kDimmed(0x8A, 0x91, 0x9C);

QPalette DarkPalette()
{
    const QColor text = artwork::panelTextColor();
    QPalette palette;
    palette.setColor(QPalette::Window, kDialog);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, kField);
    palette.setColor(QPalette::AlternateBase, QColor(0x15, 0x18, 0x1D));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, kButton);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, text);
    palette.setColor(QPalette::Highlight, artwork::accentColor());
    palette.setColor(QPalette::HighlightedText, kInk);
    palette.setColor(QPalette::ToolTipBase, text);
    palette.setColor(QPalette::ToolTipText, kInk);
    palette.setColor(QPalette::PlaceholderText, kDimmed);
    palette.setColor(QPalette::Link, artwork::accentColor());
    palette.setColor(QPalette::Light, kLine);
    palette.setColor(QPalette::Midlight, QColor(0x2C, 0x30, 0x38));
    palette.setColor(QPalette::Mid, kButton);
    palette.setColor(QPalette::Dark, kField);
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, kDimmed);
    return palette;
}

} // namespace

void ApplyDialogLook(QWidget* dialog)
{
    dialog->setPalette(DarkPalette());
    // Every kind of widget the window's sheet styles is named here as well, since a dialog's own
    // sheet wins over the window's only where both set the same thing.
    dialog->setStyleSheet(QStringLiteral(
        "QDialog { background: #1A1D22; }"
        "QDialogButtonBox { dialogbuttonbox-buttons-have-icons: 0; }"
        "QLabel { color: %2; background: transparent; font-size: 12px; }"
        "QPushButton { background: #23272E; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 4px 14px; min-width: 48px; font-size: 12px; }"
        "QPushButton:default, QPushButton:hover, QPushButton:focus { border-color: %1; }"
        "QPushButton:pressed { background: #0D0F12; }"
        "QPushButton:disabled { color: %3; border-color: #2C3038; }"
        "QLineEdit, QComboBox { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 2px 4px; font-size: 12px; selection-background-color: %1; selection-color: #111; }"
        "QLineEdit:focus, QComboBox:focus, QComboBox:on { border-color: %1; }"
        "QComboBox QAbstractItemView { background: #1A1D22; color: %2; border: 1px solid #3A3F48;"
        "  selection-background-color: %1; selection-color: #111; }"
        "QTreeView, QListView { background: #0D0F12; color: %2; border: 1px solid #3A3F48; font-size: 12px;"
        "  alternate-background-color: #15181D; selection-background-color: %1; selection-color: #111; }"
        "QTreeView:focus, QListView:focus { border-color: %1; }"
        "QHeaderView { background: #23272E; }"
        "QHeaderView::section { background: #23272E; color: %2; border: 0; border-right: 1px solid #3A3F48;"
        "  padding: 2px 4px; font-size: 12px; font-weight: bold; }"
        "QToolButton { background: transparent; border: 1px solid transparent; border-radius: 3px; }"
        "QToolButton:hover, QToolButton:focus { border-color: %1; }"
        "QCheckBox { color: %2; font-size: 12px; }"
        // Light text over the deep accent reads as well as over the empty groove.
        "QProgressBar { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  text-align: center; font-size: 12px; }"
        "QProgressBar::chunk { background: #B0420C; }")
                              .arg(artwork::accentColor().name(), artwork::panelTextColor().name(), kDimmed.name()));
}

} // namespace paceforge

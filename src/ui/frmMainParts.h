#pragma once

// What the window's files share of how its elements are made and reached by the keyboard; not
// for use outside frmMain.

#include "ArtworkCache.h"
#include "Artwork.h"

#include <QKeySequence>
#include <QRect>
#include <QString>

#include <initializer_list>

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace paceforge {

class ImageButton;

namespace window {

inline const QString kProgramTitle = QStringLiteral("Paceforge");

// Elements are pressed, typed into and clicked; only the bare background moves the window.
template <typename W> inline W* Element(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setAttribute(Qt::WA_NoMousePropagation);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry);
QFrame* MakeFrame(QWidget* parent, const char* name, QRect geometry);
QLineEdit* MakeTextBox(QWidget* parent, const char* name, QRect geometry);
QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& text, QRect geometry, bool selected);
ImageButton* MakeButton(QWidget* parent, const char* name, QRect geometry, artwork::Glyph glyph, ArtworkCache& artwork);
ImageButton* MakeTab(
    QWidget* parent, const char* name, QRect geometry, const QString& caption, bool active, ArtworkCache& artwork);

inline const QKeySequence kSaveKeys(Qt::CTRL | Qt::Key_S);
inline const QKeySequence kRefreshKeys(Qt::Key_F5);
inline const QKeySequence kNewKeys(Qt::CTRL | Qt::Key_N);
inline const QKeySequence kExistingKeys(Qt::CTRL | Qt::Key_E);
inline const QKeySequence kHelpKeys(Qt::Key_F1);
inline const QKeySequence kCloseKeys(Qt::CTRL | Qt::Key_Q);
inline const QKeySequence kHistoryKeys(Qt::CTRL | Qt::Key_H);

// "Save (Ctrl+S)"
QString WithKeys(const QString& text, const QKeySequence& keys);
bool IsWindowShortcut(const QKeyEvent* event);
bool IsActivationKey(const QKeyEvent* event);
void SetUnitStops(std::initializer_list<QRadioButton*> radios);

} // namespace window
} // namespace paceforge

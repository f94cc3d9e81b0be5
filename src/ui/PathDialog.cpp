#include "PathDialog.h"

#include "DialogLook.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace paceforge {

PathDialog::PathDialog(const QString& title, const QString& text, const QString& path, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPath"));
    setWindowTitle(title);
    setModal(true);
    setMinimumWidth(440);
    ApplyDialogLook(this);

    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("lblPathText"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);

    auto* field = new QLineEdit(path, this);
    field->setObjectName(QStringLiteral("txtPath"));
    field->setReadOnly(true);
    field->setAccessibleName(QStringLiteral("Path"));
    field->setMinimumWidth(std::min(field->fontMetrics().horizontalAdvance(path) + 24, 640));
    field->setCursorPosition(0);
    label->setBuddy(field);

    auto* copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    copy->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(copy, QDialogButtonBox::ActionRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(copy, &QPushButton::clicked, this, [field, path] {
        QGuiApplication::clipboard()->setText(path);
        field->selectAll();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    // Selected from the start, so that Ctrl+C copies it as well.
    field->selectAll();
    field->setFocus();
}

} // namespace paceforge

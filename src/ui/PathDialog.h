#pragma once

#include <QDialog>

namespace paceforge {

// A path the desktop could not open, shown so that the user can select or copy it and open it
// another way.
class PathDialog final : public QDialog
{
    Q_OBJECT
public:
    PathDialog(const QString& title, const QString& text, const QString& path, QWidget* parent = nullptr);
};

} // namespace paceforge

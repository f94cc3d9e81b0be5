#pragma once

#include <QString>

class QWidget;

namespace paceforge {

// The window reports through this, never through QMessageBox directly, so that tests record
// messages instead of blocking on them.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Modal, critical icon, one OK button.
    virtual void critical(QWidget* parent, const QString& title, const QString& text) = 0;
    // Modal, no icon, one OK button.
    virtual void plain(QWidget* parent, const QString& title, const QString& text) = 0;
};

class MessageBoxDialogs final : public Dialogs
{
public:
    void critical(QWidget* parent, const QString& title, const QString& text) override;
    void plain(QWidget* parent, const QString& title, const QString& text) override;
};

} // namespace paceforge

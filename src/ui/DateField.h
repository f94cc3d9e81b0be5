#pragma once

#include <QDate>
#include <QLocale>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QFrame;
class QToolButton;

namespace paceforge {

// A date typed whole (ParseTypedDate) or picked on a calendar. Text that is no date frames the
// field in red and keeps the date it had; the field's own QLineEdit carries the object name given.
class DateField final : public QWidget
{
    Q_OBJECT
public:
    DateField(const QString& objectName, QLocale locale, QWidget* parent = nullptr);

    QDate date() const { return m_date; }
    // Shown at once, without dateChanged.
    void setDate(const QDate& date);
    bool rejected() const { return m_rejected; }

signals:
    void dateChanged(const QDate& date);
    // The text typed is no date; the date stays as it was.
    void textRejected(const QString& text);

private:
    void readTyped();
    void picked(const QDate& date);
    void markRejected(bool rejected);

    QLocale m_locale;
    QDate m_date;
    bool m_rejected = false;
    QLineEdit* m_edit;
    QToolButton* m_pick;
    QFrame* m_popup;
    QCalendarWidget* m_calendar;
};

} // namespace paceforge

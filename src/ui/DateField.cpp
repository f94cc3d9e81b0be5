#include "DateField.h"

#include "history/TypedDate.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace paceforge {

DateField::DateField(const QString& objectName, QLocale locale, QWidget* parent)
    : QWidget(parent),
      m_locale(std::move(locale)),
      m_edit(new QLineEdit(this)),
      m_pick(new QToolButton(this)),
      m_popup(new QFrame(this, Qt::Popup)),
      m_calendar(new QCalendarWidget(m_popup))
{
    m_edit->setObjectName(objectName);
    m_edit->setPlaceholderText(TypedDateForms(m_locale));
    m_edit->setToolTip(QStringLiteral("Type a date as %1, or pick it on the calendar").arg(TypedDateForms(m_locale)));
    // Room for a short date typed in four-digit years, not more.
    m_edit->setMaximumWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) * 3 / 2 + 12);
    m_pick->setObjectName(objectName + QStringLiteral("Calendar"));
    m_pick->setText(QStringLiteral("\u25BE"));
    m_pick->setToolTip(QStringLiteral("Pick the date on a calendar"));
    m_pick->setAccessibleName(QStringLiteral("Calendar"));
    m_calendar->setObjectName(objectName + QStringLiteral("Popup"));
    m_calendar->setLocale(m_locale);
    m_calendar->setGridVisible(false);
    auto* holder = new QHBoxLayout(m_popup);
    holder->setContentsMargins(1, 1, 1, 1);
    holder->addWidget(m_calendar);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_edit);
    layout->addWidget(m_pick);
    setFocusProxy(m_edit);

    connect(m_edit, &QLineEdit::editingFinished, this, &DateField::readTyped);
    // The red frame goes as soon as the user mends the text.
    connect(m_edit, &QLineEdit::textEdited, this, [this] { markRejected(false); });
    connect(m_pick, &QToolButton::clicked, this, [this] {
        m_calendar->setSelectedDate(m_date.isValid() ? m_date : QDate::currentDate());
        m_popup->adjustSize();
        m_popup->move(m_edit->mapToGlobal(QPoint(0, m_edit->height())));
        m_popup->show();
        m_calendar->setFocus(Qt::PopupFocusReason);
    });
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateField::picked);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateField::picked);
}

void DateField::setDate(const QDate& date)
{
    m_date = date;
    m_edit->setText(TypedDateText(date));
    markRejected(false);
}

void DateField::readTyped()
{
    const QString text = m_edit->text();
    const std::optional<QDate> typed = ParseTypedDate(text, m_locale);
    if (!typed) {
        markRejected(true);
        emit textRejected(text);
        return;
    }
    markRejected(false);
    // Shown as the field writes dates, so that "1/31/09" reads back as the date it became.
    m_edit->setText(TypedDateText(*typed));
    if (*typed == m_date)
        return;
    m_date = *typed;
    emit dateChanged(m_date);
}

void DateField::picked(const QDate& date)
{
    m_popup->hide();
    const bool changed = date != m_date;
    setDate(date);
    if (changed)
        emit dateChanged(m_date);
}

void DateField::markRejected(bool rejected)
{
    if (rejected == m_rejected)
        return;
    m_rejected = rejected;
    // The window's style sheet draws a field marked "rejected" in red.
    m_edit->setProperty("rejected", rejected);
    m_edit->style()->unpolish(m_edit);
    m_edit->style()->polish(m_edit);
}

} // namespace paceforge

#pragma once

#include <QDate>
#include <QDateTime>

namespace paceforge {

// The computer's clock; tests replace it to fix "today".
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const { return QDate::currentDate(); }
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

} // namespace paceforge

// The only source of today's date, so that date-dependent behaviour can be tested on any day.
#pragma once

#include <QDate>

namespace lumiro::platform {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;

    // Local calendar date of this machine.
    static const Clock& system();
};

class FixedClock : public Clock {
  public:
    explicit FixedClock(QDate date) : date_(date) {}
    void set(QDate date) { date_ = date; }
    QDate today() const override { return date_; }

  private:
    QDate date_;
};

}  // namespace lumiro::platform

// The system clock and its time format.
#pragma once

#include <QString>

class Clock {
public:
    virtual ~Clock() = default;
    /// The current time of day in the system's time format, with hours, minutes and seconds.
    virtual QString timeOfDay() const = 0;
};

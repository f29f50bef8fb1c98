#pragma once
// A test's side of the virtual clock: actions run at set times, and what the
// device received, as "ms text" pairs or as the texts alone.

#include "core/Clock.h"
#include "device/PortLink.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace zovt::test {

// Runs each action at its virtual time, inside whatever wait is running then.
class Timeline {
public:
    explicit Timeline(Clock &clock) : m_clock(clock) {}
    void at(qint64 ms, std::function<void()> f);

private:
    Clock &m_clock;
    std::vector<std::unique_ptr<ClockTimer>> m_actions;
};

// "ms text" per write, ms counted from mark.
QStringList writesOf(const RecordingPort &port, qint64 mark = 0);
QStringList textsOf(const RecordingPort &port);

} // namespace zovt::test

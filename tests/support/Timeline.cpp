#include "support/Timeline.h"

namespace zovt::test {

void Timeline::at(qint64 ms, std::function<void()> f)
{
    auto t = m_clock.createTimer();
    t->setSingleShot(true);
    t->setInterval(int(ms - m_clock.nowMs()));
    t->setCallback(std::move(f));
    t->start();
    m_actions.push_back(std::move(t));
}

QStringList writesOf(const RecordingPort &port, qint64 mark)
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QStringLiteral("%1 %2").arg(w.ms - mark).arg(QString::fromLatin1(w.text));
    return out;
}

QStringList textsOf(const RecordingPort &port)
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QString::fromLatin1(w.text);
    return out;
}

} // namespace zovt::test

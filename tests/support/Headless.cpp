#include "support/Headless.h"

#include "ui/MainWindowDesign.h"

namespace zovt::test {

Headless::Headless()
{
    clock.setProcessQtEvents(false);
}

void Headless::at(qint64 ms, std::function<void()> f)
{
    auto t = clock.createTimer();
    t->setSingleShot(true);
    t->setInterval(int(ms - clock.nowMs()));
    t->setCallback(std::move(f));
    t->start();
    m_actions.push_back(std::move(t));
}

QStringList Headless::writes() const
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QStringLiteral("%1 %2").arg(w.ms).arg(QString::fromLatin1(w.text));
    return out;
}

QStringList Headless::texts() const
{
    QStringList out;
    for (const auto &w : port.writes())
        out << QString::fromLatin1(w.text);
    return out;
}

} // namespace zovt::test

#include "device/WriteTimings.h"

#include "device/VaComm.h"

#include <algorithm>

namespace zovt {


WriteTimings::WriteTimings()
{
    TVaComm::setWriteProbe([this](qint64 wakeNs, qint64 wakeLateNs, qint64 calledNs, qint64 returnedNs) {
        m_samples.push_back({wakeNs, wakeLateNs, calledNs, returnedNs});
    });
}

WriteTimings::~WriteTimings() { TVaComm::setWriteProbe(nullptr); }

WriteTimings::Spread WriteTimings::spread(qint64 (WriteTiming::*length)() const) const
{
    if (m_samples.empty())
        return {};
    std::vector<qint64> ns;
    ns.reserve(m_samples.size());
    for (const WriteTiming &t : m_samples)
        ns.push_back((t.*length)());
    std::sort(ns.begin(), ns.end());
    return {double(ns[ns.size() / 2]) / 1e6, double(ns.back()) / 1e6};
}

QString WriteTimings::summary() const
{
    const Spread late = wakeLate();
    const Spread own = wakeToCall();
    const Spread kernel = call();
    const auto ms = [](double v) { return QString::number(v, 'f', 3); };
    return QStringLiteral("timer to write: median %1 ms, max %2 ms over %3 %4; the write() call itself: median %5 ms, "
                          "max %6 ms; the timer's wake after its due time: median %7 ms, max %8 ms")
        .arg(ms(own.medianMs), ms(own.maxMs))
        .arg(m_samples.size())
        .arg(m_samples.size() == 1 ? QStringLiteral("write") : QStringLiteral("writes"))
        .arg(ms(kernel.medianMs), ms(kernel.maxMs), ms(late.medianMs), ms(late.maxMs));
}

} // namespace zovt

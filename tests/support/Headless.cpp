#include "support/Headless.h"

#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "ui/MainWindowDesign.h"

namespace zovt::test {

Headless::Headless()
{
    clock.setProcessQtEvents(false);
    ctx.ops.bindUnbound([this](const QString &name) { calls << name; });
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

void loadProgram(ControlSurface &ui, ProgramController &programs, const QStringList &lines)
{
    ui.setLines(QStringLiteral("NacistMemo"), lines);
    try {
        programs.VyplnZaklMemo();
    } catch (const ConvertError &) {
    }
}

void selectEntry(ControlSurface &ui, ProgramController &programs, int entry)
{
    ui.setIndex(QStringLiteral("Zakladmemo"), entry);
    try {
        programs.ZakladMemoCliknul();
    } catch (const ConvertError &) {
    }
}

} // namespace zovt::test

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

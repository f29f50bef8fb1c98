#include "panels/GeneratorMode.h"

#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "i18n/Catalogue.h"
#include "core/Form19Names.h"

namespace zovt {

namespace {
constexpr int kPortInfoText = 2008;
constexpr int kClientNeededText = 2009;
} // namespace

GeneratorMode::GeneratorMode(AppContext &ctx) : m_ctx(ctx) {}

void GeneratorMode::Orva_Tlac()
{
    ControlSurface &ui = m_ctx.ui;
    // Flip generator mode and its panel.
    const bool on = !ui.isChecked(f19::OrvaTGener);
    ui.setChecked(f19::OrvaTGener, on);
    ui.setVisible(f19::Panel5, on);
    // The selected program again, its frequencies masked in generator mode.
    Operations::run(m_ctx.ops.ZakladMemoCliknul);
    // No client yet: ask for one.
    if (ui.text(f19::Jmeno).isEmpty())
        Operations::run(m_ctx.ops.KlientOpen);
    // Still none: generator mode needs a client, so switch it off again.
    if (ui.text(f19::Jmeno).isEmpty()) {
        m_ctx.dialogs.message(Catalogue::mainWindow().FATisk(kClientNeededText, m_ctx.state.Languagem));
        ui.setChecked(f19::OrvaTGener, false);
        ui.setVisible(f19::Panel5, false);
    }
}

void GeneratorMode::BtnInfo()
{
    m_ctx.dialogs.message(Catalogue::mainWindow().FATisk(kPortInfoText, m_ctx.state.Languagem));
}

void GeneratorMode::InfoPopis() { m_ctx.ui.setVisible(f19::PopisP1, true); }
void GeneratorMode::ClosePopis() { m_ctx.ui.setVisible(f19::PopisP1, false); }
void GeneratorMode::InfoPopis2() { m_ctx.ui.setVisible(f19::PopisP2, true); }
void GeneratorMode::ClosePopis2() { m_ctx.ui.setVisible(f19::PopisP2, false); }

} // namespace zovt

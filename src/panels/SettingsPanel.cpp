#include "panels/SettingsPanel.h"

#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/Waits.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <iterator>

namespace zovt {

void readLightingSelections(ControlSurface &ui)
{
    const QStringList l = files::readLines(paths::LightSettingsFile);
    for (int i = 0; i < int(std::size(f19::LightingGroups)); ++i) {
        const QString group = QString::fromLatin1(f19::LightingGroups[i].name);
        const QString line = i < l.size() ? l.at(i).trimmed() : QString();
        const auto malformed = [&] {
            return ReadError(QStringLiteral("%1: line %2 is not an item of %3").arg(paths::LightSettingsFile).arg(i + 1).arg(group).toStdString());
        };
        // One whole number and nothing else: "1 2" is no selection.
        if (line.isEmpty() || line.contains(QLatin1Char(' ')) || line.contains(QLatin1Char('\t')))
            throw malformed();
        const int k = files::parseLineInteger(line, paths::LightSettingsFile);
        if (k < 0 || k >= f19::LightingGroups[i].items)
            throw malformed();
        ui.setIndex(group, k);
    }
}

SettingsPanel::SettingsPanel(AppContext &ctx) : m_ctx(ctx) {}

bool SettingsPanel::fullPanelShown() const { return m_ctx.ui.isVisible(f19::PanelSettig); }

void SettingsPanel::SettingClick()
{
    ControlSurface &ui = m_ctx.ui;
    if (!ui.isEnabled(f19::Konec))
        return;
    ui.setVisible(f19::Setting, false);
    ui.setVisible(f19::PanelSettig, true);
    ui.setVisible(f19::PanelSettigCOM, true);
    ui.setVisible(f19::Panel8, ui.isChecked(f19::VerzeSwZovT));
    ui.setChecked(f19::CloseByStop, files::exists(paths::CloseByStopFlag));
    ui.setChecked(f19::VisDBZ, files::exists(paths::VisDbzFlag));
    ui.setChecked(f19::OpakVSEZ, files::exists(paths::RepeatAllFlag));
    ui.setText(f19::COM_Nr, files::exists(paths::ComNrFile) ? files::readFirstLine(paths::ComNrFile) : QString());
    // A malformed line stops here; the panel stays open with what was applied.
    if (files::exists(paths::LightSettingsFile))
        readLightingSelections(ui);
}

void SettingsPanel::ShowComStripAlone()
{
    ControlSurface &ui = m_ctx.ui;
    m_offered = files::exists(paths::ComNrFile) ? files::readFirstLine(paths::ComNrFile) : QString();
    ui.setText(f19::COM_Nr, m_offered);
    ui.setVisible(f19::PanelSettig, false);
    ui.setVisible(f19::PanelSettigCOM, true);
}

bool SettingsPanel::COM_NrExit()
{
    ControlSurface &ui = m_ctx.ui;
    const QString t = ui.text(f19::COM_Nr);
    if (t == QLatin1String(ServiceCode)) {
        ui.setVisible(f19::C_Max, true);
        return true;
    }
    ui.setVisible(f19::C_Max, false);
    if (t.isEmpty())
        return true;
    const auto digit = [](QChar c, char lo) { return c >= QLatin1Char(lo) && c <= QLatin1Char('9'); };
    const bool ok = (t.size() == 1 || t.size() == 2) && digit(t.at(0), '1') && (t.size() == 1 || digit(t.at(1), '0'));
    if (ok)
        return true;
    m_ctx.dialogs.message(Catalogue::mainWindow().FATisk(122, m_ctx.state.Languagem));
    ui.setText(f19::COM_Nr, QString());
    return false;
}

void SettingsPanel::VerzeSwZovTClick()
{
    const bool on = m_ctx.ui.isChecked(f19::VerzeSwZovT);
    files::setFlag(paths::NewFirmwareFlag, on);
    m_ctx.ui.setVisible(f19::Panel8, on);
}

void SettingsPanel::SettSaveClick()
{
    ControlSurface &ui = m_ctx.ui;
    const bool full = fullPanelShown();
    ui.setVisible(f19::SettSave, false);
    if (full) {
        if (ui.isChecked(f19::VerzeSwZovT)) {
            files::writeLines(paths::LightSettingsFile,
                              {QString::number(ui.index(f19::R_Night)),
                               QString::number(ui.index(f19::R_Stadby)),
                               QString::number(ui.index(f19::R_Power)), QString(), QString(), QString(),
                               QString()});
            // The panel may have been left open when a program was started.
            m_ctx.device.takeTurn([this] { m_ctx.device.settingsLighting(); });
        } else {
            files::remove(paths::LightSettingsFile);
        }
    }
    const QString com = ui.text(f19::COM_Nr);
    // After a start-up port error, OK on the field as it was offered must
    // store nothing the operator did not type: a first line such as " 7 "
    // (read as 7 at start-up) would otherwise be deleted, and the question
    // also follows errors that no other number mends (a port held by
    // another program).
    const bool typed = full || com != m_offered;
    if (typed && com != QLatin1String(ServiceCode)) {
        if (com.size() == 1 || com.size() == 2)
            files::writeLines(paths::ComNrFile, {com});
        else
            files::remove(paths::ComNrFile);
    }
    if (full) {
        files::setFlag(paths::VisDbzFlag, ui.isChecked(f19::VisDBZ));
        files::setFlag(paths::RepeatAllFlag, ui.isChecked(f19::OpakVSEZ));
        files::setFlag(paths::CloseByStopFlag, ui.isChecked(f19::CloseByStop));
    }
    ui.setVisible(f19::OpenSBZ, files::exists(paths::VisDbzFlag));
    const bool repeat = files::exists(paths::RepeatAllFlag);
    ui.show({f19::Kikratebar, f19::Kolikrate}, repeat);
    ui.setVisible(f19::SettSave, true);
    if (!full) {
        Operations::run(m_ctx.ops.Konec);
        return;
    }
    ui.setVisible(f19::Setting, true);
    ui.show({f19::PanelSettig, f19::PanelSettigCOM}, false);
}

void SettingsPanel::CloseSettClick()
{
    if (!fullPanelShown()) {
        Operations::run(m_ctx.ops.Konec);
        return;
    }
    m_ctx.ui.setVisible(f19::Setting, true);
    m_ctx.ui.show({f19::PanelSettig, f19::PanelSettigCOM}, false);
}

void SettingsPanel::C_MaxClick()
{
    m_ctx.device.takeTurn([this] { m_ctx.device.maxCycle(); });
}

} // namespace zovt

#include "device/SettingsPanel.h"

#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/Waits.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "core/ControlSurface.h"

namespace zovt {

namespace {
const QString kPanel = QStringLiteral("PanelSettig");
const QString kStrip = QStringLiteral("PanelSettigCOM");
const QString kComNr = QStringLiteral("COM_Nr");
} // namespace

void readLightingSelections(ControlSurface &ui)
{
    const QStringList l = files::readLines(paths::LightSettingsFile);
    const char *groups[] = {"R_Night", "R_Stadby", "R_Power"};
    for (int i = 0; i < 3; ++i) {
        const QString group = QString::fromLatin1(groups[i]);
        const QString line = i < l.size() ? l.at(i).trimmed() : QString();
        const auto malformed = [&] {
            return ReadError(QStringLiteral("%1: line %2 is not an item of %3").arg(paths::LightSettingsFile).arg(i + 1).arg(group).toStdString());
        };
        // One whole number and nothing else: "1 2" is no selection.
        if (line.isEmpty() || line.contains(QLatin1Char(' ')) || line.contains(QLatin1Char('\t')))
            throw malformed();
        const int k = files::parseLineInteger(line, paths::LightSettingsFile);
        if (k < 0 || k >= DeviceLink::lightingItems(group))
            throw malformed();
        ui.setIndex(group, k);
    }
}

SettingsPanel::SettingsPanel(AppContext &ctx) : m_ctx(ctx) {}

bool SettingsPanel::fullPanelShown() const { return m_ctx.ui.isVisible(kPanel); }

void SettingsPanel::SettingClick()
{
    ControlSurface &ui = m_ctx.ui;
    if (!ui.isEnabled(QStringLiteral("Konec")))
        return;
    ui.setVisible(QStringLiteral("Setting"), false);
    ui.setVisible(kPanel, true);
    ui.setVisible(kStrip, true);
    ui.setVisible(QStringLiteral("Panel8"), ui.isChecked(QStringLiteral("VerzeSwZovT")));
    ui.setChecked(QStringLiteral("CloseByStop"), files::exists(paths::CloseByStopFlag));
    ui.setChecked(QStringLiteral("VisDBZ"), files::exists(paths::VisDbzFlag));
    ui.setChecked(QStringLiteral("OpakVSEZ"), files::exists(paths::RepeatAllFlag));
    ui.setText(kComNr, files::exists(paths::ComNrFile) ? files::readFirstLine(paths::ComNrFile) : QString());
    // A malformed line stops here; the panel stays open with what was applied.
    if (files::exists(paths::LightSettingsFile))
        readLightingSelections(ui);
}

void SettingsPanel::ShowComStripAlone()
{
    ControlSurface &ui = m_ctx.ui;
    ui.setText(kComNr, files::exists(paths::ComNrFile) ? files::readFirstLine(paths::ComNrFile) : QString());
    ui.setVisible(kPanel, false);
    ui.setVisible(kStrip, true);
}

bool SettingsPanel::COM_NrExit()
{
    ControlSurface &ui = m_ctx.ui;
    const QString t = ui.text(kComNr);
    if (t == QLatin1String(ServiceCode)) {
        ui.setVisible(QStringLiteral("C_Max"), true);
        return true;
    }
    ui.setVisible(QStringLiteral("C_Max"), false);
    if (t.isEmpty())
        return true;
    const auto digit = [](QChar c, char lo) { return c >= QLatin1Char(lo) && c <= QLatin1Char('9'); };
    const bool ok = (t.size() == 1 || t.size() == 2) && digit(t.at(0), '1') && (t.size() == 1 || digit(t.at(1), '0'));
    if (ok)
        return true;
    m_ctx.dialogs.message(Catalogue::mainWindow().FATisk(122, m_ctx.state.Languagem));
    ui.setText(kComNr, QString());
    return false;
}

void SettingsPanel::VerzeSwZovTClick()
{
    const bool on = m_ctx.ui.isChecked(QStringLiteral("VerzeSwZovT"));
    files::setFlag(paths::NewFirmwareFlag, on);
    m_ctx.ui.setVisible(QStringLiteral("Panel8"), on);
}

void SettingsPanel::SettSaveClick()
{
    ControlSurface &ui = m_ctx.ui;
    const bool full = fullPanelShown();
    ui.setVisible(QStringLiteral("SettSave"), false);
    if (full) {
        if (ui.isChecked(QStringLiteral("VerzeSwZovT"))) {
            files::writeLines(paths::LightSettingsFile,
                              {QString::number(ui.index(QStringLiteral("R_Night"))),
                               QString::number(ui.index(QStringLiteral("R_Stadby"))),
                               QString::number(ui.index(QStringLiteral("R_Power"))), QString(), QString(), QString(),
                               QString()});
            // The panel may have been left open when a program was started.
            m_ctx.device.takeTurn([this] { m_ctx.device.settingsLighting(); });
        } else {
            files::remove(paths::LightSettingsFile);
        }
    }
    const QString com = ui.text(kComNr);
    if (com != QLatin1String(ServiceCode)) {
        if (com.size() == 1 || com.size() == 2)
            files::writeLines(paths::ComNrFile, {com});
        else
            files::remove(paths::ComNrFile);
    }
    if (full) {
        files::setFlag(paths::VisDbzFlag, ui.isChecked(QStringLiteral("VisDBZ")));
        files::setFlag(paths::RepeatAllFlag, ui.isChecked(QStringLiteral("OpakVSEZ")));
        files::setFlag(paths::CloseByStopFlag, ui.isChecked(QStringLiteral("CloseByStop")));
    }
    ui.setVisible(QStringLiteral("OpenSBZ"), files::exists(paths::VisDbzFlag));
    const bool repeat = files::exists(paths::RepeatAllFlag);
    ui.show({"Kikratebar", "Kolikrate"}, repeat);
    ui.setVisible(QStringLiteral("SettSave"), true);
    if (!full) {
        Operations::run(m_ctx.ops.Konec);
        return;
    }
    ui.setVisible(QStringLiteral("Setting"), true);
    ui.show({"PanelSettig", "PanelSettigCOM"}, false);
}

void SettingsPanel::CloseSettClick()
{
    if (!fullPanelShown()) {
        Operations::run(m_ctx.ops.Konec);
        return;
    }
    m_ctx.ui.setVisible(QStringLiteral("Setting"), true);
    m_ctx.ui.show({"PanelSettig", "PanelSettigCOM"}, false);
}

void SettingsPanel::C_MaxClick()
{
    m_ctx.device.takeTurn([this] { m_ctx.device.maxCycle(); });
}

} // namespace zovt

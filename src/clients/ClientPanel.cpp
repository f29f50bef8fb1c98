#include "clients/ClientPanel.h"

#include "clients/ClientFields.h"
#include "clients/ClientFile.h"
#include "clients/ClientLine.h"
#include "clients/ClientPaths.h"
#include "storage/FileVisible.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/Waits.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "core/Form19Names.h"

namespace zovt {

ClientPanel::ClientPanel(AppContext &ctx) : m_ctx(ctx) {}

void ClientPanel::show(const ClientRecord &r)
{
    for (const ClientField &f : ClientFields)
        m_ctx.ui.setText(QString::fromLatin1(f.control), r.*f.member);
}

// The cleared panel shows "88" in all three date fields, the year included.
void ClientPanel::clearFields()
{
    ClientRecord empty;
    empty.Datum_naroz_den = empty.Datum_naroz_mesic = empty.Datum_naroz_rok = DatePlaceholder;
    show(empty);
    m_ctx.ui.setText(f19::Poznamka3, QString());
}

void ClientPanel::Nactiklient()
{
    ControlSurface &ui = m_ctx.ui;
    if (const std::optional<QString> handedOver = takeClientHandOff())
        ui.setText(f19::PRSAdresaAkt, *handedOver);
    if (ui.text(f19::PRSAdresaAkt).isEmpty())
        return;

    clearFields();
    ui.clear(f19::MemoWish);
    m_AdresaAkt = ui.text(f19::PRSAdresaAkt);
    m_ctx.waits.TimenZapsat1();

    if (files::fileExists(m_AdresaAkt)) {
        const ClientRecord r = readClientFile(m_AdresaAkt);
        show(r);
        // A file without its key line keeps its protocol under its own name,
        // not in one " SUMA.txt" shared by every such client.
        m_AdresaAkt = r.AdresaAkt.isEmpty() ? clientKeyOfFile(m_AdresaAkt) : r.AdresaAkt;
        m_PodadrJm = r.PodadrJm;
        const ClientPaths p = deriveClientPaths(ui.text(f19::PRSAdresaPresmerovani), m_PodadrJm, m_AdresaAkt);
        ui.setText(f19::PRSAdresKlentaData, p.PRSAdresKlentaData);
        ui.setText(f19::SouborProtokSuma, p.SouborProtokSuma);
        m_SoubExporAdr = p.SoubExporAdr;
        ui.setText(f19::SouborProtokSumaSUM, paths::ProtocolWorkCopy);
        ui.setText(f19::PRSAdresaProt, p.SouborProtokSuma);
    }
    // A companion may have handed over the same client during the pause.
    files::remove(paths::ClientHandOff);
}

void ClientPanel::KlientOpen()
{
    ControlSurface &ui = m_ctx.ui;
    const std::optional<QString> chosen = m_ctx.dialogs.openFile(
        {ui.text(f19::KlientOpen), ui.text(f19::PRSAdresaDBZ), QStringLiteral("*.txt"), QString()});
    if (!chosen)
        return;
    writeClientHandOff(paths::ClientHandOff, *chosen);
    waitUntilVisible(m_ctx.clock, paths::ClientHandOff, [this] { m_ctx.waits.ZapsatCOM(); });
    // A program handed over for the previous client is not to be loaded for
    // this one.
    files::remove(paths::ProgramHandOff);
    Nactiklient();
}

void ClientPanel::Novy() { Operations::run(m_ctx.ops.openClientEditor); }

void ClientPanel::DeleteJm()
{
    clearFields();
    for (const char *name : {f19::PRSAdresaAkt, f19::PRSAdresaProt, f19::PRSAdresKlentaData})
        m_ctx.ui.setText(name, QString());
}

void ClientPanel::fillFromClientLine(const QString &record)
{
    // The record is the text after the header's first "="; a "=" inside it
    // belongs to a field.
    show(parseClientLine(QLatin1Char('=') + record));
}

} // namespace zovt

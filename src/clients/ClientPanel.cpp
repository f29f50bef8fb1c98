#include "clients/ClientPanel.h"

#include "clients/ClientFile.h"
#include "clients/ClientLine.h"
#include "clients/ClientPaths.h"
#include "clients/FileVisible.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/Waits.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"

namespace zovt {

namespace {

const QString kPRSAdresaAkt = QStringLiteral("PRSAdresaAkt");
const QString kPRSAdresaProt = QStringLiteral("PRSAdresaProt");
const QString kPRSAdresKlentaData = QStringLiteral("PRSAdresKlentaData");
const QString kPRSAdresaDBZ = QStringLiteral("PRSAdresaDBZ");
const QString kPRSAdresaPresmerovani = QStringLiteral("PRSAdresaPresmerovani");
const QString kSouborProtokSuma = QStringLiteral("SouborProtokSuma");
const QString kSouborProtokSumaSUM = QStringLiteral("SouborProtokSumaSUM");

} // namespace

ClientPanel::ClientPanel(AppContext &ctx) : m_ctx(ctx) {}

void ClientPanel::show(const ClientRecord &r)
{
    ControlSurface &ui = m_ctx.ui;
    ui.setText(QStringLiteral("Prijmeni"), r.Prijmeni);
    ui.setText(QStringLiteral("Jmeno"), r.Jmeno);
    ui.setText(QStringLiteral("JmenoFix"), r.JmenoFix);
    ui.setText(QStringLiteral("Datum_naroz_den"), r.Datum_naroz_den);
    ui.setText(QStringLiteral("Datum_naroz_mesic"), r.Datum_naroz_mesic);
    ui.setText(QStringLiteral("Datum_naroz_rok"), r.Datum_naroz_rok);
    ui.setText(QStringLiteral("Bydliste1"), r.Bydliste1);
    ui.setText(QStringLiteral("Bydliste2"), r.Bydliste2);
    ui.setText(QStringLiteral("Poznamka1"), r.Poznamka1);
    ui.setText(QStringLiteral("Poznamka2"), r.Poznamka2);
    ui.setText(QStringLiteral("Telefon"), r.Telefon);
    ui.setText(QStringLiteral("Email"), r.Email);
}

ClientRecord ClientPanel::shown() const
{
    const ControlSurface &ui = m_ctx.ui;
    ClientRecord r;
    r.Prijmeni = ui.text(QStringLiteral("Prijmeni"));
    r.Jmeno = ui.text(QStringLiteral("Jmeno"));
    r.JmenoFix = ui.text(QStringLiteral("JmenoFix"));
    r.Datum_naroz_den = ui.text(QStringLiteral("Datum_naroz_den"));
    r.Datum_naroz_mesic = ui.text(QStringLiteral("Datum_naroz_mesic"));
    r.Datum_naroz_rok = ui.text(QStringLiteral("Datum_naroz_rok"));
    r.Bydliste1 = ui.text(QStringLiteral("Bydliste1"));
    r.Bydliste2 = ui.text(QStringLiteral("Bydliste2"));
    r.Poznamka1 = ui.text(QStringLiteral("Poznamka1"));
    r.Poznamka2 = ui.text(QStringLiteral("Poznamka2"));
    r.Telefon = ui.text(QStringLiteral("Telefon"));
    r.Email = ui.text(QStringLiteral("Email"));
    return r;
}

// The cleared panel shows "88" in all three date fields, the year included.
void ClientPanel::clearFields()
{
    ClientRecord empty;
    empty.Datum_naroz_den = empty.Datum_naroz_mesic = empty.Datum_naroz_rok = DatePlaceholder;
    show(empty);
    m_ctx.ui.setText(QStringLiteral("Poznamka3"), QString());
}

void ClientPanel::Nactiklient()
{
    ControlSurface &ui = m_ctx.ui;
    if (const std::optional<QString> handedOver = takeClientHandOff())
        ui.setText(kPRSAdresaAkt, *handedOver);
    if (ui.text(kPRSAdresaAkt).isEmpty())
        return;

    clearFields();
    ui.clear(QStringLiteral("MemoWish"));
    m_AdresaAkt = ui.text(kPRSAdresaAkt);
    m_ctx.waits.TimenZapsat1();

    if (files::fileExists(m_AdresaAkt)) {
        const ClientRecord r = readClientFile(m_AdresaAkt);
        show(r);
        m_AdresaAkt = r.AdresaAkt;
        m_PodadrJm = r.PodadrJm;
        const ClientPaths p = deriveClientPaths(ui.text(kPRSAdresaPresmerovani), m_PodadrJm, m_AdresaAkt);
        ui.setText(kPRSAdresKlentaData, p.PRSAdresKlentaData);
        ui.setText(kSouborProtokSuma, p.SouborProtokSuma);
        m_SoubExporAdr = p.SoubExporAdr;
        ui.setText(kSouborProtokSumaSUM, paths::ProtocolWorkCopy);
        ui.setText(kPRSAdresaProt, p.SouborProtokSuma);
    }
    // A companion may have handed over the same client during the pause.
    files::remove(paths::ClientHandOff);
}

void ClientPanel::KlientOpen()
{
    ControlSurface &ui = m_ctx.ui;
    const std::optional<QString> chosen = m_ctx.dialogs.openFile(
        {ui.text(QStringLiteral("KlientOpen")), ui.text(kPRSAdresaDBZ), QStringLiteral("*.txt"), QString()});
    if (!chosen)
        return;
    writeClientHandOff(paths::ClientHandOff, *chosen);
    waitUntilVisible(m_ctx.clock, paths::ClientHandOff, [this] { m_ctx.waits.ZapsatCOM(); });
    // A program handed over for the previous client is not to be loaded for
    // this one.
    files::remove(paths::ProgramHandOff);
    Nactiklient();
}

void ClientPanel::Novy() { Operations::run(openEditor); }

void ClientPanel::DeleteJm()
{
    clearFields();
    for (const QString &name : {kPRSAdresaAkt, kPRSAdresaProt, kPRSAdresKlentaData})
        m_ctx.ui.setText(name, QString());
}

void ClientPanel::fillFromClientLine(const QString &record)
{
    // The record is the text after the header's first "="; a "=" inside it
    // belongs to a field.
    show(parseClientLine(QLatin1Char('=') + record));
}

} // namespace zovt

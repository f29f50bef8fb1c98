#pragma once
// The client panel of the main window: the current client's fields (read
// only but for the operator's free note Poznamka3), its three buttons, and
// Nactiklient, which loads the client named by the hand-off file and derives
// the client's program folder and protocol file into the window's hidden
// state (PRSAdresaAkt, PRSAdresaProt, PRSAdresKlentaData, SouborProtokSuma,
// SouborProtokSumaSUM).

#include "clients/ClientRecord.h"
#include "core/AppContext.h"

#include <QString>

#include <functional>

namespace zovt {

class ClientPanel {
public:
    explicit ClientPanel(AppContext &ctx);

    // Loads the client that "AdresaAktZovT.txt" names (or the current one
    // again) into the panel; start-up, KlientOpen and the editor's Save run it.
    void Nactiklient();
    // Lets the operator pick a client file and loads it. Generator mode and
    // wish mode run it when no client is shown.
    void KlientOpen();
    // Opens the client editor for a new client.
    void Novy();
    // Clears the panel and forgets the current client; no file is touched.
    void DeleteJm();

    // A program's client header being played: the record after the first "="
    // goes into the displayed fields; the current client and its paths stay.
    void fillFromClientLine(const QString &record);

    // The panel's own variables of the last load.
    const QString &AdresaAkt() const { return m_AdresaAkt; }
    const QString &PodadrJm() const { return m_PodadrJm; }
    const QString &SoubExporAdr() const { return m_SoubExporAdr; }

private:
    void show(const ClientRecord &r);
    void clearFields();

    AppContext &m_ctx;
    QString m_AdresaAkt;
    QString m_PodadrJm;
    QString m_SoubExporAdr;
};

} // namespace zovt

#include "ui/MainWindowDesign.h"

#include "ui/DesignRows.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include "core/ControlSurface.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHash>

namespace zovt::design {

namespace {

QList<Control> buildTable()
{
    using K = Kind;
    const QList<Row> rows = {
        // Top left: port strip, program open buttons, lighting switches,
        // light mode, wish and generator buttons.
        ctl(K::Panel, f19::PanelZac, "", 8, 9, 353, 252),
        ctl(K::Label, f19::ComLabel, f19::PanelZac, 8, 8, 28, 14).text("COM"),
        ctl(K::CheckBox, f19::PortOpen, f19::PanelZac, 38, 6, 18, 18).disabled(),
        ctl(K::Picture, f19::COMconct, f19::PanelZac, 60, 8, 140, 14),
        ctl(K::Button, f19::BtnInfo, f19::PanelZac, 206, 4, 22, 22).text("i"),
        ctl(K::Label, f19::WritedCom, f19::PanelZac, 236, 8, 100, 14).text("Start"),
        ctl(K::Label, f19::OpenPopis, f19::PanelZac, 8, 48, 72, 14).text("Otevřít"),
        ctl(K::Button, f19::Open, f19::PanelZac, 84, 38, 98, 34).text("Orva Therapy").disabled(),
        ctl(K::Button, f19::OpenZov, f19::PanelZac, 182, 38, 88, 34).text("Zov Tool").disabled(),
        ctl(K::Button, f19::OpenSBZ, f19::PanelZac, 270, 38, 51, 34).text("DBZ").disabled(),

        ctl(K::Panel, f19::Panel4, f19::PanelZac, 8, 80, 166, 114),
        ctl(K::Picture, f19::JasLED_Pc, f19::Panel4, 4, 4, 30, 30),
        ctl(K::GlassButton, f19::JasLED, f19::Panel4, 38, 4, 76, 30).disabled(),
        ctl(K::GlassButton, f19::JasLED_Pom, f19::Panel4, 38, 4, 76, 30).hidden(),
        ctl(K::Picture, f19::JasLED_Pc_Zn, f19::Panel4, 120, 13, 40, 12),
        ctl(K::Picture, f19::VykonIR_Pc, f19::Panel4, 4, 42, 30, 30),
        ctl(K::GlassButton, f19::VykonIR, f19::Panel4, 38, 42, 76, 30).disabled(),
        ctl(K::GlassButton, f19::VykonIR_Pom, f19::Panel4, 38, 42, 76, 30).hidden(),
        ctl(K::Picture, f19::VykonIR_Pc_Zn, f19::Panel4, 120, 51, 40, 12),
        ctl(K::Picture, f19::ZpomalLED_Pc, f19::Panel4, 4, 80, 30, 30),
        ctl(K::GlassButton, f19::ZpomalLED, f19::Panel4, 38, 80, 76, 30).disabled(),
        ctl(K::GlassButton, f19::ZpomalLED_Pom, f19::Panel4, 38, 80, 76, 30).hidden(),
        ctl(K::Picture, f19::ZpomalLED_Pc_Zn, f19::Panel4, 120, 89, 40, 12),
        ctl(K::Button, f19::InfoPopis, f19::PanelZac, 178, 80, 20, 22).text("i"),

        ctl(K::Panel, f19::Panel6, f19::PanelZac, 202, 80, 144, 114),
        ctl(K::Button, f19::InfoPopis2, f19::Panel6, 4, 4, 20, 22).text("i"),
        ctl(K::RadioGroup, f19::Colortype, f19::Panel6, 28, 2, 36, 108).items(3, 0),

        ctl(K::Panel, f19::Panel2, f19::PanelZac, 4, 200, 116, 46).hidden(),
        ctl(K::Button, f19::Wishes, f19::PanelZac, 10, 206, 104, 34).text("ZovT  W").hidden().disabled(),
        ctl(K::Panel, f19::Panel5, f19::PanelZac, 140, 200, 206, 46).hidden(),
        ctl(K::Button, f19::Orva_Tlac, f19::PanelZac, 146, 206, 194, 34).text("OrvaT Generator").hidden(),
        ctl(K::CheckBox, f19::OrvaTGener, f19::PanelZac, 318, 214, 18, 18).hidden().disabled(),

        ctl(K::Panel, f19::PopisP1, f19::PanelZac, 8, 76, 338, 124).hidden(),
        ctl(K::ListBox, f19::PopisPT1, f19::PopisP1, 4, 4, 300, 116).wrapped(),
        ctl(K::Button, f19::ClosePopis, f19::PopisP1, 308, 4, 26, 24).text("X"),
        ctl(K::Panel, f19::PopisP2, f19::PanelZac, 8, 76, 338, 124).hidden(),
        ctl(K::ListBox, f19::PopisPT2, f19::PopisP2, 4, 4, 300, 116).wrapped(),
        ctl(K::Button, f19::ClosePopis2, f19::PopisP2, 308, 4, 26, 24).text("X"),

        // Client panel. The fields show the client record; only Poznamka3
        // takes the operator's typing.
        ctl(K::Panel, f19::PanelJmeno, "", 8, 264, 354, 305),
        ctl(K::Label, f19::PersonL, f19::PanelJmeno, 8, 9, 110, 14).text("Zadání pro:"),
        ctl(K::Button, f19::KlientOpen, f19::PanelJmeno, 122, 4, 90, 25).text("Otevřít"),
        ctl(K::Button, f19::Novy, f19::PanelJmeno, 216, 4, 90, 25).text("Nový"),
        ctl(K::Button, f19::DeleteJm, f19::PanelJmeno, 310, 4, 32, 25).text("X"),
        ctl(K::Edit, f19::Prijmeni, f19::PanelJmeno, 8, 34, 150, 21).readOnly(),
        ctl(K::Edit, f19::Jmeno, f19::PanelJmeno, 162, 34, 130, 21).readOnly(),
        ctl(K::Edit, f19::JmenoFix, f19::PanelJmeno, 296, 34, 46, 21).readOnly(),
        ctl(K::Label, f19::Datum_popis, f19::PanelJmeno, 8, 65, 72, 14).text("Narození:"),
        ctl(K::Edit, f19::Datum_naroz_den, f19::PanelJmeno, 112, 62, 30, 21).text("88").readOnly(),
        ctl(K::Edit, f19::Datum_naroz_mesic, f19::PanelJmeno, 146, 62, 30, 21).text("88").readOnly(),
        ctl(K::Edit, f19::Datum_naroz_rok, f19::PanelJmeno, 180, 62, 46, 21).text("8888").readOnly(),
        ctl(K::Label, f19::Datum_den_popis, f19::PanelJmeno, 232, 65, 36, 14).text("Den:").hidden(),
        ctl(K::Label, f19::Datum_mesic_popis, f19::PanelJmeno, 270, 65, 36, 14).text("Měs.:").hidden(),
        ctl(K::Label, f19::Datum_rok_popis, f19::PanelJmeno, 308, 65, 36, 14).text("Rok:").hidden(),
        ctl(K::Label, f19::Bydliste_popis, f19::PanelJmeno, 8, 93, 72, 14).text("Adresa:"),
        ctl(K::Edit, f19::Bydliste1, f19::PanelJmeno, 112, 90, 230, 21).readOnly(),
        ctl(K::Edit, f19::Bydliste2, f19::PanelJmeno, 112, 114, 230, 21).readOnly(),
        ctl(K::Label, f19::Poznamka_popis, f19::PanelJmeno, 8, 145, 72, 14).text("Poznámka:"),
        ctl(K::Edit, f19::Poznamka1, f19::PanelJmeno, 112, 142, 230, 21).readOnly(),
        ctl(K::Edit, f19::Poznamka2, f19::PanelJmeno, 112, 166, 230, 21).readOnly(),
        ctl(K::Label, f19::Telefon_popis, f19::PanelJmeno, 8, 197, 72, 14).text("Telefon:"),
        ctl(K::Edit, f19::Telefon, f19::PanelJmeno, 112, 194, 230, 21).readOnly(),
        ctl(K::Label, f19::Email_Popis, f19::PanelJmeno, 8, 223, 72, 14).text("E-mail:"),
        ctl(K::Edit, f19::Email, f19::PanelJmeno, 112, 220, 230, 21).readOnly(),
        ctl(K::Label, f19::Aktualni_misto, f19::PanelJmeno, 8, 252, 130, 14).text("Aktuální místo:"),
        ctl(K::Edit, f19::Poznamka3, f19::PanelJmeno, 8, 270, 334, 21),

        // Playback controls.
        ctl(K::Panel, f19::PanelPlay, "", 538, 8, 192, 144),
        ctl(K::Button, f19::Play, f19::PanelPlay, 6, 6, 56, 34).text(">").disabled(),
        ctl(K::Button, f19::PlayVse, f19::PanelPlay, 66, 6, 56, 34).text(">>").disabled(),
        ctl(K::Button, f19::Wishes1, f19::PanelPlay, 6, 6, 116, 34).text(">>   OK").hidden(),
        ctl(K::Button, f19::Pause, f19::PanelPlay, 128, 6, 58, 34).text("||").disabled(),
        ctl(K::Button, f19::PausePrekryv, f19::PanelPlay, 128, 6, 58, 34).hidden().disabled(),
        ctl(K::Button, f19::StopVse, f19::PanelPlay, 128, 44, 58, 34).text("Stop").disabled(),
        ctl(K::Button, f19::Stop, f19::PanelPlay, 128, 44, 58, 34).text("Stop").disabled(),
        ctl(K::Button, f19::StopPrekryv, f19::PanelPlay, 128, 44, 58, 34).hidden().disabled(),
        ctl(K::Edit, f19::CasWrite, f19::PanelPlay, 6, 46, 116, 21).readOnly(),
        ctl(K::Picture, f19::PlayUkaz, f19::PanelPlay, 6, 76, 116, 14),
        ctl(K::ScrollBar, f19::Kikratebar, f19::PanelPlay, 6, 112, 150, 17).range(1, 10, 1).hidden(),
        ctl(K::Label, f19::Kolikrate, f19::PanelPlay, 162, 113, 24, 14).text("1").hidden(),

        // Wish memory slots.
        ctl(K::Panel, f19::Panelprani, "", 761, 8, 193, 144).hidden(),
        ctl(K::Button, f19::Memory1, f19::Panelprani, 8, 8, 42, 32).text("1").hidden(),
        ctl(K::Button, f19::Memory2, f19::Panelprani, 54, 8, 42, 32).text("2").hidden(),
        ctl(K::Button, f19::Memory3, f19::Panelprani, 100, 8, 42, 32).text("3").hidden(),
        ctl(K::Button, f19::Memory4, f19::Panelprani, 8, 44, 42, 32).text("4").hidden(),
        ctl(K::Button, f19::Memory5, f19::Panelprani, 54, 44, 42, 32).text("5").hidden(),
        ctl(K::Button, f19::Memory6, f19::Panelprani, 100, 44, 42, 32).text("6").hidden(),
        ctl(K::Button, f19::InfoWish, f19::Panelprani, 150, 8, 36, 32).text("i"),
        ctl(K::Button, f19::MemoryDel, f19::Panelprani, 8, 86, 178, 34).text("Uložit do paměti").hidden(),

        ctl(K::Panel, f19::OrvatrinPowerPcPanel, "", 537, 162, 419, 98).hidden(),
        ctl(K::Picture, f19::OrvatrinPowerPc, f19::OrvatrinPowerPcPanel, 0, 0, 419, 98).fill().hidden(),

        ctl(K::Panel, f19::TherapyL1Pan, "", 999, 3, 14, 614),
        ctl(K::Picture, f19::TherapyL1, f19::TherapyL1Pan, 0, 0, 14, 614).fill(),

        // Program list with its file total, and the buttons under it.
        ctl(K::Edit, f19::CasWriteSUMA, "", 356, 8, 160, 21).readOnly(),
        ctl(K::ListBox, f19::Zakladmemo, "", 356, 27, 160, 545),
        ctl(K::Button, f19::ZovToolEdit, "", 356, 578, 162, 33).text("Zov Tool úprava dat"),
        ctl(K::Button, f19::Konec, "", 53, 577, 311, 33).text("Konec"),
        ctl(K::GlassButton, f19::Setting, "", 5, 575, 42, 37).text("\u2699"),

        // Program display and the wish text in its place.
        ctl(K::Memo, f19::MemoPlayShow, "", 535, 286, 420, 343).readOnly(),
        ctl(K::Edit, f19::ZovTWisch, "", 406, 266, 420, 21).text("    ZovT  W").readOnly().hidden(),
        ctl(K::Memo, f19::MemoWish, "", 547, 286, 420, 323).hidden(),
        ctl(K::Button, f19::Wishes1dole, "", 779, 586, 110, 22).text(">>   OK").hidden(),

        // Settings over the left part of the window; the COM strip is a
        // panel of its own because it is also shown alone.
        ctl(K::Panel, f19::PanelSettig, "", 8, 9, 348, 500).hidden(),
        ctl(K::CheckBox, f19::CloseByStop, f19::PanelSettig, 12, 10, 250, 20).text("Na konci ukončit program"),
        ctl(K::CheckBox, f19::OpakVSEZ, f19::PanelSettig, 12, 34, 250, 20).text("Repeat All"),
        ctl(K::CheckBox, f19::VisDBZ, f19::PanelSettig, 12, 58, 250, 20).text("DBZ"),
        ctl(K::CheckBox, f19::VerzeSwZovT, f19::PanelSettig, 12, 82, 250, 20).text("Firmware ZovT >  1. 1. 2022"),
        ctl(K::Button, f19::C_Max, f19::PanelSettig, 266, 40, 70, 30).text("MAX").hidden(),
        ctl(K::Panel, f19::Panel8, f19::PanelSettig, 6, 110, 336, 384).hidden(),
        ctl(K::Label, f19::LightNight, f19::Panel8, 8, 6, 320, 16).text("Osvětlení v nočním režimu"),
        ctl(K::RadioGroup, f19::R_Night, f19::Panel8, 44, 24, 36, 70).items(f19::lightingItems(QString::fromLatin1(f19::R_Night)), 0),
        ctl(K::Label, f19::LightStanBy, f19::Panel8, 8, 104, 320, 16).text("Osvětlení v režimu Stand By"),
        ctl(K::RadioGroup, f19::R_Stadby, f19::Panel8, 44, 122, 36, 70).items(f19::lightingItems(QString::fromLatin1(f19::R_Stadby)), 0),
        ctl(K::Label, f19::LightPower, f19::Panel8, 8, 202, 320, 16).text("Osvětlení v módu POWER"),
        ctl(K::RadioGroup, f19::R_Power, f19::Panel8, 44, 220, 36, 134).items(f19::lightingItems(QString::fromLatin1(f19::R_Power)), 0),

        ctl(K::Panel, f19::PanelSettigCOM, "", 8, 509, 348, 60).hidden(),
        ctl(K::Edit, f19::COM_Nr, f19::PanelSettigCOM, 48, 19, 40, 21),
        ctl(K::Picture, f19::Image8, f19::PanelSettigCOM, 104, 13, 48, 34),
        ctl(K::Button, f19::SettSave, f19::PanelSettigCOM, 196, 13, 90, 34).text("Uložit"),
        ctl(K::Button, f19::CloseSett, f19::PanelSettigCOM, 294, 13, 44, 34).text("X"),

        // Hidden controls that only hold values.
        state(f19::NacistMemo),
        state(f19::MemoPlay),
        state(f19::PRSAdresaAkt),
        state(f19::PRSAdresaProt),
        state(f19::PRSAdresKlentaData),
        state(f19::PRSAdresaDBZ),
        state(f19::PRSAdresaPresmerovani),
        state(f19::PRSAdresaData),
        state(f19::SouborProtokSuma),
        state(f19::SouborProtokSumaSUM),
        state(f19::ProtokolSUMA),
        state(f19::Dododo),
    };
    return toForm(rows);
}

} // namespace

const QStringList &mainWindowReadingOrder()
{
    static const QStringList order = names({f19::PanelZac, f19::PanelSettig, f19::PanelJmeno, f19::PanelSettigCOM,
                                            f19::Setting, f19::Konec, f19::CasWriteSUMA, f19::Zakladmemo,
                                            f19::ZovToolEdit, f19::PanelPlay, f19::Panelprani, f19::ZovTWisch,
                                            f19::MemoPlayShow, f19::MemoWish, f19::Wishes1dole});
    return order;
}

QString windowTitle()
{
    return QStringLiteral("ZovT Generator 1.6.04") + QString(80, QLatin1Char(' '))
        + QStringLiteral("https://zovt-generator.example.org");
}

QString designFontFamily()
{
    static const QString family = [] {
        // Wine ships a free Tahoma that fontconfig does not list; the
        // application takes it in on its own when it is there.
        const QDir wineFonts(QStringLiteral("/usr/share/wine/fonts"));
        for (const char *file : {"tahoma.ttf", "tahomabd.ttf"}) {
            const QString path = wineFonts.filePath(QString::fromLatin1(file));
            if (QFileInfo::exists(path))
                QFontDatabase::addApplicationFont(path);
        }
        // Else a sans font of about Tahoma's width, so that the captions fit
        // the design places.
        for (const char *f : {"Tahoma", "Liberation Sans", "Arimo", "Arial", "DejaVu Sans Condensed", "DejaVu Sans"}) {
            const QString name = QString::fromLatin1(f);
            if (QFontDatabase::hasFamily(name))
                return name;
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

const Form &mainWindowControls()
{
    static const QList<Control> table = buildTable();
    return table;
}

const Control *findControl(const QString &name)
{
    static const QHash<QString, qsizetype> index = [] {
        QHash<QString, qsizetype> h;
        const QList<Control> &t = mainWindowControls();
        for (qsizetype i = 0; i < t.size(); ++i)
            h.insert(t.at(i).name, i);
        return h;
    }();
    auto it = index.constFind(name);
    return it == index.cend() ? nullptr : &mainWindowControls().at(*it);
}

const QStringList &secondaryFontControls()
{
    static const QStringList list = names({
        f19::ComLabel, f19::OpenPopis, f19::PersonL, f19::Datum_popis, f19::Bydliste_popis, f19::Datum_den_popis,
        f19::Datum_mesic_popis, f19::Datum_rok_popis, f19::Poznamka_popis, f19::Telefon_popis, f19::Email_Popis,
        f19::Aktualni_misto,
        f19::Zakladmemo, f19::MemoPlayShow, f19::ZovTWisch, f19::CasWrite, f19::CasWriteSUMA,
        f19::Jmeno, f19::Prijmeni, f19::JmenoFix, f19::Datum_naroz_den, f19::Datum_naroz_mesic, f19::Datum_naroz_rok,
        f19::Bydliste1, f19::Bydliste2, f19::Poznamka1, f19::Poznamka2, f19::Poznamka3, f19::Telefon, f19::Email,
        f19::DeleteJm, f19::KlientOpen, f19::Novy, f19::OpenZov, f19::OpenSBZ, f19::Open, f19::ZovToolEdit, f19::Play, f19::Stop,
        f19::StopVse, f19::Pause, f19::Wishes, f19::Orva_Tlac, f19::Wishes1, f19::Wishes1dole, f19::Memory1, f19::Memory2,
        f19::Memory3, f19::Memory4, f19::Memory5, f19::Memory6, f19::MemoryDel,
    });
    return list;
}

const QStringList &mainFontControls()
{
    static const QStringList list = names({f19::MemoWish, f19::Konec});
    return list;
}

const QStringList &schemePanels()
{
    static const QStringList list = names({f19::PanelZac, f19::Panel6, f19::PanelJmeno, f19::PanelPlay, f19::Panelprani});
    return list;
}

QColor schemeColour(bool dark)
{
    return dark ? QColor(0, 0, 255) : QColor(117, 184, 251);
}

const QStringList &clientPanelLabels()
{
    static const QStringList list = names({
        f19::PersonL, f19::Datum_popis, f19::Datum_den_popis, f19::Datum_mesic_popis, f19::Datum_rok_popis,
        f19::Bydliste_popis, f19::Poznamka_popis, f19::Telefon_popis, f19::Email_Popis, f19::Aktualni_misto,
    });
    return list;
}

} // namespace zovt::design

namespace zovt {

QColor systemButtonShadow(const QPalette &system) { return system.color(QPalette::Active, QPalette::Dark); }

QList<ColourAssignment> fixedColours(const QPalette &system)
{
    QList<ColourAssignment> out;
    const auto add = [&out](const QString &name, QPalette::ColorRole role, const QColor &colour) {
        out.append(ColourAssignment{name, role, colour});
    };
    for (const QString &label : design::clientPanelLabels())
        add(label, QPalette::Window, design::ClientLabelColour);
    add(f19::Kolikrate, QPalette::Window, design::ClientLabelColour);
    add(f19::MemoWish, QPalette::Base, design::SkyBlue);
    add(f19::ZovTWisch, QPalette::Base, design::SkyBlue);
    add(f19::Zakladmemo, QPalette::Base, QColor(255, 255, 255));
    for (const char *strip : {f19::Panel2, f19::Panel5, f19::PopisP1, f19::PopisP2})
        add(QString::fromLatin1(strip), QPalette::Window, systemButtonShadow(system));
    add(f19::PanelSettig, QPalette::Window, design::ActiveBorder);
    add(f19::PanelSettigCOM, QPalette::Window, design::ComStripGrey);
    return out;
}

} // namespace zovt

#include "ui/MainWindowDesign.h"

#include "ui/DesignRows.h"

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
        ctl(K::Panel, "PanelZac", "", 8, 9, 353, 252),
        ctl(K::Label, "ComLabel", "PanelZac", 8, 8, 28, 14).text("COM"),
        ctl(K::CheckBox, "PortOpen", "PanelZac", 38, 6, 18, 18).disabled(),
        ctl(K::Picture, "COMconct", "PanelZac", 60, 8, 140, 14),
        ctl(K::Button, "BtnInfo", "PanelZac", 206, 4, 22, 22).text("i"),
        ctl(K::Label, "WritedCom", "PanelZac", 236, 8, 100, 14).text("Start"),
        ctl(K::Label, "OpenPopis", "PanelZac", 8, 48, 72, 14).text("Otevřít"),
        ctl(K::Button, "Open", "PanelZac", 84, 38, 98, 34).text("Orva Therapy").disabled(),
        ctl(K::Button, "OpenZov", "PanelZac", 182, 38, 88, 34).text("Zov Tool").disabled(),
        ctl(K::Button, "OpenSBZ", "PanelZac", 270, 38, 51, 34).text("DBZ").disabled(),

        ctl(K::Panel, "Panel4", "PanelZac", 8, 80, 166, 114),
        ctl(K::Picture, "JasLED_Pc", "Panel4", 4, 4, 30, 30),
        ctl(K::GlassButton, "JasLED", "Panel4", 38, 4, 76, 30).disabled(),
        ctl(K::GlassButton, "JasLED_Pom", "Panel4", 38, 4, 76, 30).hidden(),
        ctl(K::Picture, "JasLED_Pc_Zn", "Panel4", 120, 13, 40, 12),
        ctl(K::Picture, "VykonIR_Pc", "Panel4", 4, 42, 30, 30),
        ctl(K::GlassButton, "VykonIR", "Panel4", 38, 42, 76, 30).disabled(),
        ctl(K::GlassButton, "VykonIR_Pom", "Panel4", 38, 42, 76, 30).hidden(),
        ctl(K::Picture, "VykonIR_Pc_Zn", "Panel4", 120, 51, 40, 12),
        ctl(K::Picture, "ZpomalLED_Pc", "Panel4", 4, 80, 30, 30),
        ctl(K::GlassButton, "ZpomalLED", "Panel4", 38, 80, 76, 30).disabled(),
        ctl(K::GlassButton, "ZpomalLED_Pom", "Panel4", 38, 80, 76, 30).hidden(),
        ctl(K::Picture, "ZpomalLED_Pc_Zn", "Panel4", 120, 89, 40, 12),
        ctl(K::Button, "InfoPopis", "PanelZac", 178, 80, 20, 22).text("i"),

        ctl(K::Panel, "Panel6", "PanelZac", 202, 80, 144, 114),
        ctl(K::Button, "InfoPopis2", "Panel6", 4, 4, 20, 22).text("i"),
        ctl(K::RadioGroup, "Colortype", "Panel6", 28, 2, 36, 108).items(3, 0),

        ctl(K::Panel, "Panel2", "PanelZac", 4, 200, 116, 46).hidden(),
        ctl(K::Button, "Wishes", "PanelZac", 10, 206, 104, 34).text("ZovT  W").hidden().disabled(),
        ctl(K::Panel, "Panel5", "PanelZac", 140, 200, 206, 46).hidden(),
        ctl(K::Button, "Orva_Tlac", "PanelZac", 146, 206, 194, 34).text("OrvaT Generator").hidden(),
        ctl(K::CheckBox, "OrvaTGener", "PanelZac", 318, 214, 18, 18).hidden().disabled(),

        ctl(K::Panel, "PopisP1", "PanelZac", 8, 76, 338, 124).hidden(),
        ctl(K::ListBox, "PopisPT1", "PopisP1", 4, 4, 300, 116),
        ctl(K::Button, "ClosePopis", "PopisP1", 308, 4, 26, 24).text("X"),
        ctl(K::Panel, "PopisP2", "PanelZac", 8, 76, 338, 124).hidden(),
        ctl(K::ListBox, "PopisPT2", "PopisP2", 4, 4, 300, 116),
        ctl(K::Button, "ClosePopis2", "PopisP2", 308, 4, 26, 24).text("X"),

        // Client panel. The fields show the client record; only Poznamka3
        // takes the operator's typing.
        ctl(K::Panel, "PanelJmeno", "", 8, 264, 354, 305),
        ctl(K::Label, "PersonL", "PanelJmeno", 8, 9, 110, 14).text("Zadání pro:"),
        ctl(K::Button, "KlientOpen", "PanelJmeno", 122, 4, 90, 25).text("Otevřít"),
        ctl(K::Button, "Novy", "PanelJmeno", 216, 4, 90, 25).text("Nový"),
        ctl(K::Button, "DeleteJm", "PanelJmeno", 310, 4, 32, 25).text("X"),
        ctl(K::Edit, "Prijmeni", "PanelJmeno", 8, 34, 150, 21).readOnly(),
        ctl(K::Edit, "Jmeno", "PanelJmeno", 162, 34, 130, 21).readOnly(),
        ctl(K::Edit, "JmenoFix", "PanelJmeno", 296, 34, 46, 21).readOnly(),
        ctl(K::Label, "Datum_popis", "PanelJmeno", 8, 65, 72, 14).text("Narození:"),
        ctl(K::Edit, "Datum_naroz_den", "PanelJmeno", 84, 62, 30, 21).text("88").readOnly(),
        ctl(K::Edit, "Datum_naroz_mesic", "PanelJmeno", 118, 62, 30, 21).text("88").readOnly(),
        ctl(K::Edit, "Datum_naroz_rok", "PanelJmeno", 152, 62, 46, 21).text("8888").readOnly(),
        ctl(K::Label, "Datum_den_popis", "PanelJmeno", 204, 65, 40, 14).text("Den:").hidden(),
        ctl(K::Label, "Datum_mesic_popis", "PanelJmeno", 246, 65, 46, 14).text("Měs.:").hidden(),
        ctl(K::Label, "Datum_rok_popis", "PanelJmeno", 294, 65, 48, 14).text("Rok:").hidden(),
        ctl(K::Label, "Bydliste_popis", "PanelJmeno", 8, 93, 72, 14).text("Adresa:"),
        ctl(K::Edit, "Bydliste1", "PanelJmeno", 84, 90, 258, 21).readOnly(),
        ctl(K::Edit, "Bydliste2", "PanelJmeno", 84, 114, 258, 21).readOnly(),
        ctl(K::Label, "Poznamka_popis", "PanelJmeno", 8, 145, 72, 14).text("Poznámka:"),
        ctl(K::Edit, "Poznamka1", "PanelJmeno", 84, 142, 258, 21).readOnly(),
        ctl(K::Edit, "Poznamka2", "PanelJmeno", 84, 166, 258, 21).readOnly(),
        ctl(K::Label, "Telefon_popis", "PanelJmeno", 8, 197, 72, 14).text("Telefon:"),
        ctl(K::Edit, "Telefon", "PanelJmeno", 84, 194, 258, 21).readOnly(),
        ctl(K::Label, "Email_Popis", "PanelJmeno", 8, 223, 72, 14).text("E-mail:"),
        ctl(K::Edit, "Email", "PanelJmeno", 84, 220, 258, 21).readOnly(),
        ctl(K::Label, "Aktualni_misto", "PanelJmeno", 8, 252, 130, 14).text("Aktuální místo:"),
        ctl(K::Edit, "Poznamka3", "PanelJmeno", 8, 270, 334, 21),

        // Playback controls.
        ctl(K::Panel, "PanelPlay", "", 538, 8, 192, 144),
        ctl(K::Button, "Play", "PanelPlay", 6, 6, 56, 34).text(">").disabled(),
        ctl(K::Button, "PlayVse", "PanelPlay", 66, 6, 56, 34).text(">>").disabled(),
        ctl(K::Button, "Wishes1", "PanelPlay", 6, 6, 116, 34).text(">>   OK").hidden(),
        ctl(K::Button, "Pause", "PanelPlay", 128, 6, 58, 34).text("||").disabled(),
        ctl(K::Button, "PausePrekryv", "PanelPlay", 128, 6, 58, 34).hidden().disabled(),
        ctl(K::Button, "StopVse", "PanelPlay", 128, 44, 58, 34).text("Stop").disabled(),
        ctl(K::Button, "Stop", "PanelPlay", 128, 44, 58, 34).text("Stop").disabled(),
        ctl(K::Button, "StopPrekryv", "PanelPlay", 128, 44, 58, 34).hidden().disabled(),
        ctl(K::Edit, "CasWrite", "PanelPlay", 6, 46, 116, 21).readOnly(),
        ctl(K::Picture, "PlayUkaz", "PanelPlay", 6, 76, 116, 14),
        ctl(K::ScrollBar, "Kikratebar", "PanelPlay", 6, 112, 150, 17).range(1, 10, 1).hidden(),
        ctl(K::Label, "Kolikrate", "PanelPlay", 162, 113, 24, 14).text("1").hidden(),

        // Wish memory slots.
        ctl(K::Panel, "Panelprani", "", 761, 8, 193, 144).hidden(),
        ctl(K::Button, "Memory1", "Panelprani", 8, 8, 42, 32).text("1").hidden(),
        ctl(K::Button, "Memory2", "Panelprani", 54, 8, 42, 32).text("2").hidden(),
        ctl(K::Button, "Memory3", "Panelprani", 100, 8, 42, 32).text("3").hidden(),
        ctl(K::Button, "Memory4", "Panelprani", 8, 44, 42, 32).text("4").hidden(),
        ctl(K::Button, "Memory5", "Panelprani", 54, 44, 42, 32).text("5").hidden(),
        ctl(K::Button, "Memory6", "Panelprani", 100, 44, 42, 32).text("6").hidden(),
        ctl(K::Button, "InfoWish", "Panelprani", 150, 8, 36, 32).text("i"),
        ctl(K::Button, "MemoryDel", "Panelprani", 8, 86, 178, 34).text("Uložit do paměti").hidden(),

        ctl(K::Panel, "OrvatrinPowerPcPanel", "", 537, 162, 419, 98).hidden(),
        ctl(K::Picture, "OrvatrinPowerPc", "OrvatrinPowerPcPanel", 0, 0, 419, 98).fill().hidden(),

        ctl(K::Panel, "TherapyL1Pan", "", 999, 3, 14, 614),
        ctl(K::Picture, "TherapyL1", "TherapyL1Pan", 0, 0, 14, 614).fill(),

        // Program list with its file total, and the buttons under it.
        ctl(K::Edit, "CasWriteSUMA", "", 356, 8, 160, 21).readOnly(),
        ctl(K::ListBox, "Zakladmemo", "", 356, 27, 160, 545),
        ctl(K::Button, "ZovToolEdit", "", 356, 578, 162, 33).text("Zov Tool úprava dat"),
        ctl(K::Button, "Konec", "", 53, 577, 311, 33).text("Konec"),
        ctl(K::GlassButton, "Setting", "", 5, 575, 42, 37).text("\u2699"),

        // Program display and the wish text in its place.
        ctl(K::Memo, "MemoPlayShow", "", 535, 286, 420, 343).readOnly(),
        ctl(K::Edit, "ZovTWisch", "", 406, 266, 420, 21).text("    ZovT  W").readOnly().hidden(),
        ctl(K::Memo, "MemoWish", "", 547, 286, 420, 323).hidden(),
        ctl(K::Button, "Wishes1dole", "", 779, 586, 110, 22).text(">>   OK").hidden(),

        // Settings over the left part of the window; the COM strip is a
        // panel of its own because it is also shown alone.
        ctl(K::Panel, "PanelSettig", "", 8, 9, 348, 500).hidden(),
        ctl(K::CheckBox, "CloseByStop", "PanelSettig", 12, 10, 250, 20).text("Na konci ukončit program"),
        ctl(K::CheckBox, "OpakVSEZ", "PanelSettig", 12, 34, 250, 20).text("Repeat All"),
        ctl(K::CheckBox, "VisDBZ", "PanelSettig", 12, 58, 250, 20).text("DBZ"),
        ctl(K::CheckBox, "VerzeSwZovT", "PanelSettig", 12, 82, 250, 20).text("Firmware ZovT >  1. 1. 2022"),
        ctl(K::Button, "C_Max", "PanelSettig", 266, 40, 70, 30).text("MAX").hidden(),
        ctl(K::Panel, "Panel8", "PanelSettig", 6, 110, 336, 384).hidden(),
        ctl(K::Label, "LightNight", "Panel8", 8, 6, 320, 16).text("Osvětlení v nočním režimu"),
        ctl(K::RadioGroup, "R_Night", "Panel8", 44, 24, 36, 70).items(3, 0),
        ctl(K::Label, "LightStanBy", "Panel8", 8, 104, 320, 16).text("Osvětlení v režimu Stand By"),
        ctl(K::RadioGroup, "R_Stadby", "Panel8", 44, 122, 36, 70).items(3, 0),
        ctl(K::Label, "LightPower", "Panel8", 8, 202, 320, 16).text("Osvětlení v módu POWER"),
        ctl(K::RadioGroup, "R_Power", "Panel8", 44, 220, 36, 134).items(6, 0),

        ctl(K::Panel, "PanelSettigCOM", "", 8, 509, 348, 60).hidden(),
        ctl(K::Edit, "COM_Nr", "PanelSettigCOM", 48, 19, 40, 21),
        ctl(K::Picture, "Image8", "PanelSettigCOM", 104, 13, 48, 34),
        ctl(K::Button, "SettSave", "PanelSettigCOM", 196, 13, 90, 34).text("Uložit"),
        ctl(K::Button, "CloseSett", "PanelSettigCOM", 294, 13, 44, 34).text("X"),

        // Hidden controls that only hold values.
        state("NacistMemo"),
        state("MemoPlay"),
        state("PRSAdresaAkt"),
        state("PRSAdresaProt"),
        state("PRSAdresKlentaData"),
        state("PRSAdresaDBZ"),
        state("PRSAdresaPresmerovani"),
        state("PRSAdresaData"),
        state("SouborProtokSuma"),
        state("SouborProtokSumaSUM"),
        state("ProtokolSUMA"),
        state("Dododo"),
    };
    return toForm(rows);
}

} // namespace

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
        "ComLabel", "OpenPopis", "PersonL", "Datum_popis", "Bydliste_popis", "Datum_den_popis",
        "Datum_mesic_popis", "Datum_rok_popis", "Poznamka_popis", "Telefon_popis", "Email_Popis",
        "Aktualni_misto",
        "Zakladmemo", "MemoPlayShow", "ZovTWisch", "CasWrite", "CasWriteSUMA",
        "Jmeno", "Prijmeni", "JmenoFix", "Datum_naroz_den", "Datum_naroz_mesic", "Datum_naroz_rok",
        "Bydliste1", "Bydliste2", "Poznamka1", "Poznamka2", "Poznamka3", "Telefon", "Email",
        "DeleteJm", "KlientOpen", "Novy", "OpenZov", "OpenSBZ", "Open", "ZovToolEdit", "Play", "Stop",
        "StopVse", "Pause", "Wishes", "Orva_Tlac", "Wishes1", "Wishes1dole", "Memory1", "Memory2",
        "Memory3", "Memory4", "Memory5", "Memory6", "MemoryDel",
    });
    return list;
}

const QStringList &mainFontControls()
{
    static const QStringList list = names({"MemoWish", "Konec"});
    return list;
}

const QStringList &schemePanels()
{
    static const QStringList list = names({"PanelZac", "Panel6", "PanelJmeno", "PanelPlay", "Panelprani"});
    return list;
}

QColor schemeColour(bool dark)
{
    return dark ? QColor(0, 0, 255) : QColor(117, 184, 251);
}

const QStringList &clientPanelLabels()
{
    static const QStringList list = names({
        "PersonL", "Datum_popis", "Datum_den_popis", "Datum_mesic_popis", "Datum_rok_popis",
        "Bydliste_popis", "Poznamka_popis", "Telefon_popis", "Email_Popis", "Aktualni_misto",
    });
    return list;
}

} // namespace zovt::design

#include "i18n/Captions.h"

#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/FindControl.h"
#include "core/Form2Names.h"

#include <QWidget>

#include <array>

namespace zovt {

QStringList CaptionTable::linesOf(const CaptionList &list, const Texts &texts)
{
    QStringList lines;
    lines.reserve(list.lines.size());
    for (int number : list.lines)
        lines.append(number == BlankLine ? QString() : texts.FATisk(number));
    return lines;
}

namespace captions {

const CaptionTable &mainWindowStartup()
{
    static const CaptionTable table{
        {
            {f19::KlientOpen, 202},
            {f19::PersonL, 158},
            {f19::Datum_popis, 150},
            {f19::Datum_den_popis, 151},
            {f19::Datum_mesic_popis, 152},
            {f19::Datum_rok_popis, 153},
            {f19::Bydliste_popis, 154},
            {f19::Poznamka_popis, 155},
            {f19::Aktualni_misto, 156},
            {f19::Telefon_popis, 2006},
            {f19::Email_Popis, 2007},
            {f19::Novy, 201},
            {f19::MemoryDel, 601},
            {f19::ZovToolEdit, 2010},
            {f19::SettSave, 207},
            {f19::LightNight, 2011},
            {f19::LightStanBy, 2012},
            {f19::LightPower, 2013},
            {f19::CloseByStop, 2021},
        },
        {
            {f19::PopisPT1, {2014, BlankLine, 2015, BlankLine, 2016}},
            {f19::PopisPT2, {2017, 2018, BlankLine, 2019, BlankLine, 2020}},
        },
    };
    return table;
}

const CaptionTable &mainWindowLate()
{
    static const CaptionTable table{
        {
            {f19::OpenPopis, 202},
            {f19::Konec, 419},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditor()
{
    static const CaptionTable table{
        {
            {f2::Datum_popis, 150},
            {f2::Datum_den_popis, 151},
            {f2::Datum_mesic_popis, 152},
            {f2::Datum_rok_popis, 153},
            {f2::Bydliste_popis, 154},
            {f2::Poznamka_popis, 155},
            {f2::Konec, 2002},
            {f2::Novy, 201},
            {f2::Save, 2003},
            {f2::Import, 2004},
            {f2::Telefon_popis, 2006},
            {f2::Email_Popis, 2007},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditorPerson()
{
    static const CaptionTable table{
        {
            {f2::PersonL, 29},
            {f2::PersonL2, 31},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditorAnimal()
{
    static const CaptionTable table{
        {
            {f2::PersonL, 30},
            {f2::PersonL2, 32},
        },
        {},
    };
    return table;
}

QString clientEditorTitle(const Texts &texts)
{
    return texts.FATisk(ClientEditorTitleNumber) + QStringLiteral(" / Edit");
}

const QStringList &languageDialogItems()
{
    static const QStringList items{
        QStringLiteral("Česky"),
        QStringLiteral("English"),
        QStringLiteral("Deutsche"),
        QStringLiteral("Svenska"),
        QStringLiteral("Русский"),
    };
    return items;
}

} // namespace captions

namespace {

// Breaks a line at blanks so that no piece runs past the column, unless one
// word alone does.
QStringList wrapped(const QString &line, int column)
{
    QStringList out;
    QString current;
    for (const QString &word : line.split(QLatin1Char(' '))) {
        if (!current.isEmpty() && current.size() + 1 + word.size() > column) {
            out << current;
            current = word;
        } else {
            current = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        }
    }
    out << current;
    return out;
}

} // namespace

QString ToolTip::text(const Texts &texts) const
{
    QStringList lines;
    for (int n : numbers)
        lines << wrapped(texts.FATisk(n).simplified(), WrapColumn);
    return lines.join(QLatin1Char('\n'));
}

namespace captions {

const QList<ToolTip> &mainWindowToolTips()
{
    static const QList<ToolTip> tips = [] {
        QList<ToolTip> t;
        // Each lighting toggle: its button, its auxiliary button, its icon and its lamp.
        const std::pair<std::array<const char *, 4>, int> rows[] = {
            {{f19::JasLED, f19::JasLED_Pom, f19::JasLED_Pc, f19::JasLED_Pc_Zn}, 2014},
            {{f19::VykonIR, f19::VykonIR_Pom, f19::VykonIR_Pc, f19::VykonIR_Pc_Zn}, 2015},
            {{f19::ZpomalLED, f19::ZpomalLED_Pom, f19::ZpomalLED_Pc, f19::ZpomalLED_Pc_Zn}, 2016},
        };
        for (const auto &[names, number] : rows)
            for (const char *name : names)
                t.append({QString::fromLatin1(name), {number}});
        t.append({f19::InfoPopis, {2014, 2015, 2016}});
        t.append({f19::InfoPopis2, {2017, 2018, 2019, 2020}});
        t.append({f19::BtnInfo, {2008}});
        return t;
    }();
    return tips;
}

} // namespace captions

void applyToolTips(QWidget *root, const QList<ToolTip> &tips, const Texts &texts)
{
    for (const ToolTip &t : tips)
        if (QWidget *w = findControl(root, t.control))
            w->setToolTip(t.text(texts));
}

void applyCaptions(ControlSurface &ui, const CaptionTable &table, const Texts &texts)
{
    for (const Caption &c : table.captions)
        ui.setText(c.control, texts.FATisk(c.number));
    for (const CaptionList &l : table.lists) {
        ui.clear(l.control);
        ui.setLines(l.control, CaptionTable::linesOf(l, texts));
    }
}

} // namespace zovt

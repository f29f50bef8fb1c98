#include "i18n/Captions.h"

#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/FindControl.h"
#include "core/Form2Names.h"
#include "core/Form9Names.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
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

namespace {

QString withoutColon(QString t)
{
    t = t.simplified();
    while (t.endsWith(QLatin1Char(':')))
        t.chop(1);
    return t.trimmed();
}

AccessibleName named(const char *control, std::initializer_list<int> numbers, const QString &suffix = QString())
{
    return {QString::fromLatin1(control), -1, QList<int>(numbers), {}, suffix};
}

AccessibleName labelled(const char *control, std::initializer_list<const char *> labels, const QString &suffix = QString())
{
    QStringList l;
    for (const char *label : labels)
        l << QString::fromLatin1(label);
    return {QString::fromLatin1(control), -1, {}, l, suffix};
}

AccessibleName item(const char *control, int index, int number)
{
    return {QString::fromLatin1(control), index, {number}, {}, QString()};
}

} // namespace

QString AccessibleName::text(const Texts &texts, QWidget *root) const
{
    QStringList parts;
    for (const QString &label : labels)
        if (const auto *l = qobject_cast<QLabel *>(findControl(root, label)))
            parts << withoutColon(l->text());
    for (int n : numbers)
        parts << withoutColon(texts.FATisk(n));
    QString t = parts.join(QStringLiteral(", "));
    if (t.contains(QLatin1String("%1")))
        return t.arg(suffix);
    return suffix.isEmpty() ? t : t + QLatin1Char(' ') + suffix;
}

namespace captions {

const QList<AccessibleName> &mainWindowAccessibleNames()
{
    static const QList<AccessibleName> names = {
        named(f19::PortOpen, {4014}),
        named(f19::COMconct, {4022}),
        named(f19::BtnInfo, {4006}),
        named(f19::JasLED, {2014}),
        named(f19::JasLED_Pom, {2014}),
        named(f19::VykonIR, {2015}),
        named(f19::VykonIR_Pom, {2015}),
        named(f19::ZpomalLED, {2016}),
        named(f19::ZpomalLED_Pom, {2016}),
        named(f19::InfoPopis, {4006}),
        named(f19::InfoPopis2, {4006}),
        named(f19::Colortype, {2017}),
        item(f19::Colortype, 0, 2018),
        item(f19::Colortype, 1, 2019),
        item(f19::Colortype, 2, 2020),
        named(f19::OrvaTGener, {}, QStringLiteral("OrvaT Generator")),
        // The lighting choices are colour bands beside empty radio buttons.
        {QString::fromLatin1(f19::R_Night), 0, {2011, 4023}, {}, QString()},
        {QString::fromLatin1(f19::R_Night), 1, {2011, 4024}, {}, QString()},
        {QString::fromLatin1(f19::R_Night), 2, {2011, 4025}, {}, QString()},
        {QString::fromLatin1(f19::R_Stadby), 0, {2012, 4023}, {}, QString()},
        {QString::fromLatin1(f19::R_Stadby), 1, {2012, 4024}, {}, QString()},
        {QString::fromLatin1(f19::R_Stadby), 2, {2012, 4025}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 0, {2013, 4026}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 1, {2013, 4023}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 2, {2013, 4024}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 3, {2013, 4025}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 4, {2013, 4027}, {}, QString()},
        {QString::fromLatin1(f19::R_Power), 5, {2013, 4028}, {}, QString()},
        named(f19::ClosePopis, {4008}),
        named(f19::ClosePopis2, {4008}),
        named(f19::PopisPT1, {4006}),
        named(f19::PopisPT2, {4006}),
        named(f19::DeleteJm, {4007}),
        named(f19::Prijmeni, {4017}),
        named(f19::Jmeno, {4016}),
        named(f19::JmenoFix, {4018}),
        named(f19::Datum_naroz_den, {150, 151}),
        named(f19::Datum_naroz_mesic, {150, 152}),
        named(f19::Datum_naroz_rok, {150, 153}),
        named(f19::Bydliste1, {154}, QStringLiteral("1")),
        named(f19::Bydliste2, {154}, QStringLiteral("2")),
        named(f19::Poznamka1, {155}, QStringLiteral("1")),
        named(f19::Poznamka2, {155}, QStringLiteral("2")),
        named(f19::Telefon, {2006}),
        named(f19::Email, {2007}),
        named(f19::Poznamka3, {156}),
        named(f19::Play, {4001}),
        named(f19::PlayVse, {4002}),
        named(f19::Pause, {4003}),
        named(f19::PausePrekryv, {4004}),
        named(f19::StopPrekryv, {4004}),
        named(f19::CasWrite, {4012}),
        named(f19::PlayUkaz, {4012}),
        named(f19::Kikratebar, {4019}),
        named(f19::Memory1, {4021}, QStringLiteral("1")),
        named(f19::Memory2, {4021}, QStringLiteral("2")),
        named(f19::Memory3, {4021}, QStringLiteral("3")),
        named(f19::Memory4, {4021}, QStringLiteral("4")),
        named(f19::Memory5, {4021}, QStringLiteral("5")),
        named(f19::Memory6, {4021}, QStringLiteral("6")),
        named(f19::InfoWish, {4006}),
        named(f19::CasWriteSUMA, {4013}),
        named(f19::Zakladmemo, {4010}),
        named(f19::Setting, {4005}),
        named(f19::MemoPlayShow, {4011}),
        named(f19::MemoWish, {4020}),
        named(f19::ZovTWisch, {4020}),
        named(f19::COM_Nr, {4015}),
        named(f19::Image8, {4009}),
        named(f19::CloseSett, {4008}),
    };
    return names;
}

const QList<AccessibleName> &clientEditorAccessibleNames()
{
    // The editor's labels change with a person or an animal: they are read
    // as they show.
    static const QList<AccessibleName> names = {
        labelled(f2::Jmeno, {f2::PersonL}),
        labelled(f2::Prijmeni, {f2::PersonL2}),
        named(f2::JmenoFix, {4018}),
        labelled(f2::Datum_naroz_den, {f2::Datum_popis, f2::Datum_den_popis}),
        labelled(f2::Datum_naroz_mesic, {f2::Datum_popis, f2::Datum_mesic_popis}),
        labelled(f2::Datum_naroz_rok, {f2::Datum_popis, f2::Datum_rok_popis}),
        labelled(f2::Bydliste1, {f2::Bydliste_popis}, QStringLiteral("1")),
        labelled(f2::Bydliste2, {f2::Bydliste_popis}, QStringLiteral("2")),
        labelled(f2::Poznamka1, {f2::Poznamka_popis}, QStringLiteral("1")),
        labelled(f2::Poznamka2, {f2::Poznamka_popis}, QStringLiteral("2")),
        labelled(f2::Telefon, {f2::Telefon_popis}),
        labelled(f2::Email, {f2::Email_Popis}),
    };
    return names;
}

const QList<AccessibleName> &languageDialogAccessibleNames()
{
    static const QList<AccessibleName> names = {
        named(f9::X, {4008}),
    };
    return names;
}

} // namespace captions

void applyAccessibleNames(QWidget *root, const QList<AccessibleName> &names, const Texts &texts)
{
    for (const AccessibleName &n : names) {
        QWidget *w = findControl(root, n.control);
        if (!w)
            continue;
        if (n.item >= 0) {
            const auto buttons = w->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly);
            if (n.item < buttons.size())
                buttons.at(n.item)->setAccessibleName(n.text(texts, root));
            continue;
        }
        w->setAccessibleName(n.text(texts, root));
    }
}

} // namespace zovt

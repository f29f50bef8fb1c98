#include "i18n/Captions.h"

#include "core/ControlSurface.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>

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
            {QStringLiteral("KlientOpen"), 202},
            {QStringLiteral("PersonL"), 158},
            {QStringLiteral("Datum_popis"), 150},
            {QStringLiteral("Datum_den_popis"), 151},
            {QStringLiteral("Datum_mesic_popis"), 152},
            {QStringLiteral("Datum_rok_popis"), 153},
            {QStringLiteral("Bydliste_popis"), 154},
            {QStringLiteral("Poznamka_popis"), 155},
            {QStringLiteral("Aktualni_misto"), 156},
            {QStringLiteral("Telefon_popis"), 2006},
            {QStringLiteral("Email_Popis"), 2007},
            {QStringLiteral("Novy"), 201},
            {QStringLiteral("MemoryDel"), 601},
            {QStringLiteral("ZovToolEdit"), 2010},
            {QStringLiteral("SettSave"), 207},
            {QStringLiteral("LightNight"), 2011},
            {QStringLiteral("LightStanBy"), 2012},
            {QStringLiteral("LightPower"), 2013},
            {QStringLiteral("CloseByStop"), 2021},
        },
        {
            {QStringLiteral("PopisPT1"), {2014, BlankLine, 2015, BlankLine, 2016}},
            {QStringLiteral("PopisPT2"), {2017, 2018, BlankLine, 2019, BlankLine, 2020}},
        },
    };
    return table;
}

const CaptionTable &mainWindowLate()
{
    static const CaptionTable table{
        {
            {QStringLiteral("OpenPopis"), 202},
            {QStringLiteral("Konec"), 419},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditor()
{
    static const CaptionTable table{
        {
            {QStringLiteral("Datum_popis"), 150},
            {QStringLiteral("Datum_den_popis"), 151},
            {QStringLiteral("Datum_mesic_popis"), 152},
            {QStringLiteral("Datum_rok_popis"), 153},
            {QStringLiteral("Bydliste_popis"), 154},
            {QStringLiteral("Poznamka_popis"), 155},
            {QStringLiteral("Konec"), 2002},
            {QStringLiteral("Novy"), 201},
            {QStringLiteral("Save"), 2003},
            {QStringLiteral("Import"), 2004},
            {QStringLiteral("Telefon_popis"), 2006},
            {QStringLiteral("Email_Popis"), 2007},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditorPerson()
{
    static const CaptionTable table{
        {
            {QStringLiteral("PersonL"), 29},
            {QStringLiteral("PersonL2"), 31},
        },
        {},
    };
    return table;
}

const CaptionTable &clientEditorAnimal()
{
    static const CaptionTable table{
        {
            {QStringLiteral("PersonL"), 30},
            {QStringLiteral("PersonL2"), 32},
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

QWidget *findControl(QWidget *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    return root->findChild<QWidget *>(name);
}

void setCaption(QWidget *w, const QString &text)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->setText(text);
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(text);
        // Labels that size themselves to their text in the window design.
        if (l->property("autoSize").toBool())
            l->adjustSize();
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(text);
    } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
        g->setTitle(text);
    }
}

void setLines(QWidget *w, const QStringList &lines)
{
    if (auto *l = qobject_cast<QListWidget *>(w)) {
        l->clear();
        l->addItems(lines);
    } else if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
        m->setPlainText(lines.join(QLatin1Char('\n')));
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        c->clear();
        c->addItems(lines);
    }
}

} // namespace

void applyCaptions(QWidget *root, const CaptionTable &table, const Texts &texts)
{
    for (const Caption &c : table.captions)
        if (QWidget *w = findControl(root, c.control))
            setCaption(w, texts.FATisk(c.number));
    for (const CaptionList &l : table.lists)
        if (QWidget *w = findControl(root, l.control))
            setLines(w, CaptionTable::linesOf(l, texts));
}

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
        const std::pair<const char *, int> rows[] = {{"JasLED", 2014}, {"VykonIR", 2015}, {"ZpomalLED", 2016}};
        for (const auto &[name, number] : rows)
            for (const char *suffix : {"", "_Pom", "_Pc", "_Pc_Zn"})
                t.append({QString::fromLatin1(name) + QLatin1String(suffix), {number}});
        t.append({QStringLiteral("InfoPopis"), {2014, 2015, 2016}});
        t.append({QStringLiteral("InfoPopis2"), {2017, 2018, 2019, 2020}});
        t.append({QStringLiteral("BtnInfo"), {2008}});
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

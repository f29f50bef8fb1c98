// Text catalogues of the main window and the client editor, the caption
// tables and putting them onto a window's controls.

#include "i18n/Captions.h"
#include "i18n/Catalogue.h"
#include "core/ControlSurface.h"
#include "ui/ClientEditorDesign.h"
#include "ui/LineList.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetSurface.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <climits>

using namespace zovt;

Q_DECLARE_METATYPE(const zovt::CaptionTable *)
Q_DECLARE_METATYPE(const zovt::design::Form *)

namespace {

const Catalogue &catalogue(const QString &which)
{
    return which == QLatin1String("editor") ? Catalogue::clientEditor() : Catalogue::mainWindow();
}

QString u(const char *s) { return QString::fromUtf8(s); }
QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

// The port-error message: first sentence, a run of blanks, the key hints.
QString portError(const char *sentence, int run)
{
    return u(sentence) + blanks(run) + u("Alt+F4") + blanks(4) + u("(Ctrl+ Alt+ Delete)");
}

// Every number some operation asks for, per catalogue.
const QList<int> kMainNumbers{100,  122,  150,  151,  152,  153,  154,  155,  156,  158,  201,  202,
                              207,  419,  601,  602,  604,  902,  905,  2006, 2007, 2008, 2009, 2010,
                              2011, 2012, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022,
                              3001, 3002, 3003, 3004, 3005, 4001, 4002, 4003, 4004, 4005, 4006, 4007,
                              4008, 4009, 4010, 4011, 4012, 4013, 4014, 4015, 4016, 4017, 4018, 4019,
                              4020, 4021, 4022, 4023, 4024, 4025, 4026, 4027, 4028};
const QList<int> kEditorNumbers{29,  30,  31,  32,  118,  119,  120,  123,  124,  150,  151,  152,  153,
                                154, 155, 201, 2001, 2002, 2003, 2004, 2006, 2007, 3101, 3102, 3103, 3104, 4018};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void lookup_data();
    void lookup();
    void latinCapitalsInRussian_data();
    void latinCapitalsInRussian();
    void everyRequestedNumberInEveryLanguage_data();
    void everyRequestedNumberInEveryLanguage();
    void noStrayBlanks();
    void texts();

    void captionNumbersExist_data();
    void captionNumbersExist();
    void captionTables();
    void editorTitleAndLanguageItems();
    void applyToWidgets_data();
    void applyToWidgets();
    void applyOutOfRangeLanguage();
    void applyToSurface();
    void captionTablesNameControlsOfTheirWindow_data();
    void captionTablesNameControlsOfTheirWindow();
};

void TestCatalogue::lookup_data()
{
    QTest::addColumn<QString>("cat");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("expected");

    const QString none = u("?????????");
    auto row = [](const char *name, const char *cat, int n, int lang, const QString &text) {
        QTest::newRow(name) << u(cat) << n << lang << text;
    };

    row("100 en", "main", 100, English,
        u("The program is already running, or was not correctly closed. Do you want to run again?"));
    row("100 sv", "main", 100, Swedish,
        u("Programmet körs redan eller har inte stängts korrekt. Vill du verkligen springa?"));
    row("100 ru", "main", 100, Russian,
        u("Программа уже запущена или закрылась некорректно. Вы действительно хотите бегать?"));
    row("122 de", "main", 122, German, u("WARNUNG: falscher COM!"));

    row("902 cs", "main", 902, Czech, portError("Chyba portu, zařízení nebude pracovat.", 36));
    row("902 en", "main", 902, English, portError("COM port error, device will not work.", 37));
    row("902 de", "main", 902, German, portError("COM Portfehler, Gerät funktioniert nicht.", 38));
    row("902 sv", "main", 902, Swedish, portError("COM portfel, enheten fungerar inte.", 40));
    row("902 ru", "main", 902, Russian, portError("Ошибка COM-порта, устройство не будет работать.", 31));

    row("905 cs", "main", 905, Czech,
        u("Chyba portu, zařízení nebude pracovat. Konec - Alt+F4 (Ctrl+ Alt+ Delete). Chcete zadat COM port?"));
    row("905 de", "main", 905, German,
        u("Portfehler, das Gerät funktioniert nicht. Beenden - Alt + F4 (Strg + Alt + Entf). "
          "Möchten Sie einen COM-Port angeben?"));

    row("2012 de trailing blank", "main", 2012, German, u("Beleuchtung im Modus Stand By "));
    row("2012 en", "main", 2012, English, u("Lighting in Stand By mode"));
    row("2010 cs", "main", 2010, Czech, u("Zov Tool úprava dat"));

    row("2022 en quotes", "main", 2022, English,
        u("A positively worded wish is written in the window at the bottom right. Can be stored by the "
          "\"Store in memory\" button + button with a number. Again, the memories are erased."));
    row("2022 ru guillemets", "main", 2022, Russian,
        u("Позитивно сформулированное пожелание написано в окошке справа внизу. Можно сохранить кнопкой "
          "«Хранить в памяти» + кнопка с номером. Опять же, воспоминания стираются."));

    row("158 en", "main", 158, English, u("Reqiesting for:"));
    row("158 sv", "main", 158, Swedish, u("Reqiesting for:"));
    row("158 ru", "main", 158, Russian, u("Reqiesting for:"));
    row("601 de", "main", 601, German, u("Speichern"));
    row("604 en", "main", 604, English, u("Clear All Memory"));

    // The same number, different texts in the two catalogues.
    row("2006 main en", "main", 2006, English, u("Telephone:"));
    row("2006 editor en", "editor", 2006, English, u("Telefon:"));
    row("2006 main sv", "main", 2006, Swedish, u("Telephone:"));
    row("2006 editor sv", "editor", 2006, Swedish, u("Telefon:"));
    row("2006 main de", "main", 2006, German, u("Telephone:"));
    row("2006 editor de", "editor", 2006, German, u("Telephone:"));
    row("2006 editor ru", "editor", 2006, Russian, u("Телефон:"));

    row("editor 2002 en", "editor", 2002, English, u("End"));
    row("main 419 en", "main", 419, English, u("Close"));
    row("editor 120 en", "editor", 120, English, u("Atention: wrong year!"));
    row("editor 123 ru", "editor", 123, Russian, u("ВНИМАНИЕ: неправильный тел.!"));
    row("editor 2001 cs", "editor", 2001, Czech, u("Nový"));
    row("editor 32 sv", "editor", 32, Swedish, u("Djurart eller djursläkte:"));

    // Numbers only the other catalogue holds, numbers nobody holds.
    row("editor 122", "editor", 122, Czech, none);
    row("main 29", "main", 29, English, none);
    row("main 2001", "main", 2001, Czech, none);
    row("editor 902", "editor", 902, Czech, none);
    row("main 0", "main", 0, Czech, none);
    row("main -1", "main", -1, Czech, none);
    row("main INT_MAX", "main", INT_MAX, Czech, none);

    // Language indexes outside 0..4: no fallback to any language.
    row("lang -1", "main", 100, -1, none);
    row("lang 5", "main", 100, 5, none);
    row("lang 7", "editor", 29, 7, none);
    row("lang INT_MIN", "main", 202, INT_MIN, none);
}

void TestCatalogue::lookup()
{
    QFETCH(QString, cat);
    QFETCH(int, number);
    QFETCH(int, lang);
    QFETCH(QString, expected);
    QCOMPARE(catalogue(cat).FATisk(number, lang), expected);
}

// Three Russian captions begin with a Latin capital that looks Cyrillic; the
// product shows them so and they must not be "corrected".
void TestCatalogue::latinCapitalsInRussian_data()
{
    QTest::addColumn<QString>("cat");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    QTest::newRow("main 150") << u("main") << 150 << (QChar(u'P') + u("ождение:"));
    QTest::newRow("main 201") << u("main") << 201 << (QChar(u'H') + u("овый"));
    QTest::newRow("editor 29") << u("editor") << 29 << (QChar(u'H') + u("азвание:"));
}

void TestCatalogue::latinCapitalsInRussian()
{
    QFETCH(QString, cat);
    QFETCH(int, number);
    QFETCH(QString, expected);
    const QString text = catalogue(cat).FATisk(number, Russian);
    QCOMPARE(text, expected);
    QVERIFY(text.at(0).unicode() < 0x80);
    QVERIFY(text.at(1).unicode() >= 0x400 && text.at(1).unicode() < 0x500);
}

void TestCatalogue::everyRequestedNumberInEveryLanguage_data()
{
    QTest::addColumn<QString>("cat");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("main") << u("main") << kMainNumbers;
    QTest::newRow("editor") << u("editor") << kEditorNumbers;
}

void TestCatalogue::everyRequestedNumberInEveryLanguage()
{
    QFETCH(QString, cat);
    QFETCH(QList<int>, numbers);
    const Catalogue &c = catalogue(cat);
    for (int n : numbers) {
        QVERIFY2(c.numbers().contains(n), qPrintable(QString::number(n)));
        for (int lang = 0; lang < LanguageCount; ++lang) {
            const QString where = QStringLiteral("%1 in language %2").arg(n).arg(lang);
            QVERIFY2(c.contains(n, lang), qPrintable(where));
            const QString text = c.FATisk(n, lang);
            QVERIFY2(!text.isEmpty() && text != Catalogue::defaultText(), qPrintable(where));
        }
    }
}

// Guards the texts against copying faults: no text starts or ends with a
// blank, nor holds two blanks in a row, except the two known cases.
void TestCatalogue::noStrayBlanks()
{
    for (const Catalogue *c : {&Catalogue::mainWindow(), &Catalogue::clientEditor()}) {
        for (int n : c->numbers()) {
            for (int lang = 0; lang < LanguageCount; ++lang) {
                const QString text = c->FATisk(n, lang);
                const QString where = QStringLiteral("%1 in language %2").arg(n).arg(lang);
                const bool main = c == &Catalogue::mainWindow();
                if (!(main && n == 2012 && lang == German))
                    QVERIFY2(text == text.trimmed(), qPrintable(where));
                if (!(main && n == 902))
                    QVERIFY2(!text.contains(QLatin1String("  ")), qPrintable(where));
                QVERIFY2(!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')), qPrintable(where));
            }
        }
    }
}

void TestCatalogue::texts()
{
    Texts main; // the main window's catalogue, Czech
    QCOMPARE(main.FATisk(2006), u("Telefon:"));
    main.Languagem = English;
    QCOMPARE(main.FATisk(2006), u("Telephone:"));
    main.Languagem = 5;
    QCOMPARE(main.FATisk(2006), u("?????????"));

    const Texts editor{English, &Catalogue::clientEditor()};
    QCOMPARE(editor.FATisk(2006), u("Telefon:"));
    QCOMPARE(editor.FATisk(122), u("?????????"));
}

void TestCatalogue::captionNumbersExist_data()
{
    QTest::addColumn<QString>("cat");
    QTest::addColumn<const CaptionTable *>("table");
    QTest::newRow("main start-up") << u("main") << &captions::mainWindowStartup();
    QTest::newRow("main late") << u("main") << &captions::mainWindowLate();
    QTest::newRow("editor") << u("editor") << &captions::clientEditor();
    QTest::newRow("editor person") << u("editor") << &captions::clientEditorPerson();
    QTest::newRow("editor animal") << u("editor") << &captions::clientEditorAnimal();
}

// Every number a table names has a text in every language of its window's
// catalogue; no caption can come out as "?????????" for a valid language.
void TestCatalogue::captionNumbersExist()
{
    QFETCH(QString, cat);
    QFETCH(const CaptionTable *, table);
    const Catalogue &c = catalogue(cat);
    QList<int> numbers;
    for (const Caption &cap : table->captions)
        numbers << cap.number;
    for (const CaptionList &l : table->lists)
        for (int n : l.lines)
            if (n != BlankLine)
                numbers << n;
    QVERIFY(!numbers.isEmpty());
    for (int n : numbers)
        for (int lang = 0; lang < LanguageCount; ++lang)
            QVERIFY2(c.contains(n, lang), qPrintable(QStringLiteral("%1 in language %2").arg(n).arg(lang)));
}

void TestCatalogue::captionTables()
{
    const CaptionTable &start = captions::mainWindowStartup();
    QCOMPARE(start.captions.size(), 19);
    QCOMPARE(start.captions.first().control, u("KlientOpen"));
    QCOMPARE(start.captions.first().number, 202);
    QCOMPARE(start.captions.last().control, u("CloseByStop"));
    QCOMPARE(start.captions.last().number, 2021);
    QCOMPARE(start.lists.size(), 2);
    QCOMPARE(start.lists.at(0).control, u("PopisPT1"));
    QCOMPARE(start.lists.at(0).lines, (QList<int>{2014, BlankLine, 2015, BlankLine, 2016}));
    QCOMPARE(start.lists.at(1).control, u("PopisPT2"));
    QCOMPARE(start.lists.at(1).lines, (QList<int>{2017, 2018, BlankLine, 2019, BlankLine, 2020}));

    const CaptionTable &late = captions::mainWindowLate();
    QCOMPARE(late.captions.size(), 2);
    QCOMPARE(late.captions.at(0).control, u("OpenPopis"));
    QCOMPARE(late.captions.at(0).number, 202);
    QCOMPARE(late.captions.at(1).control, u("Konec"));
    QCOMPARE(late.captions.at(1).number, 419);

    const CaptionTable &editor = captions::clientEditor();
    QCOMPARE(editor.captions.size(), 12);
    QVERIFY(editor.lists.isEmpty());
    const auto numberOf = [&](const QString &name) {
        for (const Caption &c : editor.captions)
            if (c.control == name)
                return c.number;
        return -1;
    };
    QCOMPARE(numberOf(u("Konec")), 2002);
    QCOMPARE(numberOf(u("Save")), 2003);
    QCOMPARE(numberOf(u("Import")), 2004);

    QCOMPARE(CaptionTable::linesOf(start.lists.at(1), Texts{English, &Catalogue::mainWindow()}),
             (QStringList{u("Mode of lights during the program:"), u("predefined"), QString(),
                          u("blending of colors"), QString(), u("constant light")}));
}

void TestCatalogue::editorTitleAndLanguageItems()
{
    QCOMPARE(captions::clientEditorTitle(Texts{Czech, &Catalogue::clientEditor()}), u("Nový / Edit"));
    QCOMPARE(captions::clientEditorTitle(Texts{English, &Catalogue::clientEditor()}), u("New / Edit"));
    QCOMPARE(captions::clientEditorTitle(Texts{Russian, &Catalogue::clientEditor()}),
             QChar(u'H') + u("овый / Edit"));
    QCOMPARE(captions::languageDialogItems(),
             (QStringList{u("Česky"), u("English"), u("Deutsche"), u("Svenska"), u("Русский")}));
}

namespace {

// The real main window and the surface the controllers drive it through:
// captions reach the widgets exactly as they do in the running program.
struct Window {
    TForm19 form;
    WidgetSurface ui{&form, design::mainWindowControls()};

    template <class W> W *get(const char *name) const
    {
        return qobject_cast<W *>(form.widget(QString::fromLatin1(name)));
    }
    QString text(const char *name) const
    {
        if (auto *b = get<QAbstractButton>(name))
            return b->text();
        if (auto *l = get<QLabel>(name))
            return l->text();
        return QString();
    }
    QStringList list(const char *name) const
    {
        QStringList out;
        if (const LineList *l = get<LineList>(name))
            out = l->lines();
        return out;
    }
};

} // namespace

void TestCatalogue::applyToWidgets_data()
{
    QTest::addColumn<int>("lang");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("standBy");
    QTest::addColumn<QString>("birth");
    QTest::addColumn<QString>("list1First");
    QTest::addColumn<QString>("list2");

    QTest::newRow("cs") << int(Czech) << u("Otevřít") << u("Osvětlení v režimu Stand By") << u("Narození:")
                        << u("Regulace jasu ve všech režimech")
                        << u("Mód světel za běhu programu:\npředdefinovaný\n\nprolínání barev\n\nstálé světlo");
    QTest::newRow("de") << int(German) << u("Öffnen") << u("Beleuchtung im Modus Stand By ") << u("Geboren:")
                        << u("Helligkeitsregelung in allen Modi")
                        << u("Lichtmodus während des Programms:\nVordefiniert\n\nMischung von Farben\n\nKonstantes Licht");
    QTest::newRow("ru") << int(Russian) << u("Открыть") << u("Освещение в режиме ожидания")
                        << (QChar(u'P') + u("ождение:")) << u("Регулировка яркости во всех режимах")
                        << u("Режим света во время программы:\nпредопределенный\n\nсмешение цветов\n\nпостоянный свет");
}

void TestCatalogue::applyToWidgets()
{
    QFETCH(int, lang);
    QFETCH(QString, open);
    QFETCH(QString, standBy);
    QFETCH(QString, birth);
    QFETCH(QString, list1First);
    QFETCH(QString, list2);

    Window w;
    w.ui.setLines(u("PopisPT1"), {u("old 1"), u("old 2"), u("old 3"), u("old 4"), u("old 5"), u("old 6"), u("old 7")});
    w.ui.setLines(u("PopisPT2"), {u("old")});
    const QString konec = w.text("Konec");
    const Texts texts{lang, &Catalogue::mainWindow()};
    applyCaptions(w.ui, captions::mainWindowStartup(), texts);

    QCOMPARE(w.text("KlientOpen"), open);
    QCOMPARE(w.text("LightStanBy"), standBy);
    QCOMPARE(w.text("Datum_popis"), birth);
    QCOMPARE(w.text("CloseByStop"), texts.FATisk(2021));
    QCOMPARE(w.text("LightNight"), texts.FATisk(2011));
    // The list is emptied before it is filled: none of the old lines stays.
    QCOMPARE(w.list("PopisPT1"), (QStringList{list1First, QString(), texts.FATisk(2015), QString(), texts.FATisk(2016)}));
    QCOMPARE(w.list("PopisPT2").join(QLatin1Char('\n')), list2);
    // A control of the late table keeps its caption until that table comes.
    QCOMPARE(w.text("Konec"), konec);
    QCOMPARE(w.form.windowTitle(), design::windowTitle());
    applyCaptions(w.ui, captions::mainWindowLate(), texts);
    QCOMPARE(w.text("Konec"), texts.FATisk(419));
}

void TestCatalogue::applyOutOfRangeLanguage()
{
    Window w;
    applyCaptions(w.ui, captions::mainWindowStartup(), Texts{7, &Catalogue::mainWindow()});
    const QString none = u("?????????");
    QCOMPARE(w.text("KlientOpen"), none);
    QCOMPARE(w.text("LightStanBy"), none);
    QCOMPARE(w.text("Datum_popis"), none);
    QCOMPARE(w.text("LightNight"), none);
    // Blank lines stay blank; only catalogue lines turn into question marks.
    QCOMPARE(w.list("PopisPT1"), (QStringList{none, QString(), none, QString(), none}));
    QCOMPARE(w.list("PopisPT2").join(QLatin1Char('\n')), none + u("\n") + none + u("\n\n") + none + u("\n\n") + none);
}

void TestCatalogue::applyToSurface()
{
    // Each window takes its own captions: the editor and the main window
    // share control names (Konec, PersonL, Telefon_popis) but not controls.
    MemorySurface editor{design::clientEditorControls()};
    applyCaptions(editor, captions::clientEditor(), Texts{English, &Catalogue::clientEditor()});
    applyCaptions(editor, captions::clientEditorAnimal(), Texts{English, &Catalogue::clientEditor()});
    QCOMPARE(editor.text(u("Konec")), u("End"));
    QCOMPARE(editor.text(u("Telefon_popis")), u("Telefon:"));
    QCOMPARE(editor.text(u("PersonL")), u("Name or Feature:"));
    QCOMPARE(editor.text(u("PersonL2")), u("Species or genus of animal:"));

    MemorySurface main{design::mainWindowControls()};
    main.setLines(u("PopisPT1"), {u("old")});
    applyCaptions(main, captions::mainWindowStartup(), Texts{Swedish, &Catalogue::mainWindow()});
    QCOMPARE(main.text(u("Telefon_popis")), u("Telephone:"));
    QCOMPARE(main.text(u("Konec")), design::findControl(u("Konec"))->caption); // not the editor's
    QCOMPARE(main.lines(u("PopisPT1")),
             (QStringList{u("Ljusstyrka i alla lägen"), QString(), u("Släcker belysningen för nattläge"), QString(),
                          u("Styr hastigheten för färgändringar i Orvatrin-läge")}));
}

void TestCatalogue::captionTablesNameControlsOfTheirWindow_data()
{
    QTest::addColumn<const CaptionTable *>("table");
    QTest::addColumn<const design::Form *>("form");
    QTest::newRow("main window at start-up") << &captions::mainWindowStartup() << &design::mainWindowControls();
    QTest::newRow("main window, late") << &captions::mainWindowLate() << &design::mainWindowControls();
    QTest::newRow("client editor") << &captions::clientEditor() << &design::clientEditorControls();
    QTest::newRow("client editor, animal") << &captions::clientEditorAnimal() << &design::clientEditorControls();
}

void TestCatalogue::captionTablesNameControlsOfTheirWindow()
{
    QFETCH(const CaptionTable *, table);
    QFETCH(const design::Form *, form);
    QStringList names;
    for (const Caption &c : table->captions)
        names.append(c.control);
    for (const CaptionList &l : table->lists)
        names.append(l.control);
    for (const QString &name : names)
        QVERIFY2(design::findIn(*form, name), qPrintable(name));
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"

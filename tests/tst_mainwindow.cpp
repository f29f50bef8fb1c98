// The main window's controls against its design table, and the widget
// surface that the controllers drive them through.

#include "storage/FileError.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetSurface.h"
#include "support/TempDrive.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <stdexcept>

#include <algorithm>

using namespace zovt;
using design::Kind;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void everyDesignNameIsOneControl();
    void controlsSitAtTheirDesignPlaces();
    void window();
    void designStates_data();
    void designStates();
    void controlAccessor();
    void colourSchemes();
    void fontSizes();
    void programRowFitsTheDisplay();

    void surfaceText_data();
    void surfaceText();
    void surfaceOwnFlagsIgnoreThePanel();
    void surfaceIndex_data();
    void surfaceIndex();
    void surfaceLines_data();
    void surfaceLines();
    void surfacesRefuseWhatTheWindowLacks_data();
    void surfacesRefuseWhatTheWindowLacks();
    void surfaceLineEditing_data();
    void surfaceLineEditing();
    void surfaceLongListAndWishSignal();
    void surfaceStateNamesLiveInMemory();
    void surfaceRefusesUnknownNamesAndKinds();
    void surfacePictures();
    void designStateMatchesTheWidgets();
};

namespace {

const char *className(Kind k)
{
    switch (k) {
    case Kind::Panel: return "QFrame";
    case Kind::Button:
    case Kind::GlassButton: return "QPushButton";
    case Kind::Label:
    case Kind::Picture: return "QLabel";
    case Kind::CheckBox: return "QCheckBox";
    case Kind::RadioGroup: return "QGroupBox";
    case Kind::ListBox: return "QListWidget";
    case Kind::Memo: return "QPlainTextEdit";
    case Kind::Edit: return "QLineEdit";
    case Kind::ScrollBar: return "QScrollBar";
    case Kind::State: break;
    }
    return "";
}

} // namespace

void TestMainWindow::everyDesignNameIsOneControl()
{
    TForm19 w;
    QSet<QString> seen;
    for (const design::Control &c : design::mainWindowControls()) {
        QVERIFY2(!seen.contains(c.name), qPrintable(c.name));
        seen.insert(c.name);
        const QList<QWidget *> found = w.findChildren<QWidget *>(c.name);
        if (c.kind == Kind::State) {
            QVERIFY2(found.isEmpty(), qPrintable(c.name));
            QVERIFY(!w.widget(c.name));
            continue;
        }
        QCOMPARE(found.size(), 1);
        QWidget *widget = found.first();
        QCOMPARE(w.widget(c.name), widget);
        QVERIFY2(widget->inherits(className(c.kind)), qPrintable(c.name));
        QCOMPARE(widget->parentWidget()->objectName(), c.parent.isEmpty() ? QStringLiteral("Form19") : c.parent);
    }
    // The lists of the font and colour rules name controls of the table.
    for (const QStringList *list : {&design::secondaryFontControls(), &design::mainFontControls(),
                                    &design::schemePanels(), &design::clientPanelLabels()})
        for (const QString &n : *list)
            QVERIFY2(design::findControl(n) && w.widget(n), qPrintable(n));
    QVERIFY(!design::findControl(QStringLiteral("Nothing")));
}

void TestMainWindow::controlsSitAtTheirDesignPlaces()
{
    TForm19 w;
    for (const design::Control &c : design::mainWindowControls()) {
        QWidget *widget = w.widget(c.name);
        if (!widget)
            continue;
        if (c.fill) {
            QCOMPARE(widget->geometry(), widget->parentWidget()->rect());
        } else if (widget->property("autoSize").toBool()) {
            QCOMPARE(widget->pos(), c.geometry.topLeft());
        } else {
            QVERIFY2(widget->geometry() == c.geometry, qPrintable(c.name));
        }
        // Every control lies inside its panel (the window for the top ones
        // may be left by the program display, which the resize rules fit).
        if (!c.parent.isEmpty())
            QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), qPrintable(c.name));
    }
}

void TestMainWindow::window()
{
    TForm19 w;
    QCOMPARE(w.size(), design::ClientSize);
    QCOMPARE(w.size(), QSize(1030, 617));
    const QString title = w.windowTitle();
    const QString head = QStringLiteral("ZovT Generator 1.6.04") + QString(80, QLatin1Char(' '));
    QVERIFY(title.startsWith(head));
    QVERIFY(title.size() > head.size() && title.at(head.size()) != QLatin1Char(' '));
    QCOMPARE(w.font().pointSize(), 8);
    QCOMPARE(w.font().family(), design::designFontFamily());

    QSignalSpy resized(&w, &TForm19::resized);
    QSignalSpy closing(&w, &TForm19::closing);
    w.show();
    w.resize(1100, 700);
    QTRY_VERIFY(!resized.isEmpty());

    // Pictures that fill their panel follow it when the resize rules size it,
    // also while the panel is hidden.
    w.widget(QStringLiteral("TherapyL1Pan"))->resize(14, 500);
    QCOMPARE(w.widget(QStringLiteral("TherapyL1"))->geometry(), QRect(0, 0, 14, 500));
    QWidget *orvatrin = w.widget(QStringLiteral("OrvatrinPowerPcPanel"));
    orvatrin->resize(419, 300);
    orvatrin->show();
    QCOMPARE(w.widget(QStringLiteral("OrvatrinPowerPc"))->height(), 300);
    QSignalSpy clicked(&w, &TForm19::pictureClicked);
    QWidget *image8 = w.widget(QStringLiteral("Image8"));
    w.widget(QStringLiteral("PanelSettigCOM"))->show();
    QTest::mouseClick(image8, Qt::LeftButton);
    QTest::mouseClick(image8, Qt::RightButton);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.first().first().toString(), QStringLiteral("Image8"));

    w.close();
    QCOMPARE(closing.size(), 1);
}

void TestMainWindow::designStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, bool visible, bool enabled, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(name) << visible << enabled << QString::fromUtf8(text);
    };
    // Buttons that wait for the end of start-up, the playback buttons that
    // wait for a selection, the wish and generator controls that wait for
    // their mode, and the panels that open on demand.
    row("Open", true, false, "Orva Therapy");
    row("OpenZov", true, false, "Zov Tool");
    row("OpenSBZ", true, false, "DBZ");
    row("JasLED", true, false, "");
    row("JasLED_Pom", false, true, "");
    row("Wishes", false, false, "ZovT  W");
    row("Play", true, false, ">");
    row("PlayVse", true, false, ">>");
    row("Pause", true, false, "||");
    row("Stop", true, false, "Stop");
    row("StopVse", true, false, "Stop");
    row("StopPrekryv", false, false, "");
    row("Konec", true, true, "Konec");
    row("Orva_Tlac", false, true, "OrvaT Generator");
    row("OrvaTGener", false, false, "");
    row("Panel5", false, true, "");
    row("Panel2", false, true, "");
    row("PortOpen", true, false, "");
    row("WritedCom", true, true, "Start");
    row("ComLabel", true, true, "COM");
    row("ZovTWisch", false, true, "    ZovT  W");
    row("MemoWish", false, true, "");
    row("Wishes1", false, true, ">>   OK");
    row("Wishes1dole", false, true, ">>   OK");
    row("Panelprani", false, true, "");
    row("MemoryDel", false, true, "Uložit do paměti");
    row("PopisP1", false, true, "");
    row("PopisP2", false, true, "");
    row("PanelSettig", false, true, "");
    row("PanelSettigCOM", false, true, "");
    row("Panel8", false, true, "");
    row("C_Max", false, true, "MAX");
    row("VerzeSwZovT", true, true, "Firmware ZovT >  1. 1. 2022");
    row("OrvatrinPowerPcPanel", false, true, "");
    row("Datum_den_popis", false, true, "Den:");
    row("Datum_naroz_rok", true, true, "8888");
    row("Kikratebar", false, true, "");
    row("Kolikrate", false, true, "1");
}

void TestMainWindow::designStates()
{
    QFETCH(QString, name);
    QFETCH(bool, visible);
    QFETCH(bool, enabled);
    QFETCH(QString, text);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    QCOMPARE(s.isVisible(name), visible);
    QCOMPARE(s.isEnabled(name), enabled);
    if (!w.widget(name)->inherits("QScrollBar"))
        QCOMPARE(s.text(name), text);
}

void TestMainWindow::controlAccessor()
{
    TForm19 w;
    QVERIFY(w.control<QPushButton>("Play"));
    QVERIFY(w.control<QListWidget>("Zakladmemo"));
    QVERIFY(w.control<QScrollBar>("Kikratebar"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, w.control<QLabel>("Play"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, w.control<QWidget>("Plya"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, w.control<QWidget>("Dododo"));
}

void TestMainWindow::colourSchemes()
{
    TForm19 w;
    auto window = [&](const char *name) { return w.widget(QString::fromLatin1(name))->palette().color(QPalette::Window); };
    auto base = [&](const char *name) { return w.widget(QString::fromLatin1(name))->palette().color(QPalette::Base); };
    const QColor shadow = QGuiApplication::palette().color(QPalette::Dark);
    for (bool dark : {true, false, true}) {
        w.applyColourScheme(dark);
        const QColor scheme = dark ? QColor(0, 0, 255) : QColor(117, 184, 251);
        QCOMPARE(w.palette().color(QPalette::Window), scheme);
        for (const char *panel : {"PanelZac", "Panel6", "PanelJmeno", "PanelPlay", "Panelprani"}) {
            QCOMPARE(window(panel), scheme);
            QVERIFY(w.widget(QString::fromLatin1(panel))->autoFillBackground());
        }
        // The fixed colours stay whatever the scheme.
        QCOMPARE(window("PersonL"), QColor(99, 204, 254));
        QCOMPARE(window("Kolikrate"), QColor(99, 204, 254));
        QCOMPARE(base("MemoWish"), design::SkyBlue);
        QCOMPARE(base("ZovTWisch"), design::SkyBlue);
        QCOMPARE(base("Zakladmemo"), QColor(Qt::white));
        QCOMPARE(window("Panel2"), shadow);
        QCOMPARE(window("PopisP2"), shadow);
        QCOMPARE(window("PanelSettigCOM"), QColor(128, 128, 128));
        QCOMPARE(window("PanelSettig"), design::ActiveBorder);
    }
}

void TestMainWindow::fontSizes()
{
    TForm19 w;
    auto size = [&](const char *name) { return w.widget(QString::fromLatin1(name))->font().pointSize(); };
    const int labelWidth = w.widget(QStringLiteral("Aktualni_misto"))->width();
    w.applyFontSizes(14, 10);
    QCOMPARE(size("MemoWish"), 14);
    QCOMPARE(size("Konec"), 14);
    for (const QString &n : design::secondaryFontControls())
        QCOMPARE(w.widget(n)->font().pointSize(), 10);
    // Controls outside the lists keep the design font.
    QCOMPARE(size("BtnInfo"), 8);
    QCOMPARE(size("Setting"), 8);
    QCOMPARE(size("CloseByStop"), 8);
    QCOMPARE(w.widget(QStringLiteral("Jmeno"))->font().family(), design::designFontFamily());
    QVERIFY(w.widget(QStringLiteral("Aktualni_misto"))->width() > labelWidth);

    w.applyFontSizes(10, 8);
    QCOMPARE(size("Konec"), 10);
    QCOMPARE(size("Zakladmemo"), 8);
}

// Tab stops follow the memo's font, inherited or set: at the design size a
// whole band row, its duration included, stays within the display.
void TestMainWindow::programRowFitsTheDisplay()
{
    TForm19 w;
    auto *memo = w.control<QPlainTextEdit>("MemoPlayShow");
    memo->setPlainText(QStringLiteral("\u2022 Band kHz\t100.000\t200.000\t0.050\tkHz\t1:30:0"));
    const auto rowWidth = [&] {
        memo->document()->documentLayout()->documentSize(); // lays the row out
        const QTextLayout *l = memo->document()->firstBlock().layout();
        return l->lineCount() ? l->lineAt(0).naturalTextWidth() : 0.0;
    };
    QVERIFY2(rowWidth() < memo->contentsRect().width(),
             qPrintable(QStringLiteral("%1 of %2 px").arg(rowWidth()).arg(memo->contentsRect().width())));
    const qreal designStop = memo->tabStopDistance();
    w.applyFontSizes(10, 10);
    QVERIFY(memo->tabStopDistance() > designStop);
}

void TestMainWindow::surfaceText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::newRow("button") << "Konec" << "QPushButton";
    QTest::newRow("label") << "PersonL" << "QLabel";
    QTest::newRow("read-only field") << "CasWrite" << "QLineEdit";
    QTest::newRow("editable field") << "Poznamka3" << "QLineEdit";
    QTest::newRow("check box") << "CloseByStop" << "QCheckBox";
    QTest::newRow("radio group") << "Colortype" << "QGroupBox";
    QTest::newRow("panel") << "PanelZac" << "QFrame";
}

void TestMainWindow::surfaceText()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    const QString text = QStringLiteral("Příliš <b>žluťoučký</b> kůň");
    s.setText(name, text);
    QCOMPARE(s.text(name), text);
    QWidget *widget = w.widget(name);
    QVERIFY(widget->inherits(qPrintable(className)));
    if (auto *b = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(b->text(), text);
    else if (auto *l = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(l->text(), text);
        QCOMPARE(l->width(), l->sizeHint().width());
    }
    else if (auto *e = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(e->text(), text);
    else if (auto *g = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(g->title(), text);
    s.setText(name, QString());
    QCOMPARE(s.text(name), QString());
}

void TestMainWindow::surfaceOwnFlagsIgnoreThePanel()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    // A control reports its own flags: Memory1 can be shown while its panel
    // is hidden, and Colortype stays enabled inside a disabled panel.
    s.setVisible(QStringLiteral("Memory1"), true);
    QVERIFY(s.isVisible(QStringLiteral("Memory1")));
    QVERIFY(!s.isVisible(QStringLiteral("Panelprani")));
    s.setEnabled(QStringLiteral("Panel6"), false);
    QVERIFY(s.isEnabled(QStringLiteral("Colortype")));
    QVERIFY(!w.widget(QStringLiteral("Colortype"))->isEnabled());
    s.setEnabled(QStringLiteral("Panel6"), true);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    s.setVisible(QStringLiteral("Konec"), false);
    QVERIFY(!s.isVisible(QStringLiteral("Konec")));
    s.setVisible(QStringLiteral("Konec"), true);
    QVERIFY(s.isVisible(QStringLiteral("Konec")));
    QVERIFY(w.widget(QStringLiteral("Konec"))->isVisible());
    s.setEnabled(QStringLiteral("Play"), true);
    QVERIFY(s.isEnabled(QStringLiteral("Play")));
    QVERIFY(w.widget(QStringLiteral("Play"))->isEnabled());
}

void TestMainWindow::surfaceIndex_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("expected");
    QTest::newRow("radio item") << "Colortype" << 2 << 2;
    QTest::newRow("radio none") << "R_Stadby" << -1 << -1;
    QTest::newRow("radio beyond items") << "R_Night" << 3 << -1;
    QTest::newRow("six items") << "R_Power" << 5 << 5;
    QTest::newRow("list row") << "Zakladmemo" << 2 << 2;
    QTest::newRow("list none") << "Zakladmemo" << -1 << -1;
    QTest::newRow("list beyond rows") << "Zakladmemo" << 3 << -1;
    QTest::newRow("scroll position") << "Kikratebar" << 7 << 7;
    QTest::newRow("scroll above range") << "Kikratebar" << 20 << 10;
    QTest::newRow("scroll below range") << "Kikratebar" << 0 << 1;
}

void TestMainWindow::surfaceIndex()
{
    QFETCH(QString, name);
    QFETCH(int, set);
    QFETCH(int, expected);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    s.setLines(QStringLiteral("Zakladmemo"), {QStringLiteral(" a "), QStringLiteral(" b "), QStringLiteral(" c ")});
    s.setIndex(QStringLiteral("Zakladmemo"), 1);
    s.setIndex(name, set);
    QCOMPARE(s.index(name), expected);
    QWidget *widget = w.widget(name);
    if (auto *g = qobject_cast<QGroupBox *>(widget)) {
        const auto items = g->findChildren<QRadioButton *>();
        for (int i = 0; i < items.size(); ++i)
            QCOMPARE(items.at(i)->isChecked(), i == expected);
    } else if (auto *l = qobject_cast<QListWidget *>(widget)) {
        QCOMPARE(l->currentRow(), expected);
        QCOMPARE(l->selectedItems().size(), expected >= 0 ? 1 : 0);
    } else if (auto *b = qobject_cast<QScrollBar *>(widget)) {
        QCOMPARE(b->value(), expected);
    }
}

void TestMainWindow::surfaceLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("lines");
    for (const char *name : {"Zakladmemo", "MemoPlayShow", "MemoWish", "PopisPT1"}) {
        const QString n = QString::fromLatin1(name);
        QTest::addRow("%s none", name) << n << QStringList();
        QTest::addRow("%s one empty", name) << n << QStringList{QString()};
        QTest::addRow("%s empty last", name) << n << QStringList{QStringLiteral("a"), QString()};
        QTest::addRow("%s mixed", name)
            << n << QStringList{QStringLiteral(" [QQZovT W] "), QString(), QStringLiteral("a\tb\u00a0c"), QStringLiteral("◘ x")};
    }
}

void TestMainWindow::surfaceLines()
{
    QFETCH(QString, name);
    QFETCH(QStringList, lines);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    s.setLines(name, {QStringLiteral("old")});
    s.setLines(name, lines);
    QCOMPARE(s.lines(name), lines);
    QCOMPARE(s.lineCount(name), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(s.line(name, i), lines.at(i));
    QCOMPARE(s.line(name, int(lines.size())), QString());
    QCOMPARE(s.line(name, -1), QString());
    QCOMPARE(s.text(name), lines.join(QLatin1Char('\n')));
    s.clear(name);
    QCOMPARE(s.lineCount(name), 0);
}

using SurfaceOp = std::function<void(ControlSurface &)>;
Q_DECLARE_METATYPE(SurfaceOp)

void TestMainWindow::surfacesRefuseWhatTheWindowLacks_data()
{
    QTest::addColumn<SurfaceOp>("op");
    const QString misspelt = QStringLiteral("PanelSetting"); // the control is PanelSettig
    QTest::newRow("misspelt name, enable") << SurfaceOp([=](ControlSurface &ui) { ui.setEnabled(misspelt, true); });
    QTest::newRow("misspelt name, read") << SurfaceOp([=](ControlSurface &ui) { ui.isVisible(misspelt); });
    QTest::newRow("editor control on the main window")
        << SurfaceOp([](ControlSurface &ui) { ui.setText(QStringLiteral("Zvire"), QStringLiteral("x")); });
    QTest::newRow("check mark of a list")
        << SurfaceOp([](ControlSurface &ui) { ui.setChecked(QStringLiteral("Zakladmemo"), true); });
    QTest::newRow("item index of a button")
        << SurfaceOp([](ControlSurface &ui) { ui.index(QStringLiteral("Play")); });
    QTest::newRow("lines of a button")
        << SurfaceOp([](ControlSurface &ui) { ui.appendLine(QStringLiteral("Play"), QStringLiteral("x")); });
    QTest::newRow("text of a scroll bar")
        << SurfaceOp([](ControlSurface &ui) { ui.text(QStringLiteral("Kikratebar")); });
}

// A name or an operation that the real window would refuse must fail the
// headless tests as well, not only the window.
void TestMainWindow::surfacesRefuseWhatTheWindowLacks()
{
    QFETCH(SurfaceOp, op);
    TForm19 w;
    WidgetSurface real(&w, design::mainWindowControls());
    MemorySurface headless{design::mainWindowControls()};
    QVERIFY_THROWS_EXCEPTION(std::logic_error, op(real));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, op(headless));
}

void TestMainWindow::surfaceLineEditing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("list") << "Zakladmemo";
    QTest::newRow("read-only memo") << "MemoPlayShow";
    QTest::newRow("memo") << "MemoWish";
}

void TestMainWindow::surfaceLineEditing()
{
    QFETCH(QString, name);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    MemorySurface m{design::mainWindowControls()};
    for (ControlSurface *c : {static_cast<ControlSurface *>(&s), static_cast<ControlSurface *>(&m)}) {
        c->appendLine(name, QStringLiteral("header"));
        c->appendLine(name, QString());
        c->appendLine(name, QStringLiteral("row 2"));
        c->setLine(name, 1, QStringLiteral("• row 1"));
        c->setLine(name, 0, QString());
        // Lines that are not there are not made.
        c->setLine(name, 3, QStringLiteral("• "));
        c->setLine(name, 5, QStringLiteral("far"));
        c->setLine(name, -1, QStringLiteral("nowhere"));
    }
    const QStringList expected{QString(), QStringLiteral("• row 1"), QStringLiteral("row 2")};
    QCOMPARE(m.lines(name), expected);
    QCOMPARE(s.lines(name), expected);

    // Text the operator typed without a final line break is a line too.
    if (auto *edit = qobject_cast<QPlainTextEdit *>(w.widget(name))) {
        edit->setPlainText(QStringLiteral("typed\nwish"));
        QCOMPARE(s.lines(name), (QStringList{QStringLiteral("typed"), QStringLiteral("wish")}));
        s.appendLine(name, QStringLiteral("more"));
        s.setLine(name, 1, QStringLiteral("WISH"));
        QCOMPARE(s.lines(name), (QStringList{QStringLiteral("typed"), QStringLiteral("WISH"), QStringLiteral("more")}));
    }
}

void TestMainWindow::surfaceLongListAndWishSignal()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    QStringList entries;
    for (int i = 0; i < 5000; ++i)
        entries.append(QStringLiteral(" Program %1 ").arg(i));
    s.setLines(QStringLiteral("Zakladmemo"), entries);
    s.setLines(QStringLiteral("Zakladmemo"), entries);
    QCOMPARE(s.lineCount(QStringLiteral("Zakladmemo")), 5000);
    QCOMPARE(s.line(QStringLiteral("Zakladmemo"), 4999), entries.last());
    QVERIFY(w.widget(QStringLiteral("Zakladmemo"))->updatesEnabled());

    // The wish text's change handler must see changes made by the program.
    QSignalSpy changed(w.control<QPlainTextEdit>("MemoWish"), &QPlainTextEdit::textChanged);
    s.setLines(QStringLiteral("MemoWish"), {QStringLiteral("Zdraví")});
    QVERIFY(!changed.isEmpty());
    changed.clear();
    s.clear(QStringLiteral("MemoWish"));
    QVERIFY(!changed.isEmpty());
}

void TestMainWindow::surfaceStateNamesLiveInMemory()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    for (const char *n : {"PRSAdresaAkt", "PRSAdresaProt", "PRSAdresKlentaData", "PRSAdresaDBZ",
                          "PRSAdresaPresmerovani", "PRSAdresaData"}) {
        const QString name = QString::fromLatin1(n);
        QVERIFY(s.isState(name));
        QCOMPARE(s.text(name), QString());
        s.setText(name, QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\"));
        QCOMPARE(s.text(name), QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\"));
    }
    QVERIFY(!s.isChecked(QStringLiteral("Dododo")));
    s.setChecked(QStringLiteral("Dododo"), true);
    QVERIFY(s.isChecked(QStringLiteral("Dododo")));
    QVERIFY(!s.isVisible(QStringLiteral("Dododo")));
    s.setLines(QStringLiteral("NacistMemo"), {QStringLiteral("[A]"), QStringLiteral("row")});
    s.appendLine(QStringLiteral("MemoPlay"), QStringLiteral("[B]"));
    s.setLine(QStringLiteral("MemoPlay"), 0, QStringLiteral("[A]"));
    QCOMPARE(s.lineCount(QStringLiteral("NacistMemo")), 2);
    QCOMPARE(s.lines(QStringLiteral("MemoPlay")), QStringList{QStringLiteral("[A]")});
    QVERIFY(!s.widget(QStringLiteral("NacistMemo")));
    QVERIFY(!s.isState(QStringLiteral("Konec")));
}

void TestMainWindow::surfaceRefusesUnknownNamesAndKinds()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    const QString typo = QStringLiteral("Zakladmemo ");
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.isEnabled(typo));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.setVisible(typo, true));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.setText(typo, QString()));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.index(typo));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.appendLine(typo, QString()));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.showPicture(typo, QStringLiteral("C:\\x.jpg")));
    try {
        s.setChecked(QStringLiteral("Dodood"), true);
        QFAIL("no exception");
    } catch (const std::logic_error &e) {
        QVERIFY(QByteArray(e.what()).contains("Dodood"));
    }
    QVERIFY(!s.has(typo));

    // Operations a control cannot do are programming errors too.
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.index(QStringLiteral("Konec")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.setIndex(QStringLiteral("CasWrite"), 0));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.lines(QStringLiteral("CasWrite")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.clear(QStringLiteral("CasWrite")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.isChecked(QStringLiteral("Zakladmemo")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.text(QStringLiteral("Kikratebar")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, s.showPicture(QStringLiteral("Konec"), QStringLiteral("C:\\x.jpg")));
}

void TestMainWindow::surfacePictures()
{
    test::TempDrive drive;
    const QString green = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\4GREEN.png");
    QImage image(20, 4, QImage::Format_RGB32);
    image.fill(QColor(0, 200, 0));
    drive.put(green, QByteArray());
    QVERIFY(image.save(drive.native(green), "PNG"));

    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    for (const char *name : {"COMconct", "PlayUkaz", "JasLED_Pc_Zn", "TherapyL1"}) {
        const QString n = QString::fromLatin1(name);
        s.showPicture(n, green);
        auto *label = w.control<QLabel>(n);
        QVERIFY(label->hasScaledContents());
        QCOMPARE(label->pixmap().size(), QSize(20, 4));
        QCOMPARE(label->pixmap().toImage().pixelColor(1, 1), QColor(0, 200, 0));
        QCOMPARE(s.picture(n), green);
    }
    // A missing picture is a read error; the control keeps what it showed.
    QVERIFY_THROWS_EXCEPTION(ReadError, s.showPicture(QStringLiteral("COMconct"), QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\1RED.jpg")));
    QCOMPARE(w.control<QLabel>("COMconct")->pixmap().size(), QSize(20, 4));
    QCOMPARE(s.picture(QStringLiteral("COMconct")), green);
}

void TestMainWindow::designStateMatchesTheWidgets()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    MemorySurface m{design::mainWindowControls()};
    for (const design::Control &c : design::mainWindowControls()) {
        const QString &n = c.name;
        QVERIFY2(m.has(n), qPrintable(n));
        QVERIFY2(m.isEnabled(n) == s.isEnabled(n), qPrintable(n));
        QVERIFY2(m.isVisible(n) == s.isVisible(n), qPrintable(n));
        const auto oneOf = [&c](std::initializer_list<Kind> kinds) {
            return std::find(kinds.begin(), kinds.end(), c.kind) != kinds.end();
        };
        if (oneOf({Kind::CheckBox, Kind::State}))
            QVERIFY2(m.isChecked(n) == s.isChecked(n), qPrintable(n));
        if (oneOf({Kind::RadioGroup, Kind::ListBox, Kind::ScrollBar, Kind::State}))
            QVERIFY2(m.index(n) == s.index(n), qPrintable(n));
        if (oneOf({Kind::RadioGroup, Kind::ListBox, Kind::Memo, Kind::State}))
            QVERIFY2(m.lines(n) == s.lines(n), qPrintable(n));
        if (c.kind != Kind::ScrollBar)
            QVERIFY2(m.text(n) == s.text(n), qPrintable(n));
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

// The main window's controls against its design table, and the widget
// surface that the controllers drive them through.

#include "app/MainWindowController.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "playback/PlaybackController.h"
#include "playback/PlaybackEngine.h"
#include "program/ProgramController.h"
#include "core/Clock.h"
#include "storage/FileError.h"
#include "i18n/Captions.h"
#include "ui/ClientEditorDesign.h"
#include "ui/ClientEditorWindow.h"
#include "ui/ColumnMemo.h"
#include "ui/LayoutRules.h"
#include "ui/LineList.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetSurface.h"
#include "support/TempDrive.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTextLayout>
#include <QCheckBox>
#include <QFileInfo>
#include <QFontInfo>
#include <QGlyphRun>
#include <QRawFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
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
    void programRowsLineUp();
    void wideFieldFarDownALongProgram();
    void aMillionRowsCostWhatIsInSight();
    void wholeProgramInReachAroundAPlayback_data();
    void wholeProgramInReachAroundAPlayback();
    void longLinesShownCutReadWhole_data();
    void longLinesShownCutReadWhole();
    void schemeColoursOnScreen_data();
    void schemeColoursOnScreen();
    void settingGlassButton();
    void resizeFollowsTheOuterSize();
    void nothingClippedAtTheDesignSize_data();
    void nothingClippedAtTheDesignSize();
    void designFontAndEveryScript();
    void windowIcon();
    void wishTextLegibleWhileReadOnly();
    void everyCaptionFits_data();
    void everyCaptionFits();

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
    case Kind::ListBox: return "zovt::LineList";
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
        // The program rows are a memo of the design drawn as a list view.
        const char *expected = c.name == QLatin1String("MemoPlayShow") ? "zovt::ColumnMemo" : className(c.kind);
        QVERIFY2(widget->inherits(expected), qPrintable(c.name));
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
    QVERIFY(w.control<LineList>("Zakladmemo"));
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

// The x at which each field after a tab starts in a row of the display, as
// drawn.
QList<qreal> fieldStarts(const ColumnMemo *memo, int row)
{
    return memo->fieldStarts(memo->shownRow(row)).mid(1);
}

// A paint device that keeps where each text is drawn, in the resolution of
// a widget, so that a painting can be checked against what was planned.
class TextPositions : public QPaintDevice {
public:
    explicit TextPositions(const QWidget *like) : m_like(like) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    // Where each text drawn begins, with the text.
    QList<std::pair<qreal, QString>> texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 4000;
        case PdmHeight: return 100;
        case PdmWidthMM: return 4000 * 254 / (10 * m_like->logicalDpiX());
        case PdmHeightMM: return 100 * 254 / (10 * m_like->logicalDpiY());
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmPhysicalDpiX: return m_like->logicalDpiX();
        case PdmDpiY:
        case PdmPhysicalDpiY: return m_like->logicalDpiY();
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    struct Engine : QPaintEngine {
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawTextItem(const QPointF &p, const QTextItem &item) override { texts.append({p.x(), item.text()}); }
        Type type() const override { return QPaintEngine::User; }
        QList<std::pair<qreal, QString>> texts;
    };
    const QWidget *m_like;
    mutable Engine m_engine;
};

// Where the display's delegate draws the fields of a row, from the start of
// the row's text.
QList<std::pair<qreal, QString>> drawnFields(const ColumnMemo *memo, int row)
{
    TextPositions device(memo);
    QStyleOptionViewItem option;
    option.initFrom(memo);
    option.rect = QRect(0, 0, 4000, memo->rowHeight());
    option.font = memo->font();
    {
        QPainter p(&device);
        memo->itemDelegate()->paint(&p, option, memo->model()->index(row, 0));
    }
    QList<std::pair<qreal, QString>> out = device.texts();
    for (auto &t : out)
        t.first -= ColumnMemo::TextMargin;
    return out;
}

// Stands between the row display and its delegate and counts what the view
// asks of it: a size once for every layout of the rows (they are all of one
// size), a painting for every row drawn.
class CountingDelegate : public QAbstractItemDelegate {
public:
    explicit CountingDelegate(QAbstractItemView *view) : QAbstractItemDelegate(view), m_inner(view->itemDelegate())
    {
        view->setItemDelegate(this);
    }
    void paint(QPainter *p, const QStyleOptionViewItem &o, const QModelIndex &i) const override
    {
        ++paints;
        m_inner->paint(p, o, i);
    }
    QSize sizeHint(const QStyleOptionViewItem &o, const QModelIndex &i) const override
    {
        ++sizes;
        return m_inner->sizeHint(o, i);
    }
    void reset() { paints = sizes = 0; }

    mutable int paints = 0;
    mutable int sizes = 0;

private:
    QAbstractItemDelegate *m_inner;
};

// Whether the whole of row lies in the display's sight, and is the row drawn there.
bool inSight(const ColumnMemo *memo, int row)
{
    const QRect r = memo->rowRect(row);
    return r.isValid() && r.top() >= 0 && r.bottom() < memo->viewport()->height()
           && memo->indexAt(r.center()).row() == row;
}

// Moves the display with its scroll bar alone, bringing row to the top as far
// as the bar goes; true when the row is then in sight.
bool reachedByScrolling(ColumnMemo *memo, int row)
{
    QScrollBar *bar = memo->verticalScrollBar();
    const QRect r = memo->rowRect(row);
    if (!r.isValid())
        return false;
    bar->setValue(bar->value() + r.top());
    return inSight(memo, row);
}

// Rows with fields of differing widths start every column at the same place,
// the playing row's marker included, at the design font and at a larger one;
// at the design size a whole band row, its duration included, stays within
// the display.
void TestMainWindow::programRowsLineUp()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    auto *memo = w.control<ColumnMemo>("MemoPlayShow");
    const QString marker = QStringLiteral("\u2022 ");
    s.setLines(QStringLiteral("MemoPlayShow"),
               {QStringLiteral(" [Imunita] "), QStringLiteral("A\t\t728.000\t\tHz\t0:3:0"),
                QStringLiteral("Band kHz\t100.000\t10200.000\t0.050\tkHz\t1:30:0"),
                QStringLiteral("WWWWWWWW\t1.000\t2.000\t0.100\tMHz\t0:0:5")});
    const auto checkColumns = [&] {
        const QList<qreal> first = fieldStarts(memo, 1);
        QCOMPARE(first.size(), 5);
        for (int line : {2, 3})
            QCOMPARE(fieldStarts(memo, line), first);
        // Each column starts after the widest field before it.
        const QFontMetricsF fm(memo->font());
        QVERIFY(first.at(0) > fm.horizontalAdvance(marker + QStringLiteral("WWWWWWWW")));
        QVERIFY(first.at(2) > first.at(1) + fm.horizontalAdvance(QStringLiteral("10200.000")));
    };
    checkColumns();
    const QList<qreal> designStops = fieldStarts(memo, 1);
    // The delegate draws every field where the stops put it.
    for (int row : {1, 2, 3}) {
        const QStringList fields = memo->shownRow(row).split(QLatin1Char('\t'));
        const QList<qreal> starts = memo->fieldStarts(memo->shownRow(row));
        QList<std::pair<qreal, QString>> planned;
        for (qsizetype k = 0; k < fields.size(); ++k)
            if (!fields.at(k).isEmpty())
                planned.append({starts.at(k), fields.at(k)});
        QCOMPARE(drawnFields(memo, row), planned);
    }

    // The playing row takes its marker; no column moves.
    s.setLine(QStringLiteral("MemoPlayShow"), 2, marker + s.line(QStringLiteral("MemoPlayShow"), 2));
    checkColumns();
    QCOMPARE(fieldStarts(memo, 1), designStops);

    const QString band = memo->shownRow(2);
    const qreal bandWidth = ColumnMemo::TextMargin + fieldStarts(memo, 2).last()
                            + QFontMetricsF(memo->font()).horizontalAdvance(band.section(QLatin1Char('\t'), -1));
    QVERIFY2(bandWidth < memo->contentsRect().width(),
             qPrintable(QStringLiteral("%1 of %2 px").arg(bandWidth).arg(memo->contentsRect().width())));
    QVERIFY(memo->textWidth() >= bandWidth);

    // A wider name moves the columns right; a larger font widens them.
    s.setLine(QStringLiteral("MemoPlayShow"), 1, QStringLiteral("A much longer row name\t\t728.000\t\tHz\t0:3:0"));
    checkColumns();
    const QList<qreal> longNameStops = fieldStarts(memo, 1);
    QVERIFY(longNameStops.first() > designStops.first());
    const int rowHeight = memo->rowHeight();
    w.applyFontSizes(14, 12);
    checkColumns();
    QVERIFY(fieldStarts(memo, 1).first() > longNameStops.first());
    QVERIFY(memo->rowHeight() > rowHeight);
    QCOMPARE(memo->rowRect(1).height(), memo->rowHeight());
}

// The stops of a long program come from a sample of its rows; a wide field
// in a row the sample skips still pushes its column. Marking a row moves no
// column and lays out no row anew: the rows' size is not even asked again.
void TestMainWindow::wideFieldFarDownALongProgram()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    auto *memo = w.control<ColumnMemo>("MemoPlayShow");
    QStringList rows{QStringLiteral(" [Long] ")};
    for (int r = 1; r <= 5000; ++r)
        rows << QStringLiteral("R%1\t\t10.000\t\tHz\t0:0:1").arg(r % 10);
    rows[3751] = QStringLiteral("A row name far wider than the others\t\t10.000\t\tHz\t0:0:1");
    s.setLines(QStringLiteral("MemoPlayShow"), rows);
    const QList<qreal> first = fieldStarts(memo, 1);
    QCOMPARE(fieldStarts(memo, 3751), first);
    QCOMPARE(fieldStarts(memo, 4999), first);

    CountingDelegate counting(memo);
    QVERIFY(memo->rowRect(4999).isValid()); // the layout a new delegate asks for
    QCOMPARE(counting.sizes, 1);
    counting.reset();
    s.setLine(QStringLiteral("MemoPlayShow"), 2, QStringLiteral("\u2022 ") + rows.at(2));
    QVERIFY(memo->rowRect(4999).isValid()); // runs a layout if one were due
    QCoreApplication::processEvents();
    QCOMPARE(counting.sizes, 0);
    QCOMPARE(fieldStarts(memo, 2), first);
    QCOMPARE(fieldStarts(memo, 10), first);
    QCOMPARE(s.line(QStringLiteral("MemoPlayShow"), 2), QStringLiteral("\u2022 ") + rows.at(2));
}

// A million rows cost the display what is in sight: it is laid out once (its
// rows asked their size once, as they are all of one), draws only the rows
// it shows, and reaches its first and its last row by its scroll bar. A row
// marked far down comes into sight, repainting no more than a screenful; the
// rows read back whole.
void TestMainWindow::aMillionRowsCostWhatIsInSight()
{
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *memo = w.control<ColumnMemo>("MemoPlayShow");
    CountingDelegate counting(memo);
    const QString name = QStringLiteral("MemoPlayShow");
    const int n = 1000000;
    QStringList rows{QStringLiteral(" [Long] ")};
    rows.reserve(n);
    for (int r = 1; r < n; ++r)
        rows << QStringLiteral("R%1\t\t10.000\t\tHz\t0:0:1").arg(r);
    counting.reset();
    s.setLines(name, rows);
    QCOMPARE(s.lineCount(name), n);
    QCOMPARE(s.line(name, n - 1), rows.at(n - 1));
    const int screenful = memo->viewport()->height() / memo->rowHeight() + 2;
    QVERIFY(inSight(memo, 0));
    QCoreApplication::processEvents();
    QCOMPARE(counting.sizes, 1);
    counting.paints = 0;
    memo->viewport()->grab();
    QVERIFY2(counting.paints > 0 && counting.paints <= screenful, qPrintable(QString::number(counting.paints)));
    QVERIFY(reachedByScrolling(memo, n - 1));
    QVERIFY(reachedByScrolling(memo, n / 2));
    QVERIFY(reachedByScrolling(memo, 0));

    const QString marker = QStringLiteral("\u2022 ");
    const int far = n - 100;
    counting.reset();
    s.setLine(name, far, marker + rows.at(far));
    QCOMPARE(s.line(name, far), marker + rows.at(far));
    QCOMPARE(memo->shownRow(far), marker + rows.at(far));
    QVERIFY(inSight(memo, far));
    QCoreApplication::processEvents();
    QCOMPARE(counting.sizes, 0);
    counting.paints = 0;
    memo->viewport()->grab();
    QVERIFY2(counting.paints <= screenful, qPrintable(QString::number(counting.paints)));

    // The keys start where the view is: coming in by Tab, the display stands
    // on the first row wholly in sight; typing looks for nothing; an arrow
    // moves on from there, the view staying.
    QScrollBar *bar = memo->verticalScrollBar();
    bar->setValue(bar->value() - memo->rowHeight() / 2); // the top row cut
    const int at = bar->value();
    const int top = memo->indexAt(QPoint(0, 0)).row();
    QVERIFY(memo->rowRect(top).top() < 0);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    memo->setFocus(Qt::TabFocusReason);
    QVERIFY(memo->hasFocus());
    QCOMPARE(memo->currentIndex().row(), top + 1);
    QCOMPARE(bar->value(), at);
    QTest::keyClicks(memo, QStringLiteral("R9"));
    QCOMPARE(memo->currentIndex().row(), top + 1);
    QTest::keyClick(memo, Qt::Key_Down);
    QCOMPARE(memo->currentIndex().row(), top + 2);
    QCOMPARE(bar->value(), at);

    s.setLine(name, far, rows.at(far));
    // A new playback starts at the first row again: the view goes back to it,
    // the keys keep their row.
    s.setLine(name, 1, marker + rows.at(1));
    QVERIFY(inSight(memo, 1));
    QCOMPARE(memo->currentIndex().row(), top + 2);
    QVERIFY(memo->hasFocus());
    s.setLine(name, 1, rows.at(1));
    QCOMPARE(s.lines(name), rows);
}

void TestMainWindow::wholeProgramInReachAroundAPlayback_data()
{
    const int n = 100000;
    QTest::addColumn<int>("from");   // the first row played: 1 by Play, else by resuming there
    QTest::addColumn<int>("lookAt"); // the row playing when the operator scrolls about; 0: before Play
    QTest::addColumn<int>("stopAt"); // the row at which the operator presses Stop; 0: none
    QTest::newRow("before the playback") << 1 << 0 << 0;
    // The rows shown at first are left behind some thirty rows in.
    QTest::newRow("playing the first rows") << 1 << 1 << 80;
    QTest::newRow("playing halfway") << n / 2 << n / 2 << n / 2 + 80;
    QTest::newRow("playing the last rows, to the end") << n - 79 << n << 0;
}

// A program of 100,000 rows played on the window in virtual time: its
// header, a middle row and its last row are each reached by the scroll bar
// before the playback, while it plays and after it ended (stopped, or at the
// last row); the row being played is in sight at every row, also right after
// the operator scrolled away from it.
void TestMainWindow::wholeProgramInReachAroundAPlayback()
{
    QFETCH(int, from);
    QFETCH(int, lookAt);
    QFETCH(int, stopAt);
    const int n = 100000; // rows after the header
    test::TempDrive drive;
    drive.installPictures();
    const QString program = QStringLiteral("C:\\OrvaTherapy\\long.txt");
    QByteArray file = "[Long program]\r\n";
    for (int r = 1; r <= n; ++r)
        file += "R" + QByteArray::number(r) + "\t\t10.000\t0\tHz\t0\t0\t1\r\n";
    file += "[STOP]\r\n";
    drive.put(program, file);

    TForm19 w;
    WidgetSurface ui(&w, design::mainWindowControls());
    VirtualClock clock;
    RecordingPort port(clock);
    ScriptedDialogs dialogs;
    Application app(clock, ui, port, dialogs);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Laid out as shown, but not painted: repainting the window (its running
    // bar, its pictures) at every row would take the test minutes, and where
    // the rows lie is what it looks at.
    w.setUpdatesEnabled(false);
    app.run("Nastav", [&] { app.shell().Nastav(); });
    clock.advance(4000); // stand-by lighting done
    dialogs.chooseFile(program);
    app.run("Open", [&] { app.program().Open(); });
    ui.setIndex(QStringLiteral("Zakladmemo"), 0);
    app.run("ZakladMemoCliknul", [&] { app.program().ZakladMemoCliknul(); });
    auto *memo = w.control<ColumnMemo>("MemoPlayShow");
    QVERIFY(memo->isVisible());
    QCOMPARE(memo->rows().size(), n + 1);
    QVERIFY(inSight(memo, 0));

    QStringList failures;
    const auto lookAround = [&](const QString &when) {
        for (int row : {0, n / 2, n})
            if (!reachedByScrolling(memo, row))
                failures << QStringLiteral("row %1 out of reach %2").arg(row).arg(when);
    };
    if (lookAt == 0) {
        lookAround(QStringLiteral("before the playback"));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        return;
    }

    // The playback journal would write a file at every row: its own tests
    // cover it.
    app.playback().keepNoJournal();
    int played = 0;
    app.playback().engine().rowPlaying = [&](int k) {
        if (k == played)
            return;
        played = k;
        if (!memo->shownRow(k).startsWith(QStringLiteral("\u2022 ")) || !inSight(memo, k))
            failures << QStringLiteral("row %1 played out of sight").arg(k);
        // The row before it (the header at the first row) and the rows to
        // come show with it.
        if (!inSight(memo, k - 1) || (k + 1 < memo->rows().size() && !inSight(memo, k + 1)))
            failures << QStringLiteral("row %1 played without the rows around it").arg(k);
        if (k == lookAt)
            lookAround(QStringLiteral("while row %1 plays").arg(k));
        if (k == stopAt)
            app.playback().Stop();
    };
    // Following the played row takes neither the focus nor the row the keys
    // stand on.
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus != memo);
    if (from == 1)
        app.run("Play", [&] { app.playback().Play(); });
    else
        app.run("resume", [&] { app.playback().resume(from, 1000); });
    QCOMPARE(played, stopAt ? stopAt : n);
    QVERIFY(port.writes().size() > (stopAt ? stopAt : n) - from);
    QVERIFY(!memo->rows().join(QLatin1Char('\n')).contains(QStringLiteral("\u2022 ")));
    QCOMPARE(QApplication::focusWidget(), focus);
    QVERIFY(!memo->currentIndex().isValid());
    lookAround(QStringLiteral("after the playback"));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 20).join(QLatin1Char('\n'))));
}

// What a list or the row display shows of a very long line is cut; what the
// program reads back (and records) is the whole line.
void TestMainWindow::longLinesShownCutReadWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("program list") << "Zakladmemo";
    QTest::newRow("row display") << "MemoPlayShow";
}

void TestMainWindow::longLinesShownCutReadWhole()
{
    QFETCH(QString, name);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    const QString longLine = QStringLiteral(" [") + QString(100000, QLatin1Char('x')) + QStringLiteral("] ");
    const QStringList lines{QStringLiteral("short"), longLine};
    s.setLines(name, lines);
    s.appendLine(name, longLine + QLatin1Char('y'));
    s.setLine(name, 0, QStringLiteral("# ") + longLine);
    const QStringList whole{QStringLiteral("# ") + longLine, longLine, longLine + QLatin1Char('y')};
    QCOMPARE(s.lines(name), whole);
    QCOMPARE(s.line(name, 2), whole.at(2));
    QCOMPARE(s.text(name), whole.join(QLatin1Char('\n')));

    const auto shown = [&](int i) {
        if (auto *l = qobject_cast<LineList *>(w.widget(name)))
            return l->model()->data(l->model()->index(i, 0)).toString();
        return w.control<ColumnMemo>(name)->shownRow(i);
    };
    for (int i = 0; i < whole.size(); ++i) {
        QCOMPARE(shown(i), layout::displayLine(whole.at(i)));
        QCOMPARE(shown(i).size(), layout::DisplayLineCap);
    }
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
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
    } else if (auto *l = qobject_cast<LineList *>(widget)) {
        QCOMPARE(l->currentRow(), expected);
        QCOMPARE(l->selectionModel()->selectedIndexes().size(), expected >= 0 ? 1 : 0);
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
    QTest::addColumn<QString>("named"); // the name the error names, where it matters
    const QString misspelt = QStringLiteral("PanelSetting"); // the control is PanelSettig
    QTest::newRow("misspelt name, enable") << SurfaceOp([=](ControlSurface &ui) { ui.setEnabled(misspelt, true); }) << QString();
    QTest::newRow("misspelt name, read") << SurfaceOp([=](ControlSurface &ui) { ui.isVisible(misspelt); }) << QString();
    QTest::newRow("editor control on the main window")
        << SurfaceOp([](ControlSurface &ui) { ui.setText(QStringLiteral("Zvire"), QStringLiteral("x")); }) << QString();
    QTest::newRow("check mark of a list")
        << SurfaceOp([](ControlSurface &ui) { ui.setChecked(QStringLiteral("Zakladmemo"), true); }) << QString();
    QTest::newRow("item index of a button")
        << SurfaceOp([](ControlSurface &ui) { ui.index(QStringLiteral("Play")); }) << QString();
    QTest::newRow("lines of a button")
        << SurfaceOp([](ControlSurface &ui) { ui.appendLine(QStringLiteral("Play"), QStringLiteral("x")); }) << QString();
    QTest::newRow("text of a scroll bar")
        << SurfaceOp([](ControlSurface &ui) { ui.text(QStringLiteral("Kikratebar")); }) << QString();
    const QString typo = QStringLiteral("Zakladmemo "); // a trailing blank
    QTest::newRow("typo, enabled") << SurfaceOp([=](ControlSurface &ui) { ui.isEnabled(typo); }) << QString();
    QTest::newRow("typo, show") << SurfaceOp([=](ControlSurface &ui) { ui.setVisible(typo, true); }) << QString();
    QTest::newRow("typo, text") << SurfaceOp([=](ControlSurface &ui) { ui.setText(typo, QString()); }) << QString();
    QTest::newRow("typo, index") << SurfaceOp([=](ControlSurface &ui) { ui.index(typo); }) << QString();
    QTest::newRow("typo, line") << SurfaceOp([=](ControlSurface &ui) { ui.appendLine(typo, QString()); }) << QString();
    QTest::newRow("typo, picture")
        << SurfaceOp([=](ControlSurface &ui) { ui.showPicture(typo, QStringLiteral("C:\\x.jpg")); }) << QString();
    QTest::newRow("typo of a state name")
        << SurfaceOp([](ControlSurface &ui) { ui.setChecked(QStringLiteral("Dodood"), true); }) << QStringLiteral("Dodood");
    QTest::newRow("item index of the exit button")
        << SurfaceOp([](ControlSurface &ui) { ui.index(QStringLiteral("Konec")); }) << QString();
    QTest::newRow("item index of a label")
        << SurfaceOp([](ControlSurface &ui) { ui.setIndex(QStringLiteral("CasWrite"), 0); }) << QString();
    QTest::newRow("lines of a label") << SurfaceOp([](ControlSurface &ui) { ui.lines(QStringLiteral("CasWrite")); }) << QString();
    QTest::newRow("clearing a label") << SurfaceOp([](ControlSurface &ui) { ui.clear(QStringLiteral("CasWrite")); }) << QString();
    QTest::newRow("check mark read of a list")
        << SurfaceOp([](ControlSurface &ui) { ui.isChecked(QStringLiteral("Zakladmemo")); }) << QString();
    QTest::newRow("picture on a button")
        << SurfaceOp([](ControlSurface &ui) { ui.showPicture(QStringLiteral("Konec"), QStringLiteral("C:\\x.jpg")); }) << QString();
}

// A name or an operation that the real window would refuse must fail the
// headless tests as well, not only the window.
void TestMainWindow::surfacesRefuseWhatTheWindowLacks()
{
    QFETCH(SurfaceOp, op);
    QFETCH(QString, named);
    TForm19 w;
    WidgetSurface real(&w, design::mainWindowControls());
    MemorySurface headless{design::mainWindowControls()};
    QVERIFY_THROWS_EXCEPTION(std::logic_error, op(real));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, op(headless));
    if (!named.isEmpty()) {
        try {
            op(real);
        } catch (const std::logic_error &e) {
            QVERIFY(QString::fromUtf8(e.what()).contains(named));
        }
        QVERIFY(!real.has(named));
    }
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

namespace {

// A point of a widget's own face: inside its frame and under none of its
// shown children.
QPoint facePoint(const QWidget *w)
{
    const QRect inside = w->contentsRect().adjusted(3, 3, -3, -3);
    for (int y = inside.top(); y <= inside.bottom(); y += 2)
        for (int x = inside.left(); x <= inside.right(); x += 2) {
            bool covered = false;
            for (const QWidget *c : w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                covered = covered || (!c->isHidden() && c->geometry().adjusted(-2, -2, 2, 2).contains(x, y));
            if (!covered)
                return QPoint(x, y);
        }
    return QPoint(-1, -1);
}

} // namespace

void TestMainWindow::schemeColoursOnScreen_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

// What a screenshot shows: the scheme colour on the window and its panels,
// the fixed colours whatever the scheme.
void TestMainWindow::schemeColoursOnScreen()
{
    QFETCH(bool, dark);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    s.show({"Panelprani", "PanelSettigCOM", "Panel2"}, true);
    w.applyColourScheme(dark);
    const QImage shot = w.grab().toImage();
    const auto at = [&](const char *name, const QPoint &local) {
        QWidget *widget = w.widget(QString::fromLatin1(name));
        return shot.pixelColor(widget ? widget->mapTo(&w, local) : local);
    };
    const QColor scheme = dark ? QColor(0, 0, 255) : QColor(117, 184, 251);
    QCOMPARE(shot.pixelColor(facePoint(&w)), scheme);
    for (const char *panel : {"PanelZac", "Panel6", "PanelJmeno", "PanelPlay", "Panelprani"}) {
        const QPoint p = facePoint(w.widget(QString::fromLatin1(panel)));
        QVERIFY2(p.x() >= 0, panel);
        QCOMPARE(at(panel, p), scheme);
    }
    QCOMPARE(at("PanelSettigCOM", facePoint(w.widget(QStringLiteral("PanelSettigCOM")))), QColor(128, 128, 128));
    QCOMPARE(at("Panel2", facePoint(w.widget(QStringLiteral("Panel2")))).rgb(),
             QGuiApplication::palette().color(QPalette::Dark).rgb());
    auto *list = w.control<LineList>("Zakladmemo");
    QCOMPARE(shot.pixelColor(list->viewport()->mapTo(&w, QPoint(20, 20))), QColor(Qt::white));
    QWidget *label = w.widget(QStringLiteral("PersonL"));
    QCOMPARE(at("PersonL", QPoint(label->width() - 1, 0)), QColor(99, 204, 254));
}

// The settings button: a black rounded face with a white caption of 20
// pixels, lit in its glow colour while the mouse is over it.
void TestMainWindow::settingGlassButton()
{
    test::TempDrive drive;
    QtClock clock;
    MainWindowController form(clock);
    TForm19 &w = form.window();
    auto *setting = w.control<QPushButton>("Setting");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseMove(&w, QPoint(700, 40));
    QCoreApplication::processEvents();

    const auto shot = [&] { return w.grab().toImage(); };
    const QPoint origin = setting->geometry().topLeft();
    const QPoint side = origin + QPoint(3, setting->height() / 2);
    QImage calm = shot();
    QCOMPARE(calm.pixelColor(side), QColor(0, 0, 0));
    // Rounded: the window shows at the corner.
    QCOMPARE(calm.pixelColor(origin), QColor(117, 184, 251));
    bool whiteCaption = false;
    for (int y = origin.y(); y < origin.y() + setting->height() && !whiteCaption; ++y)
        for (int x = origin.x(); x < origin.x() + setting->width() && !whiteCaption; ++x)
            whiteCaption = calm.pixelColor(x, y) == QColor(255, 255, 255);
    QVERIFY(whiteCaption);
    setting->ensurePolished();
    QCOMPARE(QFontInfo(setting->font()).pixelSize(), 20);

    QTest::mouseMove(setting, setting->rect().center());
    QTRY_VERIFY(setting->underMouse());
    QTRY_COMPARE(shot().pixelColor(origin + QPoint(0, setting->height() / 2)), QColor(141, 189, 255));
}

// The rules work on the client area in the design's frame: the examples of
// a 1046 x 655 window are the design client size, whatever frame the
// platform draws. Widths never change; the window gets no smaller than the
// design.
void TestMainWindow::resizeFollowsTheOuterSize()
{
    test::TempDrive drive;
    QtClock clock;
    MainWindowController form(clock);
    TForm19 &w = form.window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto at = [&](const char *name) { return w.widget(QString::fromLatin1(name))->geometry(); };
    const auto resizeOuter = [&](int width, int height) {
        w.resize(QSize(width, height) - design::DesignFrame);
        QTRY_COMPARE(w.layoutSize(), QSize(width, height));
    };

    resizeOuter(1046, 655);
    QCOMPARE(w.size(), QSize(1046, 655) - design::DesignFrame);
    QCOMPARE(at("Zakladmemo").left(), 397);
    QCOMPARE(at("ZovToolEdit").left(), 396);
    QCOMPARE(at("TherapyL1Pan").left(), 1017);
    QCOMPARE(at("Setting").top(), 573);
    QCOMPARE(at("Konec").top(), 576);
    QCOMPARE(at("ZovToolEdit").top(), 576);
    QCOMPARE(at("PanelJmeno").top(), 262);
    QCOMPARE(at("MemoPlayShow").top(), 263);
    QCOMPARE(at("MemoPlayShow").bottom(), at("ZovToolEdit").bottom());
    for (const QString &name : layout::resizedControls())
        QCOMPARE(w.widget(name)->width(), design::findControl(name)->geometry.width());

    // The wish text decides the height of the Orvatrin picture.
    w.widget(QStringLiteral("MemoWish"))->show();
    resizeOuter(1100, 700);
    QTRY_COMPARE(at("OrvatrinPowerPcPanel").height(), 105);
    w.widget(QStringLiteral("MemoWish"))->hide();
    resizeOuter(1101, 700);
    QTRY_COMPARE(at("OrvatrinPowerPcPanel").height(), 469);
    QCOMPARE(at("Zakladmemo").left(), 418);

    // Smaller than the design it does not get.
    w.resize(900, 560);
    QCOMPARE(w.size(), design::ClientSize);
    QCOMPARE(w.minimumSize(), design::ClientSize);
}

void TestMainWindow::nothingClippedAtTheDesignSize_data()
{
    QTest::addColumn<QSize>("asked"); // the client size asked for
    QTest::addColumn<bool>("wishMode");
    QTest::addColumn<bool>("settings");
    QTest::newRow("design") << QSize(1030, 617) << false << false;
    QTest::newRow("design, wish mode") << QSize(1030, 617) << true << false;
    QTest::newRow("design, settings open") << QSize(1030, 617) << false << true;
    QTest::newRow("900 x 560") << QSize(900, 560) << false << true;
    QTest::newRow("wide and low") << QSize(1260, 600) << true << true;
    QTest::newRow("narrow and tall") << QSize(1000, 960) << false << true;
    QTest::newRow("large, wish mode") << QSize(1270, 990) << true << false;
}

// At any size the window can take, laid out by the rules, every control lies
// inside the window and none covers another the operator uses; the open
// settings panel covers only the left-hand panels it is drawn over.
void TestMainWindow::nothingClippedAtTheDesignSize()
{
    QFETCH(QSize, asked);
    QFETCH(bool, wishMode);
    QFETCH(bool, settings);
    TForm19 w;
    WidgetSurface s(&w, design::mainWindowControls());
    QStringList rows;
    for (int i = 0; i < 80; ++i)
        rows << QStringLiteral("Row %1\t\t728.000\t\tHz\t0:3:0").arg(i);
    s.setLines(QStringLiteral("MemoPlayShow"), rows);
    s.show({"MemoWish", "ZovTWisch", "Wishes1dole"}, wishMode);
    s.setVisible(QStringLiteral("MemoPlayShow"), !wishMode);
    s.show({"Orva_Tlac", "Panel5", "OrvaTGener"}, true);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(asked);
    QCOMPARE(w.size(), asked.expandedTo(design::ClientSize));
    const QSize outer = w.layoutSize();
    w.applyGeometries(layout::FormResize(outer.width(), outer.height(), w.geometries(), wishMode));

    const QRect client = w.rect();
    const auto inWindow = [&](const QWidget *c) { return QRect(c->mapTo(&w, QPoint(0, 0)), c->size()); };
    QList<const QWidget *> used;
    for (const design::Control &c : design::mainWindowControls()) {
        const QWidget *widget = w.widget(c.name);
        if (!widget || !widget->isVisible())
            continue;
        QVERIFY2(client.contains(inWindow(widget)), qPrintable(c.name));
        if (c.kind != Kind::Panel && c.kind != Kind::Picture && c.kind != Kind::State)
            used.append(widget);
    }
    auto *rowsBox = w.control<ColumnMemo>("MemoPlayShow");
    if (!wishMode) {
        QVERIFY(rowsBox->verticalScrollBar()->isVisible());
        QVERIFY(client.contains(inWindow(rowsBox->verticalScrollBar())));
    }
    // Controls of different places do not overlap (those of one panel are
    // placed by the design).
    for (const QWidget *a : used)
        for (const QWidget *b : used)
            if (a < b && a->parentWidget() != b->parentWidget()) {
                const bool stacked = a->isAncestorOf(b) || b->isAncestorOf(a);
                QVERIFY2(stacked || !inWindow(a).intersects(inWindow(b)),
                         qPrintable(a->objectName() + QStringLiteral(" / ") + b->objectName()));
            }
    if (settings) {
        // The settings panel lies over PanelZac and PanelJmeno only.
        s.show({"PanelSettig", "PanelSettigCOM"}, true);
        for (const char *panel : {"PanelSettig", "PanelSettigCOM"}) {
            const QRect p = inWindow(w.widget(QString::fromLatin1(panel)));
            QVERIFY2(client.contains(p), panel);
            for (const QWidget *c : used) {
                const QWidget *top = c;
                while (top->parentWidget() != &w)
                    top = top->parentWidget();
                const QString where = top->objectName();
                if (where == QLatin1String("PanelZac") || where == QLatin1String("PanelJmeno"))
                    continue;
                QVERIFY2(!p.intersects(inWindow(c)), qPrintable(QString::fromLatin1(panel) + QStringLiteral(" / ") + c->objectName()));
            }
        }
    }
}

// The design font is the free Tahoma where Wine's fonts are installed, and
// every text the window shows has its glyphs (no boxes), through Qt's font
// fallback where the design font lacks them.
void TestMainWindow::designFontAndEveryScript()
{
    TForm19 w;
    QCOMPARE(QFontInfo(w.font()).family(), design::designFontFamily());
    if (QFileInfo::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf")))
        QCOMPARE(design::designFontFamily(), QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(w.font()).pointSize(), 8);
    for (const QString &text : {QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy"),
                                QStringLiteral("Grüße, Größe, Übung"), QStringLiteral("Språk: åäö ÅÄÖ"),
                                QStringLiteral("Русский: Программа уже запущена"),
                                QStringLiteral("\u25D8 [QQ Program]"), QStringLiteral("\u2022 A\t728.000"),
                                QStringLiteral("\u2699")}) {
        QTextLayout layout(text, w.font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun &run : layout.glyphRuns())
            for (quint32 glyph : run.glyphIndexes())
                QVERIFY2(glyph != 0, qPrintable(text + QStringLiteral(" in ") + run.rawFont().familyName()));
    }
}

void TestMainWindow::windowIcon()
{
    TForm19 w;
    const QImage icon = w.windowIcon().pixmap(QSize(64, 64)).toImage();
    QCOMPARE(icon.size(), QSize(64, 64));
    QCOMPARE(icon.pixelColor(32, 6), QColor(0x4a, 0x90, 0xe2)); // the blue face
}

void TestMainWindow::wishTextLegibleWhileReadOnly()
{
    TForm19 w;
    auto *wish = w.control<QPlainTextEdit>(QStringLiteral("MemoWish"));
    wish->setEnabled(false);
    const QPalette pal = wish->palette();
    const QColor text = pal.color(QPalette::Disabled, QPalette::Text);
    const QColor base = pal.color(QPalette::Disabled, QPalette::Base);
    // Lightness apart as far as black is from the sky blue's half.
    QVERIFY2(std::abs(text.lightness() - base.lightness()) > 100,
             qPrintable(QStringLiteral("%1 on %2").arg(text.name(), base.name())));
}

namespace {

// Where a caption does not fit its control in the control's own font:
// wider than its room, accents or descenders cut off at the top or bottom,
// or running into a control beside it; lists that would need a horizontal
// scroll bar.
QStringList captionProblems(QWidget *window, const QStringList &names)
{
    QStringList out;
    for (const QString &name : names) {
        QWidget *w = window->findChild<QWidget *>(name);
        if (!w || w->isHidden())
            continue;
        const QFontMetrics fm(w->font());
        if (auto *list = qobject_cast<QListView *>(w)) {
            list->doItemsLayout();
            QCoreApplication::processEvents();
            if (list->horizontalScrollBar()->maximum() > 0)
                out << name + QStringLiteral(": needs a horizontal scroll bar");
            continue;
        }
        QString text;
        int room = w->width();
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto *check = qobject_cast<QCheckBox *>(w)) {
            text = check->text();
            QStyleOptionButton opt;
            opt.initFrom(check);
            room = w->width() - w->style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, check)
                 - w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, check);
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            text = button->text();
            room = w->width() - 8; // the bevel on both sides
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        if (fm.horizontalAdvance(text) > room)
            out << QStringLiteral("%1: \"%2\" %3 px wide in %4 px").arg(name, text).arg(fm.horizontalAdvance(text)).arg(room);
        // The text is drawn centred on the control's height.
        const QRect ink = fm.tightBoundingRect(text);
        const int baseline = (w->height() - fm.height()) / 2 + fm.ascent();
        if (baseline + ink.top() < 0 || baseline + ink.bottom() >= w->height())
            out << QStringLiteral("%1: \"%2\" cut at the top or bottom (%3 px high)").arg(name, text).arg(w->height());
        // Nothing beside it within the parent.
        if (qobject_cast<QLabel *>(w)) {
            const QRect drawn(w->pos(), QSize(fm.horizontalAdvance(text) + 2, w->height()));
            for (QWidget *other : w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (other != w && other->isVisible() && !other->inherits("QFrame") && drawn.intersects(other->geometry()))
                    out << QStringLiteral("%1: \"%2\" runs into %3").arg(name, text, other->objectName());
        }
    }
    return out;
}

QStringList captionedNames(const design::Form &form)
{
    QStringList names;
    for (const design::Control &c : form)
        if (c.kind == Kind::Label || c.kind == Kind::Button || c.kind == Kind::CheckBox || c.kind == Kind::ListBox)
            names << c.name;
    return names;
}

} // namespace

void TestMainWindow::everyCaptionFits_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("smallerFonts");
    const char *names[] = {"Czech", "English", "German", "Swedish", "Russian"};
    for (int l = 0; l < LanguageCount; ++l) {
        QTest::newRow(names[l]) << l << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, smaller fonts").arg(QLatin1String(names[l])))) << l << true;
    }
}

// Both windows as the program captions them, with the fonts it gives them
// (the design font, the scaled sizes of the main window).
void TestMainWindow::everyCaptionFits()
{
    QFETCH(int, language);
    QFETCH(bool, smallerFonts);
    TForm19 main;
    main.applyFontSizes(10, smallerFonts ? 8 : 10);
    const Texts texts{language, &Catalogue::mainWindow()};
    WidgetSurface surface(&main, design::mainWindowControls());
    applyCaptions(surface, captions::mainWindowStartup(), texts);
    applyCaptions(surface, captions::mainWindowLate(), texts);
    surface.setText(QStringLiteral("MemoryDel"), texts.FATisk(604)); // the longer of its two captions
    // The help lists are shown over the lighting switches.
    surface.show({"PopisP1", "PopisP2", "Panelprani", "Wishes1dole", "Orva_Tlac", "PanelSettig", "Panel8"}, true);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const QStringList mainProblems = captionProblems(&main, captionedNames(design::mainWindowControls()));
    QVERIFY2(mainProblems.isEmpty(), qPrintable(mainProblems.join(QStringLiteral("; "))));

    TForm2 editor;
    WidgetSurface editorSurface(&editor, design::clientEditorControls());
    const Texts editorTexts{language, &Catalogue::clientEditor()};
    applyCaptions(editorSurface, captions::clientEditor(), editorTexts);
    applyCaptions(editorSurface, captions::clientEditorAnimal(), editorTexts);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QStringList problems = captionProblems(&editor, captionedNames(design::clientEditorControls()));
    applyCaptions(editorSurface, captions::clientEditorPerson(), editorTexts);
    problems += captionProblems(&editor, {QStringLiteral("PersonL"), QStringLiteral("PersonL2")});
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

// The picture of a schedule preview: the demo programs drawn as the device
// receives them, checked where the text output says the device holds a
// frequency; the reduction of a long run to the picture's pixels; the clock
// labels of the time axis, the row levels and labels that keep apart; and
// the tool's --plot and --same-scale options.

#include "app/ScheduleRun.h"
#include "playback/SchedulePlot.h"
#include "support/TempDrive.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

using namespace zovt;

namespace {

QByteArray demo()
{
    QFile f(QStringLiteral(ZOVT_SOURCE_DIR "/examples/demo.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether the trace passes within a few pixels of p.
bool traceNear(const QImage &image, QPointF p)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QPoint q(int(p.x()) + dx, int(p.y()) + dy);
            if (!image.rect().contains(q))
                continue;
            const QColor c = image.pixelColor(q);
            if (c.blue() > 150 && c.red() < 110 && c.blue() - c.green() > 60)
                return true;
        }
    }
    return false;
}

// A run as the preview reports it, made up: programs one after another,
// each row one value held for its time and re-sent every 23 seconds, as the
// device receives a single frequency.
class MadeRun {
public:
    struct Row {
        qint64 ms;
        double hz;
        qint32 unit = 1;
        QString name = QString();
    };
    void program(const QString &header, const QVector<Row> &rows)
    {
        ScheduleProgram p;
        p.entry = int(m_result.programs.size()) + 1;
        p.header = header;
        p.startMs = m_now;
        qint64 t = m_now + 1300;
        for (qsizetype k = 0; k < rows.size(); ++k) {
            const Row &r = rows.at(k);
            m_result.rows.append({p.entry, int(k) + 1, r.name, t});
            for (qint64 sent = 0; sent < r.ms; sent += 23000)
                m_result.writes.append({t + sent, QByteArray("1"), QString(), r.hz, r.unit});
            t += r.ms;
            p.totalSeconds += qint32(r.ms / 1000);
        }
        m_result.writes.append({t, QByteArray("12"), QString(), 0, 0});
        p.endMs = t + 2800;
        m_now = p.endMs;
        m_result.programs.append(p);
    }
    const ScheduleResult &result() const { return m_result; }

private:
    ScheduleResult m_result;
    qint64 m_now = 0;
};

// A program fed straight into a reducer: 'rows' rows of rowMs each, every
// row its own level, each value re-sent as the device gets it.
void feedRows(ScheduleTraces &traces, int entry, qint64 startMs, int rows, qint64 rowMs,
              const std::function<double(int)> &hzOf, const QString &name = QStringLiteral("Step"))
{
    ScheduleProgram p{entry, QStringLiteral("[Generated]"), 0, startMs, startMs};
    traces.programStarted(p);
    qint64 t = startMs;
    for (int k = 1; k <= rows; ++k) {
        traces.rowStarted({entry, k, name, t});
        for (qint64 sent = 0; sent < rowMs; sent += 23000)
            traces.written({t + sent, QByteArray("1"), QString(), hzOf(k), 1});
        t += rowMs;
    }
    traces.written({t, QByteArray("12"), QString(), 0, 0});
    p.endMs = t + 2800;
    traces.programEnded(p);
}

// The box a text of the picture covers, as the PNG draws it.
QRectF textBox(const PlotShape &s)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(s.width));
    f.setBold(s.bold);
    const QFontMetricsF m(f);
    const double w = m.horizontalAdvance(s.text);
    const double dx = s.anchor < 0 ? 0 : s.anchor == 0 ? -w / 2 : -w;
    const QPointF at = s.points.at(0);
    if (s.vertical)
        return QRectF(at.x() - m.ascent(), at.y() - w - dx, m.ascent() + m.descent(), w);
    return QRectF(at.x() + dx, at.y() - m.ascent(), w, m.ascent() + m.descent());
}

// Pairs of texts of the picture that overlap.
QStringList overlaps(const SchedulePlot &plot)
{
    QVector<const PlotShape *> texts;
    for (const PlotShape &s : plot.shapes())
        if (s.kind == PlotShape::Text && !s.text.isEmpty())
            texts << &s;
    QStringList out;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QRectF a = textBox(*texts.at(i));
        for (qsizetype j = i + 1; j < texts.size(); ++j)
            if (a.intersects(textBox(*texts.at(j))))
                out << texts.at(i)->text + QStringLiteral(" / ") + texts.at(j)->text;
    }
    return out;
}

// The texts beside a panel's plotting area on its right: the row levels.
QStringList levelTexts(const SchedulePlot &plot, int panel)
{
    const QRectF a = plot.area(panel);
    QStringList out;
    for (const PlotShape &s : plot.shapes())
        if (s.kind == PlotShape::Text && s.points.at(0).x() > a.right() && s.points.at(0).y() > a.top() &&
            s.points.at(0).y() < a.bottom() + 6)
            out << s.text;
    return out;
}

} // namespace

class TestSchedulePlot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void frequencyLabels_data();
    void frequencyLabels();
    void levelLabels_data();
    void levelLabels();
    void timeAxis_data();
    void timeAxis();
    void timeLabelsKeepApartAtAnyLength();
    void demoPicture_data();
    void demoPicture();
    void demoSvg();
    void demoLevels_data();
    void demoLevels();
    void spikeSurvives_data();
    void spikeSurvives();
    void reductionIsBounded_data();
    void reductionIsBounded();
    void sameScale_data();
    void sameScale();
    void labelsKeepApart_data();
    void labelsKeepApart();
    void longTitlesAreCut();
    void longRunIsCut();
    void tool();

private:
    test::TempDrive m_drive;
    ScheduleResult m_result;
    QImage m_image;
};

void TestSchedulePlot::initTestCase()
{
    const QByteArray bytes = demo();
    QVERIFY(!bytes.isEmpty());
    m_drive.put(QStringLiteral("C:\\demo.txt"), bytes);
    ScheduleOptions o;
    o.file = m_drive.native(QStringLiteral("C:\\demo.txt"));
    o.entries = {1, 2, 5};
    m_result = runSchedule(o);
    QVERIFY(m_result.error.isEmpty());
    QCOMPARE(m_result.programs.size(), 3);
    QVERIFY(m_image.loadFromData(SchedulePlot(m_result, QStringLiteral("demo.txt")).png(), "PNG"));
}

void TestSchedulePlot::frequencyLabels_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<QString>("label");
    QTest::newRow("1 Hz") << 1.0 << "1 Hz";
    QTest::newRow("7.83 Hz") << 7.83 << "7.83 Hz";
    QTest::newRow("100 Hz") << 100.0 << "100 Hz";
    QTest::newRow("1 kHz") << 1000.0 << "1 kHz";
    QTest::newRow("2.5 kHz") << 2500.0 << "2.5 kHz";
    QTest::newRow("10 MHz") << 1e7 << "10 MHz";
    QTest::newRow("1 GHz") << 1e9 << "1 GHz";
    QTest::newRow("below 1 Hz") << 0.1 << "0.1 Hz";
}

void TestSchedulePlot::frequencyLabels()
{
    QFETCH(double, hz);
    QFETCH(QString, label);
    QCOMPARE(SchedulePlot::frequencyLabel(hz), label);
}

void TestSchedulePlot::levelLabels_data()
{
    // In the unit the row was written in, to the device's precision.
    QTest::addColumn<double>("hz");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("label");
    QTest::newRow("Hz") << 7.83 << 1 << "7.83 Hz";
    QTest::newRow("whole Hz") << 10.0 << 1 << "10 Hz";
    QTest::newRow("a kHz value in a Hz row") << 2500.0 << 1 << "2500 Hz";
    QTest::newRow("kHz") << 2500.0 << 1000 << "2.5 kHz";
    QTest::newRow("kHz to the hundredth of a hertz") << 1555.56 << 1000 << "1.55556 kHz";
    QTest::newRow("MHz from its square-root value") << 1732.05 * 1732.05 << 1000000 << "3 MHz";
    QTest::newRow("GHz") << 1.5e9 << 1000000000 << "1.5 GHz";
    QTest::newRow("no unit read") << 250.0 << 0 << "250 Hz";
}

void TestSchedulePlot::levelLabels()
{
    QFETCH(double, hz);
    QFETCH(int, unit);
    QFETCH(QString, label);
    QCOMPARE(SchedulePlot::levelLabel(hz, unit), label);
}

void TestSchedulePlot::timeAxis_data()
{
    // A panel's plotting area is 1010 pixels wide.
    QTest::addColumn<qint64>("lengthMs");
    QTest::addColumn<qint64>("stepMs");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("last");
    QTest::newRow("20 s") << qint64(20000) << qint64(2000) << "0:02" << "0:20";
    QTest::newRow("59 s") << qint64(59000) << qint64(5000) << "0:05" << "0:55";
    QTest::newRow("10 min") << qint64(600000) << qint64(60000) << "1:00" << "10:00";
    QTest::newRow("1 h 30 min") << qint64(5400000) << qint64(600000) << "0:10:00" << "1:30:00";
    QTest::newRow("30 h") << qint64(108000000) << qint64(10800000) << "3:00:00" << "30:00:00";
    QTest::newRow("just under an hour") << qint64(3599000) << qint64(300000) << "5:00" << "55:00";
    QTest::newRow("200 days") << qint64(200) * 86400000 << qint64(20) * 86400000 << "480:00:00" << "4800:00:00";
}

void TestSchedulePlot::timeAxis()
{
    QFETCH(qint64, lengthMs);
    QFETCH(qint64, stepMs);
    QFETCH(QString, second);
    QFETCH(QString, last);
    const SchedulePlot::TimeAxis axis = SchedulePlot::timeAxis(lengthMs, 1010);
    QCOMPARE(axis.stepMs, stepMs);
    QCOMPARE(axis.hours, lengthMs >= 3600000);
    QCOMPARE(SchedulePlot::clockLabel(0, axis.hours), axis.hours ? QStringLiteral("0:00:00") : QStringLiteral("0:00"));
    QCOMPARE(SchedulePlot::clockLabel(stepMs, axis.hours), second);
    QCOMPARE(SchedulePlot::clockLabel(lengthMs / stepMs * stepMs, axis.hours), last);
}

void TestSchedulePlot::timeLabelsKeepApartAtAnyLength()
{
    // From a moment to centuries, on a wide and a narrow panel: the labels
    // are a nice step apart, never closer than their width, and a step
    // shorter would crowd them.
    const QList<qint64> nice{1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};
    const auto niceDays = [](qint64 s) {
        if (s % 86400 != 0)
            return false;
        qint64 d = s / 86400;
        while (d % 10 == 0)
            d /= 10;
        return d == 1 || d == 2 || d == 5;
    };
    for (double width : {1010.0, 300.0}) {
        for (double length = 1; length < 1e13; length *= 1.37) {
            const qint64 ms = qint64(length);
            const SchedulePlot::TimeAxis axis = SchedulePlot::timeAxis(ms, width);
            const qint64 s = axis.stepMs / 1000;
            QVERIFY2(axis.stepMs % 1000 == 0 && (nice.contains(s) || niceDays(s)), qPrintable(QString::number(s)));
            if (axis.stepMs >= ms)
                continue;
            const double px = double(axis.stepMs) * width / double(ms);
            const QString widest = SchedulePlot::clockLabel(ms / axis.stepMs * axis.stepMs, axis.hours);
            QVERIFY2(px >= SchedulePlot::clockLabelWidth(widest), qPrintable(QStringLiteral("%1 ms: %2 px").arg(ms).arg(px)));
            QVERIFY2(ms / axis.stepMs <= qint64(width / 40), qPrintable(QStringLiteral("%1 ms: too many labels").arg(ms)));
        }
    }
}

void TestSchedulePlot::demoPicture_data()
{
    // Times since each program's Play, as zovt-schedule prints them for the
    // demo file: the start lighting, then the first value at 1.3 s.
    QTest::addColumn<int>("panel");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<double>("hz");
    QTest::addColumn<bool>("trace");
    QTest::newRow("Alpha 10 Hz") << 0 << qint64(10000) << 10.0 << true;
    QTest::newRow("Alpha, not at 7.83 Hz") << 0 << qint64(10000) << 7.83 << false;
    QTest::newRow("Theta 7.83 Hz") << 0 << qint64(45000) << 7.83 << true;
    QTest::newRow("nothing before the first value") << 0 << qint64(600) << 10.0 << false;
    QTest::newRow("sweep starts at 200 Hz") << 1 << qint64(2500) << 200.0 << true;
    QTest::newRow("sweep at 150.02 Hz") << 1 << qint64(26000) << 150.02 << true;
    QTest::newRow("sweep not yet at 100 Hz") << 1 << qint64(26000) << 100.0 << false;
    QTest::newRow("sweep ends at 100 Hz") << 1 << qint64(52000) << 100.0 << true;
    QTest::newRow("Low 1 Hz") << 2 << qint64(8000) << 1.0 << true;
    QTest::newRow("Band kHz at 1.5 kHz") << 2 << qint64(30000) << 1555.56 << true;
    QTest::newRow("High 3 MHz") << 2 << qint64(55000) << 3e6 << true;
    QTest::newRow("High, not at 1 MHz") << 2 << qint64(55000) << 1e6 << false;
}

void TestSchedulePlot::demoPicture()
{
    QFETCH(int, panel);
    QFETCH(qint64, ms);
    QFETCH(double, hz);
    QFETCH(bool, trace);

    const SchedulePlot plot(m_result, QStringLiteral("demo.txt"));
    QCOMPARE(plot.panelCount(), 3);
    QCOMPARE(m_image.size(), plot.size());
    QCOMPARE(m_image.width(), 1200);
    // Panels one under another, each within the picture.
    QVERIFY(plot.area(panel).bottom() < m_image.height());
    if (panel > 0)
        QVERIFY(plot.area(panel).top() > plot.area(panel - 1).bottom());
    const QPointF p = plot.at(panel, ms, hz);
    QVERIFY(plot.area(panel).contains(p));
    QCOMPARE(traceNear(m_image, p), trace);
}

void TestSchedulePlot::demoSvg()
{
    const SchedulePlot plot(m_result, QStringLiteral("demo.txt"));
    QXmlStreamReader xml(plot.svg());
    QStringList texts;
    int polylines = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("svg")) {
            QCOMPARE(xml.attributes().value(QLatin1String("width")).toInt(), plot.size().width());
            QCOMPARE(xml.attributes().value(QLatin1String("height")).toInt(), plot.size().height());
        } else if (xml.name() == QLatin1String("polyline")) {
            ++polylines;
        } else if (xml.name() == QLatin1String("text")) {
            texts << xml.readElementText();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(polylines, 3);
    // Row names, axis labels in the row's units, the real durations.
    for (const char *t : {"Alpha 10 Hz", "Theta 7.83 Hz", "Sweep", "Low", "Band kHz", "High", "10 Hz", "1 kHz",
                          "10 MHz", "time since Play (m:ss)", "program time 0:00:50, real duration 0:01:00",
                          "program 2  [Band sweep 100-200 Hz]"})
        QVERIFY2(texts.contains(QLatin1String(t)), t);
}

void TestSchedulePlot::demoLevels_data()
{
    // Each row's level in its own unit: the band of a sweep by its ends, the
    // kHz band as kHz, the MHz row as its row says it.
    QTest::addColumn<int>("panel");
    QTest::addColumn<QStringList>("levels");
    QTest::newRow("single frequencies") << 0 << QStringList{"10 Hz", "7.83 Hz"};
    QTest::newRow("sweep") << 1 << QStringList{"100 Hz", "200 Hz"};
    QTest::newRow("mixed units") << 2 << QStringList{"1 Hz", "1 kHz", "3 MHz"};
}

void TestSchedulePlot::demoLevels()
{
    QFETCH(int, panel);
    QFETCH(QStringList, levels);
    const SchedulePlot plot(m_result, QStringLiteral("demo.txt"));
    QStringList shown = levelTexts(plot, panel);
    shown.sort();
    levels.sort();
    QCOMPARE(shown, levels);
}

void TestSchedulePlot::spikeSurvives_data()
{
    // One short row inside a long program of another level: a reduction that
    // averages or takes every n-th value loses it.
    QTest::addColumn<qint64>("programMs");
    QTest::addColumn<qint64>("spikeAtMs");
    QTest::addColumn<double>("baseHz");
    QTest::addColumn<double>("spikeHz");
    QTest::newRow("1 s at 1 MHz in 10 h at 10 Hz") << qint64(36000000) << qint64(18000000) << 10.0 << 1e6;
    QTest::newRow("1 s at 1 Hz in 30 h at 10 kHz") << qint64(108000000) << qint64(77777000) << 1e4 << 1.0;
    QTest::newRow("right after the first row") << qint64(36000000) << qint64(60000) << 10.0 << 1e6;
    QTest::newRow("just before the end") << qint64(36000000) << qint64(35990000) << 10.0 << 1e6;
}

void TestSchedulePlot::spikeSurvives()
{
    QFETCH(qint64, programMs);
    QFETCH(qint64, spikeAtMs);
    QFETCH(double, baseHz);
    QFETCH(double, spikeHz);
    MadeRun run;
    run.program(QStringLiteral("[Long]"),
                {{spikeAtMs - 1300, baseHz}, {1000, spikeHz}, {programMs - spikeAtMs - 1000, baseHz}});
    const ScheduleResult &r = run.result();

    // Held in exactly the pixel column of its time, as the highest or lowest
    // value there; every other column holds the base level only.
    const SchedulePlot plot(r, QStringLiteral("long.txt"));
    const qint64 axis = plot.axisMs(0);
    const int pixels = int(plot.area(0).width());
    // The reducer as the picture has it, fed again to look into.
    TraceReducer reducer;
    for (const ScheduleRow &row : r.rows)
        reducer.rowStarted(row.startMs, row.row, row.name);
    for (const ScheduleWrite &w : r.writes) {
        if (w.hz > 0)
            reducer.value(w.ms, w.hz, w.unit);
        else
            reducer.command(w.ms);
    }
    reducer.finish(r.programs.first().endMs);
    QVERIFY(reducer.spansUsed() <= TraceReducer::kSpans);
    QVERIFY(reducer.spanMs() * pixels <= axis); // a span no wider than a column
    const QVector<TraceReducer::Column> columns = reducer.columns(axis, pixels);
    const int spikeColumn = int(double(spikeAtMs) * pixels / double(axis));
    int withSpike = 0;
    for (int c = 0; c < pixels; ++c) {
        const TraceReducer::Column &col = columns.at(c);
        if (!col.held)
            continue;
        const bool spike = col.lo == spikeHz || col.hi == spikeHz;
        withSpike += spike ? 1 : 0;
        if (spike) {
            QVERIFY2(std::abs(c - spikeColumn) <= 1, qPrintable(QString::number(c)));
            QCOMPARE(spikeHz > baseHz ? col.lo : col.hi, baseHz);
        } else {
            QCOMPARE(col.lo, baseHz);
            QCOMPARE(col.hi, baseHz);
        }
    }
    QVERIFY(withSpike >= 1 && withSpike <= 2);

    // And the picture shows it.
    QImage image;
    QVERIFY(image.loadFromData(plot.png(), "PNG"));
    const qint64 away = spikeAtMs < programMs / 2 ? programMs * 3 / 4 : programMs / 4;
    QVERIFY(traceNear(image, plot.at(0, spikeAtMs, spikeHz)));
    QVERIFY(traceNear(image, plot.at(0, away, baseHz)));
    QVERIFY(!traceNear(image, plot.at(0, away, spikeHz)));
}

void TestSchedulePlot::reductionIsBounded_data()
{
    // Rows of 2 s each: a long program is its number of rows.
    QTest::addColumn<int>("rows");
    QTest::newRow("1,000 rows") << 1000;
    QTest::newRow("1,000,000 rows") << 1000000;
}

void TestSchedulePlot::reductionIsBounded()
{
    QFETCH(int, rows);
    ScheduleTraces traces;
    feedRows(traces, 1, 0, rows, 2000, [](int k) { return 10.0 + (k - 1) % 5000; });
    QCOMPARE(int(traces.panels().size()), 1);
    const TraceReducer &t = traces.panels().front().trace;
    QCOMPARE(t.rowCount(), qint64(rows));
    // What is held does not grow with the rows.
    QCOMPARE(t.spanCapacity(), TraceReducer::kSpans);
    QVERIFY(t.spansUsed() <= TraceReducer::kSpans);
    // Every row is counted at its level, in a fixed number of bins.
    const QVector<TraceReducer::Level> levels = t.levels();
    QVERIFY(levels.size() <= TraceReducer::kLevelBins);
    qint64 counted = 0;
    for (const TraceReducer::Level &l : levels)
        counted += l.rows;
    QCOMPARE(counted, qint64(rows));
    QCOMPARE(t.lowest().hz, 10.0);
    QCOMPARE(t.highest().hz, 10.0 + std::min(rows, 5000) - 1);
    // Nor does the drawing: a few points per pixel column, a few dozen texts.
    const SchedulePlot plot(traces, QStringLiteral("long.txt"));
    qsizetype points = 0;
    int texts = 0;
    for (const PlotShape &s : plot.shapes()) {
        points += s.points.size();
        texts += s.kind == PlotShape::Text ? 1 : 0;
    }
    QVERIFY2(points < 8 * plot.size().width(), qPrintable(QString::number(points)));
    QVERIFY2(texts < 200, qPrintable(QString::number(texts)));
    QVERIFY(overlaps(plot).isEmpty());

    // Programs past the last panel are counted, not kept.
    ScheduleTraces many;
    for (int p = 1; p <= 100; ++p)
        feedRows(many, p, p * 100000, 3, 2000, [](int) { return 10.0; });
    QCOMPARE(many.played(), 100);
    QCOMPARE(int(many.panels().size()), ScheduleTraces::kMaxPanels);
}

void TestSchedulePlot::sameScale_data()
{
    QTest::addColumn<bool>("same");
    QTest::newRow("each its own") << false;
    QTest::newRow("same scale") << true;
}

void TestSchedulePlot::sameScale()
{
    QFETCH(bool, same);
    MadeRun run;
    run.program(QStringLiteral("[Short]"), {{20000, 10.0}});
    run.program(QStringLiteral("[Long]"), {{300000, 100.0}, {300000, 200.0}});
    const ScheduleProgram &shortOne = run.result().programs.at(0);
    const ScheduleProgram &longOne = run.result().programs.at(1);
    const qint64 shortMs = shortOne.endMs - shortOne.startMs;
    const qint64 longMs = longOne.endMs - longOne.startMs;
    const SchedulePlot plot(run.result(), QStringLiteral("two.txt"), same);
    QCOMPARE(plot.axisMs(0), same ? longMs : shortMs);
    QCOMPARE(plot.axisMs(1), longMs);
    // The same time falls at the same place in both panels, or each
    // program's end at its right edge.
    const double x0 = plot.at(0, 15000, 10).x();
    const double x1 = plot.at(1, 15000, 10).x();
    QCOMPARE(x0 == x1, same);
    QCOMPARE(plot.at(0, shortMs, 10).x() < plot.area(0).right() - 100, same);
    // Both panels' time labels are then the same.
    QStringList labels[2];
    for (const PlotShape &s : plot.shapes()) {
        for (int p = 0; p < 2; ++p) {
            const QRectF a = plot.area(p);
            if (s.kind == PlotShape::Text && s.points.at(0).y() > a.bottom() && s.points.at(0).y() < a.bottom() + 20)
                labels[p] << s.text;
        }
    }
    QCOMPARE(labels[0] == labels[1], same);
    QVERIFY(labels[1].contains(QStringLiteral("10:00")));
    QImage image;
    QVERIFY(image.loadFromData(plot.png(), "PNG"));
    QVERIFY(traceNear(image, plot.at(0, 10000, 10)));
    QVERIFY(traceNear(image, plot.at(1, 400000, 200)));
}

void TestSchedulePlot::labelsKeepApart_data()
{
    QTest::addColumn<int>("fixture");
    QTest::addColumn<bool>("same");
    QTest::newRow("demo") << 0 << false;
    QTest::newRow("demo, same scale") << 0 << true;
    QTest::newRow("many short rows, many levels") << 1 << false;
    QTest::newRow("long and short programs, same scale") << 2 << true;
}

void TestSchedulePlot::labelsKeepApart()
{
    QFETCH(int, fixture);
    QFETCH(bool, same);
    ScheduleTraces traces;
    if (fixture == 1) {
        feedRows(traces, 1, 0, 20000, 3000, [](int k) { return k == 7 ? 1.0 : k == 9 ? 99999.0 : 10.0 + (k * 7919) % 90000; },
                 QStringLiteral("A rather long row name"));
    } else if (fixture == 2) {
        feedRows(traces, 1, 0, 5, 4000, [](int k) { return 100.0 * k; });
        feedRows(traces, 2, 100000, 2000, 50000, [](int k) { return 100.0 + k % 7; }, QString());
    }
    const SchedulePlot plot = fixture == 0 ? SchedulePlot(m_result, QStringLiteral("demo.txt"), same)
                                           : SchedulePlot(traces, QStringLiteral("made.txt"), same);
    const QStringList clash = overlaps(plot);
    QVERIFY2(clash.isEmpty(), qPrintable(clash.join(QStringLiteral("; "))));
    // Everything drawn lies within the picture.
    for (const PlotShape &s : plot.shapes())
        for (const QPointF &p : s.points)
            QVERIFY(QRectF(QPointF(0, 0), QSizeF(plot.size())).contains(p));
    // The lowest and highest level of each panel are labelled whatever else is.
    for (int p = 0; p < plot.panelCount(); ++p)
        QVERIFY(levelTexts(plot, p).size() >= 1);
    if (fixture == 1) {
        const QStringList levels = levelTexts(plot, 0);
        QVERIFY2(levels.contains(QStringLiteral("1 Hz")) && levels.contains(QStringLiteral("99999 Hz")),
                 qPrintable(levels.join(QStringLiteral(", "))));
    }
}

void TestSchedulePlot::longTitlesAreCut()
{
    MadeRun run;
    run.program(QStringLiteral("[") + QString(300, QLatin1Char('W')) + QStringLiteral("]"), {{10000, 10.0}});
    const SchedulePlot plot(run.result(), QString(400, QLatin1Char('M')) + QStringLiteral(".txt"));
    const PlotShape *heading = nullptr;
    const PlotShape *durations = nullptr;
    const PlotShape *title = nullptr;
    for (const PlotShape &s : plot.shapes()) {
        if (s.kind != PlotShape::Text)
            continue;
        if (s.text.startsWith(QStringLiteral("program 1  [W")))
            heading = &s;
        else if (s.text.startsWith(QStringLiteral("program time")))
            durations = &s;
        else if (s.text.startsWith(QStringLiteral("MMM")))
            title = &s;
    }
    QVERIFY(heading && durations && title);
    QVERIFY(heading->text.endsWith(QChar(0x2026)));
    QVERIFY(title->text.endsWith(QChar(0x2026)));
    QVERIFY(textBox(*heading).right() < textBox(*durations).left());
    QVERIFY(textBox(*title).right() <= plot.size().width());
    QVERIFY(overlaps(plot).isEmpty());
}

void TestSchedulePlot::longRunIsCut()
{
    ScheduleResult r;
    for (int i = 0; i < 1000; ++i)
        r.programs.append({i + 1, QStringLiteral("[P]"), 1, i * 2000, i * 2000 + 1500});
    const SchedulePlot plot(r, QStringLiteral("long.txt"));
    QCOMPARE(plot.panelCount(), SchedulePlot::kMaxPanels);
    QVERIFY(plot.size().height() < 9000);
    QVERIFY(plot.svg().contains("976 more programs played, not drawn"));
}

void TestSchedulePlot::tool()
{
    const QString exe = QStringLiteral(ZOVT_BINARY_DIR "/tools/zovt-schedule");
    if (!QFileInfo::exists(exe))
        QSKIP("zovt-schedule is not built");
    const QString file = m_drive.native(QStringLiteral("C:\\demo.txt"));
    const QString png = m_drive.prefix() + QStringLiteral("/demo.png");
    const QString svg = m_drive.prefix() + QStringLiteral("/demo.svg");

    QProcess p;
    p.start(exe, {file, QStringLiteral("--plot"), png});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QImage image(png);
    QCOMPARE(image.size(), QSize(1200, 364));  // one program: the first

    p.start(exe, {file, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("--plot=") + svg});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QFile f(svg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("height=\"694\""));

    // With one time scale both panels end at the longer program's minute.
    for (bool same : {false, true}) {
        QStringList args{file, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("--plot"), svg};
        if (same)
            args << QStringLiteral("--same-scale");
        p.start(exe, args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QFile picture(svg);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.readAll().count(">1:00</text>"), same ? 2 : 1);
    }

    p.start(exe, {file, QStringLiteral("--plot"), m_drive.prefix() + QStringLiteral("/demo.gif")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(!QFileInfo::exists(m_drive.prefix() + QStringLiteral("/demo.gif")));

    // A folder that does not exist: reported, exit 1.
    p.start(exe, {file, QStringLiteral("--plot"), m_drive.prefix() + QStringLiteral("/no/such/dir/x.png")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(err.contains("\nzovt-schedule: ") || err.startsWith("zovt-schedule: "), err.constData());
}

QTEST_MAIN(TestSchedulePlot)
#include "tst_scheduleplot.moc"

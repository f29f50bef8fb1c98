// The picture of a schedule preview: the demo programs drawn as the device
// receives them, checked where the text output says the device holds a
// frequency, and the tool's --plot option.

#include "app/ScheduleRun.h"
#include "playback/SchedulePlot.h"
#include "support/TempDrive.h"

#include <QFile>
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

} // namespace

class TestSchedulePlot : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void frequencyLabels_data();
    void frequencyLabels();
    void demoPicture_data();
    void demoPicture();
    void demoSvg();
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
                          "10 MHz", "minutes since Play", "program time 0:00:50, real duration 0:01:00",
                          "program 2  [Band sweep 100-200 Hz]"})
        QVERIFY2(texts.contains(QLatin1String(t)), t);
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

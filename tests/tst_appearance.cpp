// Font sizes and colour schemes from the settings files.

#include "app/Appearance.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "support/TempDrive.h"
#include "ui/MainWindowDesign.h"

#include <QtTest>

using namespace zovt;
using zovt::test::TempDrive;

namespace {

using OptByte = std::optional<quint8>;

// A palette whose system colours are easy to tell apart.
QPalette systemPalette()
{
    QPalette p;
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(109, 109, 109));
    p.setColor(QPalette::Active, QPalette::Light, QColor(254, 254, 254));
    p.setColor(QPalette::Active, QPalette::Dark, QColor(160, 160, 160));
    return p;
}

} // namespace

Q_DECLARE_METATYPE(OptByte)

class TestAppearance : public QObject {
    Q_OBJECT
private slots:
    void fontSizes_data();
    void fontSizes();
    void fontSizesFromFiles_data();
    void fontSizesFromFiles();

    void schemeFromFlagFile();
    void schemeColours_data();
    void schemeColours();
    void fixedColours();
};

void TestAppearance::fontSizes_data()
{
    QTest::addColumn<OptByte>("data");
    QTest::addColumn<OptByte>("tool");
    QTest::addColumn<bool>("scaleWindows");
    QTest::addColumn<int>("main");
    QTest::addColumn<int>("secondary");

    const OptByte none;
    QTest::newRow("no files") << none << none << false << 10 << 10;
    QTest::newRow("no files, smaller fonts") << none << none << true << 10 << 8;
    QTest::newRow("14") << OptByte(14) << none << false << 14 << 10;
    QTest::newRow("14, smaller fonts") << OptByte(14) << none << true << 10 << 8;
    QTest::newRow("12") << OptByte(12) << none << false << 12 << 10;
    QTest::newRow("10") << OptByte(10) << none << false << 10 << 10;
    QTest::newRow("8 for both") << OptByte(8) << none << false << 8 << 8;
    QTest::newRow("9, smaller fonts keeps 9") << OptByte(9) << none << true << 9 << 8;
    QTest::newRow("the tool's when the data folder has none") << none << OptByte(12) << false << 12 << 10;
    QTest::newRow("the data folder's wins") << OptByte(9) << OptByte(14) << false << 9 << 9;
    QTest::newRow("0 is taken as it is") << OptByte(0) << none << false << 0 << 0;
    QTest::newRow("255") << OptByte(255) << none << false << 255 << 10;
}

void TestAppearance::fontSizes()
{
    QFETCH(OptByte, data);
    QFETCH(OptByte, tool);
    QFETCH(bool, scaleWindows);
    QFETCH(int, main);
    QFETCH(int, secondary);
    const FontSizes f = zovt::fontSizes(data, tool, scaleWindows);
    QCOMPARE(f.ScaleFontTXT, main);
    QCOMPARE(f.ScaleFontTXTSec, secondary);
}

void TestAppearance::fontSizesFromFiles_data()
{
    QTest::addColumn<QByteArray>("data"); // null: no file
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<bool>("scaleWindows");
    QTest::addColumn<int>("main"); // -1: a read error
    QTest::addColumn<int>("secondary");

    const QByteArray none;
    QTest::newRow("empty drive") << none << none << false << 10 << 10;
    QTest::newRow("byte 0C") << QByteArray("\x0C") << none << false << 12 << 10;
    QTest::newRow("byte 0E and the flag") << QByteArray("\x0E") << none << true << 10 << 8;
    QTest::newRow("longer file: first byte") << QByteArray("\x0B\x20", 2) << none << false << 11 << 10;
    QTest::newRow("tool's file") << none << QByteArray("\x0D") << false << 13 << 10;
    QTest::newRow("empty data file") << QByteArray("") << QByteArray("\x0D") << false << -1 << -1;
    QTest::newRow("empty tool file") << none << QByteArray("") << false << -1 << -1;
    QTest::newRow("tool's empty file unread") << QByteArray("\x09") << QByteArray("") << false << 9 << 9;
}

void TestAppearance::fontSizesFromFiles()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, tool);
    QFETCH(bool, scaleWindows);
    QFETCH(int, main);
    QFETCH(int, secondary);
    TempDrive drive;
    if (!data.isNull())
        drive.put(paths::FontScaleFile, data);
    if (!tool.isNull())
        drive.put(paths::ZovToolFontScaleFile, tool);
    if (scaleWindows)
        drive.put(paths::ScaleWindowsFlag, QByteArray());
    if (main < 0) {
        QVERIFY_THROWS_EXCEPTION(ReadError, readFontSizes());
        return;
    }
    QCOMPARE(readFontSizes(), (FontSizes{main, secondary}));
}

void TestAppearance::schemeFromFlagFile()
{
    TempDrive drive;
    QCOMPARE(readColourScheme(), ColourScheme::Light);
    drive.put(paths::DarkColorFlag, QByteArray());
    QCOMPARE(readColourScheme(), ColourScheme::Dark);
}

void TestAppearance::schemeColours_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QColor>("mainWindow");
    QTest::addColumn<QColor>("languageDialog");
    QTest::addColumn<QColor>("clientEditor");
    QTest::newRow("light") << false << QColor(117, 184, 251) << QColor(138, 197, 255) << QColor(254, 254, 254);
    QTest::newRow("dark") << true << QColor(0, 0, 255) << QColor(109, 109, 109) << QColor(128, 128, 128);
}

void TestAppearance::schemeColours()
{
    QFETCH(bool, dark);
    QFETCH(QColor, mainWindow);
    QFETCH(QColor, languageDialog);
    QFETCH(QColor, clientEditor);
    const SchemeColours c = zovt::schemeColours(colourScheme(dark), systemPalette());
    QCOMPARE(c.mainWindow, mainWindow);
    QCOMPARE(c.languageDialog, languageDialog);
    QCOMPARE(c.clientEditor, clientEditor);
}

// Every label of the client panel and each fixed control once, with the
// colour of its kind; nothing depends on the scheme.
void TestAppearance::fixedColours()
{
    QHash<QString, ColourAssignment> byName;
    for (const ColourAssignment &a : zovt::fixedColours(systemPalette())) {
        QVERIFY2(design::findControl(a.control), qPrintable(a.control));
        QVERIFY2(!byName.contains(a.control), qPrintable(a.control));
        byName.insert(a.control, a);
    }

    QHash<QString, ColourAssignment> expected;
    for (const design::Control &c : design::mainWindowControls())
        if (c.kind == design::Kind::Label && c.parent == QLatin1String("PanelJmeno"))
            expected.insert(c.name, {c.name, QPalette::Window, QColor(99, 204, 254)});
    const auto add = [&](const char *name, QPalette::ColorRole role, const QColor &colour) {
        expected.insert(QString::fromLatin1(name), {QString::fromLatin1(name), role, colour});
    };
    add("Kolikrate", QPalette::Window, QColor(99, 204, 254));
    add("MemoWish", QPalette::Base, QColor(166, 202, 240));
    add("ZovTWisch", QPalette::Base, QColor(166, 202, 240));
    add("Zakladmemo", QPalette::Base, QColor(255, 255, 255));
    for (const char *n : {"Panel2", "Panel5", "PopisP1", "PopisP2"})
        add(n, QPalette::Window, QColor(160, 160, 160));
    add("PanelSettig", QPalette::Window, QColor(180, 180, 180));
    add("PanelSettigCOM", QPalette::Window, QColor(128, 128, 128));

    QCOMPARE(byName.size(), expected.size());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QVERIFY2(byName.contains(it.key()), qPrintable(it.key()));
        const ColourAssignment &got = byName.value(it.key());
        QCOMPARE(got.role, it.value().role);
        QCOMPARE(got.colour, it.value().colour);
    }
}

QTEST_GUILESS_MAIN(TestAppearance)
#include "tst_appearance.moc"

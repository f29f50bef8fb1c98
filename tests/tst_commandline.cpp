// The command line shared by every executable: the parser itself, and each
// built program answering --help, --version and a mistake as a Linux program
// does, before it needs a display, a Wine prefix or a device.

#include "core/CommandLine.h"
#include "ui/MainWindowDesign.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace zovt;

namespace {

cli::Program sample(bool qtOptions = false)
{
    cli::Program p;
    p.name = QStringLiteral("prog");
    p.synopsis = QStringLiteral("[OPTION...] FILE");
    p.usage = QStringLiteral("Does a thing.");
    p.options = {
        {QStringLiteral("port"), QStringLiteral("N"), QStringLiteral("The port.")},
        {QStringLiteral("all"), {}, QStringLiteral("Everything.")},
        {QStringLiteral("show"), QStringLiteral("A"), QStringLiteral("Show A.")},
    };
    p.maxOperands = 1;
    p.qtOptions = qtOptions;
    return p;
}

QString given(const cli::Arguments &a)
{
    QStringList out;
    for (const auto &g : a.given)
        out << g.first + QLatin1Char('=') + g.second;
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void helpText();
    void executables_data();
    void executables();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<bool>("qt");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");  // -1: the program runs
    QTest::addColumn<QString>("given");
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<QString>("err");

    const QStringList none;
    QTest::newRow("nothing") << false << none << -1 << "" << none << "";
    QTest::newRow("value as next word") << false << QStringList{"--port", "5", "f.txt"} << -1 << "port=5"
                                        << QStringList{"f.txt"} << "";
    QTest::newRow("value after =") << false << QStringList{"f.txt", "--port=7", "--all"} << -1 << "port=7 all="
                                   << QStringList{"f.txt"} << "";
    QTest::newRow("empty value after =") << false << QStringList{"--port="} << -1 << "port=" << none << "";
    QTest::newRow("repeated, in order") << false << QStringList{"--show", "a", "--all", "--show", "b"} << -1
                                        << "show=a all= show=b" << none << "";
    QTest::newRow("a value may start with a dash") << false << QStringList{"--show", "-x"} << -1 << "show=-x" << none
                                                   << "";
    QTest::newRow("-- ends the options") << false << QStringList{"--", "--all"} << -1 << "" << QStringList{"--all"} << "";
    QTest::newRow("- is an operand") << false << QStringList{"-"} << -1 << "" << QStringList{"-"} << "";
    QTest::newRow("unknown long") << false << QStringList{"--bogus", "f"} << 2 << "" << none
                                  << "prog: unknown option '--bogus' (see prog --help)\n";
    QTest::newRow("unknown long with value") << false << QStringList{"--bogus=1"} << 2 << "" << none
                                             << "prog: unknown option '--bogus' (see prog --help)\n";
    QTest::newRow("unknown short") << false << QStringList{"-x"} << 2 << "" << none
                                   << "prog: unknown option '-x' (see prog --help)\n";
    QTest::newRow("missing value") << false << QStringList{"f", "--port"} << 2 << "" << none
                                   << "prog: option '--port' needs a value N (see prog --help)\n";
    QTest::newRow("value for a switch") << false << QStringList{"--all=yes"} << 2 << "" << none
                                        << "prog: option '--all' takes no value (see prog --help)\n";
    QTest::newRow("one operand too many") << false << QStringList{"a", "b"} << 2 << "" << none
                                          << "prog: unexpected argument 'b' (see prog --help)\n";
    QTest::newRow("Qt option refused by a console program")
        << false << QStringList{"-platform", "offscreen"} << 2 << "" << none
        << "prog: unknown option '-platform' (see prog --help)\n";
    QTest::newRow("Qt options left to a GUI program")
        << true << QStringList{"-platform", "offscreen", "-reverse", "f", "--all"} << -1 << "all=" << QStringList{"f"}
        << "";
    QTest::newRow("a GUI program still refuses -x") << true << QStringList{"-x"} << 2 << "" << none
                                                    << "prog: unknown option '-x' (see prog --help)\n";
    QTest::newRow("help wins over what follows") << false << QStringList{"--help", "--bogus"} << 0 << "" << none << "";
    QTest::newRow("-h") << false << QStringList{"-h"} << 0 << "" << none << "";
    QTest::newRow("a mistake before help") << false << QStringList{"--bogus", "--help"} << 2 << "" << none
                                           << "prog: unknown option '--bogus' (see prog --help)\n";
}

void TestCommandLine::parse()
{
    QFETCH(bool, qt);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, given);
    QFETCH(QStringList, operands);
    QFETCH(QString, err);

    const cli::Arguments a = cli::parse(sample(qt), args);
    QCOMPARE(a.exitCode.value_or(-1), exitCode);
    QCOMPARE(a.err, err);
    if (exitCode == -1) {
        QCOMPARE(::given(a), given);
        QCOMPARE(a.operands, operands);
        QVERIFY(a.out.isEmpty());
    }
}

void TestCommandLine::helpText()
{
    const cli::Arguments a = cli::parse(sample(), {QStringLiteral("--help")});
    QCOMPARE(a.out, QStringLiteral("Usage: prog [OPTION...] FILE\n"
                                   "\n"
                                   "Does a thing.\n"
                                   "\n"
                                   "Options:\n"
                                   "  --port N    The port.\n"
                                   "  --all       Everything.\n"
                                   "  --show A    Show A.\n"
                                   "  -h, --help  Show this help and exit.\n"
                                   "  --version   Show the version and exit.\n"));
    const cli::Arguments v = cli::parse(sample(), {QStringLiteral("--version")});
    QCOMPARE(v.out, QStringLiteral("prog ") + cli::version() + QLatin1Char('\n'));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(cli::version()).hasMatch(),
             qPrintable(cli::version()));
    // One form of the version everywhere: the title, --version, the manuals, the package.
    QVERIFY2(design::windowTitle().startsWith(QStringLiteral("ZovT Generator ") + cli::version() + QLatin1Char(' ')),
             qPrintable(cli::version()));
}

void TestCommandLine::executables_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine");  // of stdout for 0, of stderr otherwise
    QTest::addColumn<bool>("stdoutEmpty");

    const struct {
        const char *name;
        const char *path;
        const char *synopsis;
    } programs[] = {
        {"zovt-generator", "/zovt-generator", "[OPTION...]"},
        {"zovt-devsim", "/tools/zovt-devsim", "[OPTION...]"},
        {"zovt-schedule", "/tools/zovt-schedule", "[OPTION...] FILE [ENTRY...]"},
        {"zovt-drive", "/tools/zovt-drive", "[OPTION...] ENTRY"},
        {"zovt-mkpictures", "/tools/zovt-mkpictures", "FOLDER"},
        {"zovt-screenshot", "/tools/zovt-screenshot", "[OPTION...] [OUT.png]"},
    };
    for (const auto &p : programs) {
        const QString name = QString::fromLatin1(p.name);
        const QString path = QStringLiteral(ZOVT_BINARY_DIR) + QLatin1String(p.path);
        QTest::addRow("%s --help", p.name) << path << "--help" << 0
                                           << QStringLiteral("Usage: %1 %2").arg(name, QLatin1String(p.synopsis)) << false;
        QTest::addRow("%s --version", p.name) << path << "--version" << 0 << name + QLatin1Char(' ') + cli::version()
                                              << false;
        QTest::addRow("%s unknown option", p.name)
            << path << "--no-such-option" << 2
            << QStringLiteral("%1: unknown option '--no-such-option' (see %1 --help)").arg(name) << true;
    }
}

void TestCommandLine::executables()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    QFETCH(bool, stdoutEmpty);
    if (!QFileInfo(path).isExecutable())
        QSKIP("not built");

    // No display, no usable Wine prefix: the answers come before either is needed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("WINEPREFIX"), QStringLiteral("relative/prefix"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(path, {argument});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    if (exitCode == 0) {
        QCOMPARE(out.section(QLatin1Char('\n'), 0, 0), firstLine);
        QVERIFY2(err.isEmpty(), qPrintable(err));
    } else {
        // One line, nothing else.
        QCOMPARE(err, firstLine + QLatin1Char('\n'));
    }
    QCOMPARE(out.isEmpty(), stdoutEmpty);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"

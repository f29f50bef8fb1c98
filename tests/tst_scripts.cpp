// The README's two commands on a machine where nothing is installed yet:
// each installs the packages the build needs before it builds, and the run
// command says what it is doing and shows the build's progress. The package
// tools, CMake, ninja and the programs are stand-ins that log their calls.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestScripts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void commandsInstallBeforeBuilding_data();
    void commandsInstallBeforeBuilding();
    void runCommandShowsTheBuild();
    void installedMachineIsQuiet();
    void runWithAnAdapter_data();
    void runWithAnAdapter();

private:
    struct Result {
        int exitCode = -1;
        QString out;
        QStringList calls;
    };
    Result run(const QString &script, const QStringList &args = {});
    void stub(const QString &name, const QByteArray &body);

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcessEnvironment m_env;
};

void TestScripts::stub(const QString &name, const QByteArray &body)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
}

void TestScripts::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QByteArray log = "echo \"$(basename \"$0\") $*\" >> \"$STUB_LOG\"\n";
    // Nothing is installed until apt-get installed it.
    // Answers the way dpkg-query -W -f='${Package}:${db:Status-Status} ' does.
    stub(QStringLiteral("bin/dpkg-query"),
         "for a; do case \"$a\" in -*) ;; *) [ -n \"$STUB_INSTALLED\" ] && printf '%s:installed ' \"$a\";; esac; done\nexit 0\n");
    stub(QStringLiteral("bin/apt-get"), log);
    stub(QStringLiteral("bin/sudo"), "exec \"$@\"\n");
    stub(QStringLiteral("bin/ctest"), log);
    stub(QStringLiteral("bin/cmake"), log + "case \"$1\" in\n"
                                            "  --build) echo \"[1/2] Building CXX object main.cpp.o\"\n"
                                            "           echo \"[2/2] Linking CXX executable zovt-generator\" ;;\n"
                                            "  *) mkdir -p \"$BUILD_DIR\" && touch \"$BUILD_DIR/build.ninja\" ;;\n"
                                            "esac\n");
    stub(QStringLiteral("bin/ninja"), log + "[ -n \"$STUB_UP_TO_DATE\" ] && echo 'ninja: no work to do.'\nexit 0\n");
    // The programs run.sh starts: the simulator makes its stable path and
    // waits to be ended; the controller ends at once.
    stub(QStringLiteral("build/tools/zovt-devsim"),
         log + "mkdir -p \"$XDG_STATE_HOME/zovt\" && ln -sf /dev/null \"$XDG_STATE_HOME/zovt/devsim-com3\"\n"
               "exec sleep 30\n");
    stub(QStringLiteral("build/zovt-generator"), log);

    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("PATH"), m_dir->filePath(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
    m_env.insert(QStringLiteral("STUB_LOG"), m_dir->filePath(QStringLiteral("calls.log")));
    m_env.insert(QStringLiteral("BUILD_DIR"), m_dir->filePath(QStringLiteral("build")));
    m_env.insert(QStringLiteral("WINEPREFIX"), m_dir->filePath(QStringLiteral("prefix")));
    m_env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir->filePath(QStringLiteral("state")));
    m_env.remove(QStringLiteral("STUB_INSTALLED"));
    m_env.remove(QStringLiteral("STUB_UP_TO_DATE"));
}

TestScripts::Result TestScripts::run(const QString &script, const QStringList &args)
{
    QFile::remove(m_env.value(QStringLiteral("STUB_LOG")));
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(ZOVT_SOURCE_DIR "/") + script, args);
    Result r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAll());
    QFile log(m_env.value(QStringLiteral("STUB_LOG")));
    if (log.open(QIODevice::ReadOnly))
        r.calls = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
}

void TestScripts::commandsInstallBeforeBuilding_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("test command") << "scripts/test.sh";
    QTest::newRow("run command") << "scripts/run.sh";
}

void TestScripts::commandsInstallBeforeBuilding()
{
    QFETCH(QString, script);
    const Result r = run(script);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out));
    qsizetype install = -1, build = -1;
    for (qsizetype i = 0; i < r.calls.size(); ++i) {
        const QString &c = r.calls.at(i);
        if (install < 0 && c.startsWith(QLatin1String("apt-get install")))
            install = i;
        if (build < 0 && c.startsWith(QLatin1String("cmake")))
            build = i;
    }
    QVERIFY2(install >= 0, qPrintable(r.calls.join(QLatin1Char('\n'))));
    QVERIFY(build > install);
    for (const char *p : {"qt6-base-dev", "ninja-build", "xvfb", "fonts-wine", "qt6-translations-l10n"})
        QVERIFY2(r.calls.at(install).contains(QLatin1String(p)), p);
    QVERIFY(!r.calls.at(install).contains(QLatin1String("clang")));
    QVERIFY(r.out.contains(QStringLiteral("Installing dependencies")));
}

void TestScripts::runCommandShowsTheBuild()
{
    // First run: no build yet.
    Result r = run(QStringLiteral("scripts/run.sh"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("Building (first time takes a few minutes)…\n")), qPrintable(r.out));
    QVERIFY2(r.out.contains(QStringLiteral("[2/2] Linking CXX executable zovt-generator\n")), qPrintable(r.out));
    QVERIFY(r.calls.contains(QStringLiteral("zovt-generator ")));

    // Sources changed since: the build shows again, without the first-time note.
    m_env.insert(QStringLiteral("STUB_INSTALLED"), QStringLiteral("1"));
    r = run(QStringLiteral("scripts/run.sh"));
    QVERIFY2(r.out.contains(QStringLiteral("Building…\n[1/2]")), qPrintable(r.out));
    QVERIFY(!r.out.contains(QStringLiteral("first time")));

    // Up to date: not a word about building.
    m_env.insert(QStringLiteral("STUB_UP_TO_DATE"), QStringLiteral("1"));
    r = run(QStringLiteral("scripts/run.sh"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.out));
    QVERIFY2(!r.out.contains(QStringLiteral("Build")) && !r.out.contains(QStringLiteral("[1/2]")), qPrintable(r.out));
    QVERIFY(r.calls.contains(QStringLiteral("zovt-generator ")));
}

void TestScripts::installedMachineIsQuiet()
{
    m_env.insert(QStringLiteral("STUB_INSTALLED"), QStringLiteral("1"));
    Result r = run(QStringLiteral("scripts/install-deps.sh"));
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString());
    QVERIFY(r.calls.isEmpty());

    // The fuzz targets' compiler only when asked for.
    m_env.remove(QStringLiteral("STUB_INSTALLED"));
    r = run(QStringLiteral("scripts/install-deps.sh"), {QStringLiteral("--fuzz")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.calls.last().startsWith(QLatin1String("apt-get install")));
    QVERIFY(r.calls.last().contains(QLatin1String(" clang ")));
}

void TestScripts::runWithAnAdapter_data()
{
    QTest::addColumn<QByteArray>("ports");     // what zovt-generator --list-ports prints
    QTest::addColumn<QByteArray>("configured"); // COM_Nr.dat; empty: none
    QTest::addColumn<QString>("says");
    QTest::addColumn<QString>("simulator");     // its arguments' start; empty: not started

    const QByteArray uart = "COM1  /dev/ttyS0, UART: unknown (no hardware), number: Wine's order, free\n";
    const QByteArray usb = "COM5  /dev/ttyUSB0, USB: 0403:6001 FTDI FT232R USB UART, serial A1, number: Wine's order, free\n";
    QTest::newRow("adapter, nothing configured")
        << uart + usb << QByteArray()
        << "Device: a USB serial adapter is at COM5 (/dev/ttyUSB0, USB: 0403:6001 FTDI FT232R USB UART, serial A1); "
           "no simulator started.\n  No port is configured, so the controller opens COM3: answer Yes to its port question and enter 5"
        << "";
    QTest::newRow("adapter configured") << uart + usb << QByteArray("5\r\n")
                                        << "Device: COM5 is /dev/ttyUSB0 in Wine's numbering; no simulator started." << "";
    QTest::newRow("no adapter") << uart << QByteArray() << "No device mapped at COM3: starting the device simulator"
                                << "--port 3";
}

// A real adapter is used, or at least named, and never shadowed by the
// simulator.
void TestScripts::runWithAnAdapter()
{
    QFETCH(QByteArray, ports);
    QFETCH(QByteArray, configured);
    QFETCH(QString, says);
    QFETCH(QString, simulator);
    stub(QStringLiteral("build/zovt-generator"),
         "echo \"$(basename \"$0\") $*\" >> \"$STUB_LOG\"\n[ \"$1\" = --list-ports ] && printf '%s' \"" + ports + "\"\nexit 0\n");
    m_env.insert(QStringLiteral("STUB_INSTALLED"), QStringLiteral("1"));
    m_env.insert(QStringLiteral("STUB_UP_TO_DATE"), QStringLiteral("1"));
    const QString data = m_dir->filePath(QStringLiteral("prefix/drive_c/WooZovDaz9"));
    QVERIFY(QDir().mkpath(data));
    if (!configured.isEmpty()) {
        QFile f(data + QStringLiteral("/COM_Nr.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(configured);
    }
    const Result r = run(QStringLiteral("scripts/run.sh"));
    QVERIFY2(r.exitCode == 0, qPrintable(r.out));
    QVERIFY2(r.out.contains(says), qPrintable(r.out));
    const QStringList sims = r.calls.filter(QRegularExpression(QStringLiteral("^zovt-devsim ")));
    if (simulator.isEmpty())
        QVERIFY2(sims.isEmpty(), qPrintable(sims.join(QLatin1Char('\n'))));
    else
        QVERIFY2(sims.size() == 1 && sims.first().startsWith(QStringLiteral("zovt-devsim ") + simulator), qPrintable(r.calls.join(QLatin1Char('\n'))));
    QVERIFY(r.calls.contains(QStringLiteral("zovt-generator ")));
}

QTEST_GUILESS_MAIN(TestScripts)
#include "tst_scripts.moc"

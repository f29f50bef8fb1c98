// The glossary against the tree: every file that a table names as a row's
// owner exists and speaks of at least one of the row's names, so that an
// owner that moved, or a name that left its file, shows here instead of
// sending a reader to the wrong place.

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

struct OwnedRow {
    QString nameCell;   // as written, for the report
    QStringList names;  // the code spans of the Name column
    QString ownerCell;  // as written
    QStringList owners; // the files among the Owner column's code spans
};

QStringList codeSpans(const QString &cell)
{
    static const QRegularExpression span(QStringLiteral("`([^`]+)`"));
    QStringList out;
    for (const QRegularExpressionMatch &m : span.globalMatch(cell))
        out << m.captured(1);
    return out;
}

bool isFilePath(const QString &s)
{
    static const QRegularExpression path(QStringLiteral("^[\\w.-]+(/[\\w.-]+)*/[\\w.-]+\\.\\w+$"));
    return path.match(s).hasMatch();
}

QStringList cells(const QString &line)
{
    QString inner = line.trimmed();
    inner = inner.mid(1, inner.endsWith(QLatin1Char('|')) ? inner.size() - 2 : -1);
    QStringList out = inner.split(QLatin1Char('|'));
    for (QString &c : out)
        c = c.trimmed();
    return out;
}

// The rows of every table that has an Owner column, in order. Notes around
// the code spans ("(definition)", "bound in", "shown by") and spans that name
// no file (a class, a function) are left aside.
QList<OwnedRow> ownedRows(const QString &markdown)
{
    static const QRegularExpression separator(QStringLiteral("^\\|[\\s|:-]+\\|$"));
    QList<OwnedRow> rows;
    qsizetype ownerColumn = -1;
    bool inTable = false;
    for (const QString &raw : markdown.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (!line.startsWith(QLatin1Char('|'))) {
            inTable = false;
            continue;
        }
        if (!inTable) {
            inTable = true;
            ownerColumn = cells(line).indexOf(QStringLiteral("Owner"));
            continue;
        }
        if (ownerColumn < 0 || separator.match(line).hasMatch())
            continue;
        const QStringList c = cells(line);
        if (c.size() <= ownerColumn)
            continue;
        OwnedRow row{c.first(), codeSpans(c.first()), c.at(ownerColumn), {}};
        for (const QString &s : codeSpans(row.ownerCell)) {
            if (isFilePath(s))
                row.owners << s;
        }
        rows << row;
    }
    return rows;
}

// A file speaks of a name where an identifier starts with it: the handlers
// and members named after a control count (CloseSettClick, m_timerc), a name
// inside a longer word does not (Jmeno in Prijmeni).
bool mentions(const QString &source, const QString &name)
{
    const QRegularExpression word(QStringLiteral("(?<![A-Za-z0-9_])(?:m_)?") + QRegularExpression::escape(name));
    return word.match(source).hasMatch();
}

QString readSource(const QString &relative, bool *ok)
{
    QFile f(QStringLiteral(ZOVT_SOURCE_DIR "/") + relative);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TestGlossary : public QObject {
    Q_OBJECT
private slots:
    void readsOnlyOwnerTables();
    void mentions_data();
    void mentions();
    void ownersSpeakOfTheirNames_data();
    void ownersSpeakOfTheirNames();
};

void TestGlossary::readsOnlyOwnerTables()
{
    const QString markdown = QStringLiteral(
        "Prose naming `src/not/a/Row.cpp`.\n"
        "\n"
        "| Name | Literal | Role | Owner |\n"
        "|---|---|---|---|\n"
        "| `Stop` | stop | Ends | `src/playback/PlaybackController.cpp` |\n"
        "| `Konec` (client editor) | end | Closes | `src/clients/ClientEditor.cpp` (behaviour), "
        "`src/app/ClientEditorBinding.cpp` (binding) |\n"
        "| `JasLED`, `JasLED_Pc` | lamp | Switch | `src/panels/LightingToggles.cpp`; its port cycle "
        "`brightnessCycle` in `src/device/DeviceLink.cpp` |\n"
        "| `PlayClick`, … | control + event | Naming | — |\n"
        "\n"
        "| Name | Literal | Role | Constant |\n"
        "|---|---|---|---|\n"
        "| `RunZovT.dat` | run | Marker | `src/storage/Paths.h` |\n");
    QStringList read;
    for (const OwnedRow &r : ownedRows(markdown))
        read << r.names.join(QLatin1Char(',')) + QStringLiteral(" -> ") + r.owners.join(QLatin1Char(','));
    QCOMPARE(read, (QStringList{
                       "Stop -> src/playback/PlaybackController.cpp",
                       "Konec -> src/clients/ClientEditor.cpp,src/app/ClientEditorBinding.cpp",
                       "JasLED,JasLED_Pc -> src/panels/LightingToggles.cpp,src/device/DeviceLink.cpp",
                       "PlayClick -> ",
                   }));
}

void TestGlossary::mentions_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("qualified") << "ui.setChecked(f19::Dododo, true);" << "Dododo" << true;
    QTest::newRow("handler named after it") << "void SettingsPanel::CloseSettClick()" << "CloseSett" << true;
    QTest::newRow("member") << "++m_timerc;" << "timerc" << true;
    QTest::newRow("inside a word") << "inline constexpr char Prijmeni[]" << "Jmeno" << false;
    QTest::newRow("absent") << "void LightByRun();" << "PortOpen" << false;
}

void TestGlossary::mentions()
{
    QFETCH(QString, source);
    QFETCH(QString, name);
    QFETCH(bool, found);
    QCOMPARE(::mentions(source, name), found);
}

void TestGlossary::ownersSpeakOfTheirNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("ownerCell");
    QTest::addColumn<QStringList>("owners");
    bool ok = false;
    const QList<OwnedRow> rows = ownedRows(readSource(QStringLiteral("docs/GLOSSARY.md"), &ok));
    QVERIFY2(ok, "docs/GLOSSARY.md cannot be read");
    QVERIFY2(!rows.isEmpty(), "no table with an Owner column in docs/GLOSSARY.md");
    QSet<QString> tags;
    for (const OwnedRow &r : rows) {
        const QString cell = QString(r.nameCell).remove(QLatin1Char('`')).remove(QStringLiteral("**"));
        QString tag = cell;
        for (int n = 2; tags.contains(tag); ++n)
            tag = cell + QStringLiteral(" #%1").arg(n);
        tags.insert(tag);
        QTest::newRow(qPrintable(tag)) << r.names << r.ownerCell << r.owners;
    }
}

void TestGlossary::ownersSpeakOfTheirNames()
{
    QFETCH(QStringList, names);
    QFETCH(QString, ownerCell);
    QFETCH(QStringList, owners);
    QVERIFY2(!names.isEmpty(), "the row names nothing in code spans");
    if (owners.isEmpty()) {
        // A row without an owner says so with a dash, never with a name
        // that is no path.
        QCOMPARE(ownerCell, QStringLiteral("—"));
        return;
    }
    for (const QString &owner : owners) {
        bool ok = false;
        const QString source = readSource(owner, &ok);
        QVERIFY2(ok, qPrintable(owner + QStringLiteral(" does not exist")));
        const bool spoken = std::any_of(names.cbegin(), names.cend(),
                                        [&](const QString &name) { return ::mentions(source, name); });
        QVERIFY2(spoken, qPrintable(owner + QStringLiteral(" mentions none of ") + names.join(QStringLiteral(", "))));
    }
}

QTEST_GUILESS_MAIN(TestGlossary)
#include "tst_glossary.moc"

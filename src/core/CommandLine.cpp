#include "core/CommandLine.h"

#include "ZovtVersion.h"

#include <cstdio>

namespace zovt::cli {

namespace {

// Qt's own options that take the next word as their value.
bool qtOptionTakesValue(const QString &word)
{
    static const QStringList withValue = {
        QStringLiteral("-platform"),     QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
        QStringLiteral("-plugin"),       QStringLiteral("-qwindowgeometry"),    QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("-session"),            QStringLiteral("-style"),
        QStringLiteral("-stylesheet"),   QStringLiteral("-display"),            QStringLiteral("-geometry"),
        QStringLiteral("-title"),
    };
    return withValue.contains(word);
}

const Option *find(const Program &program, const QString &name)
{
    for (const Option &o : program.options)
        if (o.name == name)
            return &o;
    return nullptr;
}

Arguments mistake(const Program &program, const QString &what)
{
    Arguments a;
    a.exitCode = 2;
    a.err = QStringLiteral("%1: %2 (see %1 --help)\n").arg(program.name, what);
    return a;
}

} // namespace

bool Arguments::isSet(const QString &name) const
{
    for (const auto &g : given)
        if (g.first == name)
            return true;
    return false;
}

QString Arguments::value(const QString &name, const QString &fallback) const
{
    for (auto it = given.crbegin(); it != given.crend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

QStringList Arguments::values(const QString &name) const
{
    QStringList list;
    for (const auto &g : given)
        if (g.first == name)
            list << g.second;
    return list;
}

QString version() { return QStringLiteral(ZOVT_VERSION); }

QString helpText(const Program &program)
{
    QString text = QStringLiteral("Usage: %1 %2\n").arg(program.name, program.synopsis).trimmed() + QLatin1Char('\n');
    if (!program.usage.isEmpty())
        text += QLatin1Char('\n') + program.usage.trimmed() + QLatin1Char('\n');
    QList<QPair<QString, QString>> rows;
    for (const Option &o : program.options)
        rows.append({QStringLiteral("--") + o.name + (o.valueName.isEmpty() ? QString() : QLatin1Char(' ') + o.valueName),
                     o.help});
    rows.append({QStringLiteral("-h, --help"), QStringLiteral("Show this help and exit.")});
    rows.append({QStringLiteral("--version"), QStringLiteral("Show the version and exit.")});
    qsizetype width = 0;
    for (const auto &r : rows)
        width = qMax(width, r.first.size());
    text += QStringLiteral("\nOptions:\n");
    for (const auto &r : rows)
        text += QStringLiteral("  ") + r.first.leftJustified(width) + QStringLiteral("  ") + r.second + QLatin1Char('\n');
    if (!program.epilog.isEmpty())
        text += QLatin1Char('\n') + program.epilog.trimmed() + QLatin1Char('\n');
    return text;
}

Arguments parse(const Program &program, const QStringList &args)
{
    Arguments a;
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &word = args.at(i);
        if (optionsEnd || word == QLatin1String("-") || !word.startsWith(QLatin1Char('-'))) {
            if (program.maxOperands >= 0 && a.operands.size() >= program.maxOperands)
                return mistake(program, QStringLiteral("unexpected argument '%1'").arg(word));
            a.operands << word;
            continue;
        }
        if (word == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
            a.exitCode = 0;
            a.out = helpText(program);
            return a;
        }
        if (word == QLatin1String("--version")) {
            a.exitCode = 0;
            a.out = QStringLiteral("%1 %2\n").arg(program.name, version());
            return a;
        }
        if (!word.startsWith(QLatin1String("--"))) {
            if (program.qtOptions && word.size() > 2) {
                if (qtOptionTakesValue(word))
                    ++i;
                continue;
            }
            return mistake(program, QStringLiteral("unknown option '%1'").arg(word));
        }
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        const QString name = word.mid(2, eq < 0 ? -1 : eq - 2);
        const Option *o = find(program, name);
        if (!o)
            return mistake(program, QStringLiteral("unknown option '--%1'").arg(name));
        QString value;
        if (o->valueName.isEmpty()) {
            if (eq >= 0)
                return mistake(program, QStringLiteral("option '--%1' takes no value").arg(name));
        } else if (eq >= 0) {
            value = word.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            return mistake(program, QStringLiteral("option '--%1' needs a value %2").arg(name, o->valueName));
        }
        a.given.append({name, value});
    }
    return a;
}

Arguments parse(const Program &program, int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    Arguments a = parse(program, args);
    if (!a.out.isEmpty()) {
        std::fputs(a.out.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
    }
    if (!a.err.isEmpty())
        std::fputs(a.err.toLocal8Bit().constData(), stderr);
    return a;
}

} // namespace zovt::cli

#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <array>

namespace zovt::qtlang {

QString localeName(int Languagem)
{
    static const std::array<const char *, 5> names = {"cs", "en", "de", "sv", "ru"};
    if (Languagem < 0 || Languagem >= int(names.size()))
        return QString();
    return QString::fromLatin1(names[std::size_t(Languagem)]);
}

bool install(int Languagem)
{
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const QString name = localeName(Languagem);
    if (name.isEmpty() || name == QLatin1String("en"))
        return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Some languages have only the older catalogue of all Qt modules.
    if (!translator->load(QStringLiteral("qtbase_") + name, folder)
        && !translator->load(QStringLiteral("qt_") + name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace zovt::qtlang

#include "app/CarriedView.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace zovt::carriedview {

namespace {

const QString kClient = QStringLiteral("client");
const QString kProgram = QStringLiteral("program");
const QString kEntry = QStringLiteral("entry");
const QString kEntryText = QStringLiteral("entryText");

} // namespace

QByteArray encode(const ShownView &v)
{
    QJsonObject o;
    o.insert(kClient, v.clientFile);
    o.insert(kProgram, v.programFile);
    o.insert(kEntry, v.entry);
    o.insert(kEntryText, v.entryText);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<ShownView> decode(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    for (const QString &key : {kClient, kProgram, kEntryText})
        if (!o.value(key).isString())
            return std::nullopt;
    if (!o.value(kEntry).isDouble())
        return std::nullopt;
    ShownView v;
    v.clientFile = o.value(kClient).toString();
    v.programFile = o.value(kProgram).toString();
    v.entry = o.value(kEntry).toInt(-1);
    v.entryText = o.value(kEntryText).toString();
    if (v.entry < -1 || (v.entry >= 0 && v.programFile.isEmpty()))
        return std::nullopt;
    return v;
}

void carry(const ShownView &view) { qputenv(kVariable, encode(view)); }

std::optional<ShownView> take()
{
    if (!qEnvironmentVariableIsSet(kVariable))
        return std::nullopt;
    const QByteArray text = qgetenv(kVariable);
    qunsetenv(kVariable);
    return decode(text);
}

} // namespace zovt::carriedview

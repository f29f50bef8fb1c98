#pragma once
// Program rows in tests are written with '|' for their tabs.

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace zovt::test {

QString row(const QString &s);
QString row(const char *s);
QStringList rows(std::initializer_list<const char *> lines);

} // namespace zovt::test

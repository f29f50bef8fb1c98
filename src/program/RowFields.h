#pragma once
// Splits a row into its tab-separated fields without copying. The row is
// consumed from the left; once no tab is left, the remaining text is every
// further field, so a short row repeats its last field.

#include <QString>
#include <QStringView>

namespace zovt {

class RowFields {
public:
    static constexpr int kMax = 8;

    // Splits the first 'count' fields (1 to kMax) of row; row must outlive this.
    RowFields(QStringView row, int count = kMax)
    {
        if (count > kMax)
            count = kMax;
        QStringView rest = row;
        for (int k = 0; k < count; ++k) {
            const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
            if (tab < 0) {
                m_fields[k] = rest;
            } else {
                m_fields[k] = rest.left(tab);
                rest = rest.mid(tab + 1);
            }
        }
    }

    // Field k, 1-based.
    QStringView at(int k) const { return m_fields[k - 1]; }

private:
    QStringView m_fields[kMax];
};

} // namespace zovt

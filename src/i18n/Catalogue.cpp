#include "i18n/Catalogue.h"

#include "i18n/CatalogueTexts.h"

#include <algorithm>

namespace zovt {

Catalogue::Catalogue(std::span<const catalogue_texts::Row> rows)
{
    for (const catalogue_texts::Row &row : rows) {
        bool any = false;
        for (int lang = 0; lang < LanguageCount; ++lang) {
            if (const char *text = row.text[lang]) {
                m_texts[std::size_t(lang)].insert(row.number, QString::fromUtf8(text));
                any = true;
            }
        }
        if (any && !m_numbers.contains(row.number))
            m_numbers.append(row.number);
    }
    std::sort(m_numbers.begin(), m_numbers.end());
}

const Catalogue &Catalogue::mainWindow()
{
    static const Catalogue catalogue(catalogue_texts::mainWindow());
    return catalogue;
}

const Catalogue &Catalogue::clientEditor()
{
    static const Catalogue catalogue(catalogue_texts::clientEditor());
    return catalogue;
}

QString Catalogue::FATisk(int number, int languagem) const
{
    if (languagem < 0 || languagem >= LanguageCount)
        return defaultText();
    return m_texts[std::size_t(languagem)].value(number, defaultText());
}

bool Catalogue::contains(int number, int languagem) const
{
    return languagem >= 0 && languagem < LanguageCount && m_texts[std::size_t(languagem)].contains(number);
}

QList<int> Catalogue::numbers() const
{
    return m_numbers;
}

} // namespace zovt

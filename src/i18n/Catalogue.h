#pragma once
// The numbered text catalogues of the user interface in five languages. The
// main window and the client editor each have their own catalogue; the same
// number may carry different texts in the two (2006, for one).

#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <span>

namespace zovt {

namespace catalogue_texts {
struct Row;
}

// Language index as stored in "dLangv.dat" and as the item index of the
// language dialog.
enum Language : int {
    Czech = 0,
    English = 1,
    German = 2,
    Swedish = 3,
    Russian = 4,
};
inline constexpr int LanguageCount = 5;

class Catalogue {
public:
    static const Catalogue &mainWindow();
    static const Catalogue &clientEditor();

    // What every lookup gives that finds no text.
    static QString defaultText() { return QStringLiteral("?????????"); }

    // The text of a message number in a language. A number without a text in
    // that language, and a language index outside 0..4, give defaultText():
    // there is deliberately no fallback to another language.
    QString FATisk(int number, int languagem) const;

    bool contains(int number, int languagem) const;

    // Every number that has a text in at least one language, ascending.
    QList<int> numbers() const;

    Catalogue(const Catalogue &) = delete;
    Catalogue &operator=(const Catalogue &) = delete;

private:
    explicit Catalogue(std::span<const catalogue_texts::Row> rows);

    std::array<QHash<int, QString>, LanguageCount> m_texts;
    QList<int> m_numbers;
};

// A window's view of its catalogue: the catalogue plus the window's language
// variable, so that callers ask for a number only.
struct Texts {
    int Languagem = Czech;
    const Catalogue *cat = &Catalogue::mainWindow();

    QString FATisk(int number) const { return cat->FATisk(number, Languagem); }
};

} // namespace zovt

#pragma once
// The wish as data: the short program a wish is played as, and whether the
// wish text and the client in the panel allow playing it at all.

#include <QString>
#include <QStringList>

#include <random>

namespace zovt::wishes {

// Rows of the wish program and the range of their minutes.
inline constexpr int RowCount = 3;
inline constexpr int MinMinutes = 7;
inline constexpr int MaxMinutes = 16;

// The wish program: a masked header, three rows of 10 Hz in the row format
// whose minutes are 7 plus a draw from 0 to 9 (one draw per row, in line
// order), and the closing "[STOP]". The rows' frequency is never sent: the
// wish plays in generator mode.
QStringList wishProgram(std::mt19937 &rng);

// The minutes of one wish row: 7 plus a uniform draw from 0 to 9.
int drawMinutes(std::mt19937 &rng);

// The client panel's fields that decide whether a wish can be played.
struct WishClient {
    QString Jmeno;
    QString Prijmeni;
    QString Datum_naroz_den;
    QString Datum_naroz_mesic;
    QString Datum_naroz_rok;
};

// A wish is playable for a client with a name, a surname and a full birth
// date (no field left at the placeholder "88"), and when its first line has
// more than four characters.
bool isPlayable(const WishClient &client, const QStringList &wish);

} // namespace zovt::wishes

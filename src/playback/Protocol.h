#pragma once
// The playback protocol: a record of every playback in the protocol file of
// the current client, which the therapy database keeps and reads too.
//
// The client's file is never edited in place: a playback copies it to the
// working copy in the data directory, adds its lines in memory (the hidden
// ProtokolSUMA), saves the working copy and copies that back over the
// client's file. Each of these writes goes to a temporary file beside its
// target that is synced and then renamed over it, so a crash or a kill at any
// moment leaves the client's file either as it was or complete; the copy back
// only runs when the working copy was saved whole. Both go through the one
// file writer, whose failures (a full disk included) are reported, never
// taken for success.

#include "clients/ClientRecord.h"
#include "core/AppContext.h"
#include "playback/PlaybackJournal.h"
#include "storage/RegionalFormats.h"
#include "storage/TextCodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace zovt {

namespace protocol {

// The line that closes the client header and every playback.
QString separator();

// The seven lines that open a new client's protocol; birthCaption is text 150
// of the catalogue in the current language.
QStringList clientHeader(const ClientRecord &client, const QString &birthCaption);

// Line 1 of a playback: "ZovT Gener:  " and the date and time in the
// regional formats (regional::dateTimeText).
QString startLine(const QDateTime &when, const regional::Formats &formats);

// Line 2 of a playback: the program's total time, a blank, and the program's
// header as the play list shows it.
QString programLine(qint64 totalSeconds, const QString &headerDisplay);

} // namespace protocol

// Protocol start and end of the playback operation, acting on the main
// window's client panel and its hidden state.
class ProtocolController {
public:
    explicit ProtocolController(AppContext &ctx);

    // Begins the protocol of a playback (after its total time is known).
    void start();
    // Ends the protocol begun by start(); nothing when none was begun. Errors
    // end it at that point; they go to the clock's error sink.
    void end();

    // The protocol was begun by the current playback.
    bool started() const { return m_started; }
    // What the journal of the playback needs to record it after an
    // unexpected end: the protocol file, the client header a new file starts
    // with, and the date line of this playback. Nothing when not begun.
    void describe(JournalRecord &r) const;

    // The local date and time (injectable: the clock has no calendar).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // The short date and long time formats of the protocol; when unset,
    // those in force as each playback begins (regional::current()).
    std::optional<regional::Formats> formats;

private:
    QString workCopy() const;
    bool loadClientFile(const QString &clientFile, const QString &work);
    void report(const char *where, const QString &what);

    AppContext &m_ctx;
    bool m_started = false;
    QString m_clientFile; // PRSAdresaProt as the protocol began
    QString m_workCopy;
    QStringList m_clientHeader; // as a new protocol file of this client starts
    QString m_startLine;        // line 1 of this playback
    text::Encoding m_encoding = text::Encoding::Ansi;
    // The client's file existed but could not be read in: the new protocol
    // must not take its place.
    bool m_keepClientFile = false;
};

} // namespace zovt

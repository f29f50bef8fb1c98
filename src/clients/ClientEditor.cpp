#include "clients/ClientEditor.h"

#include "clients/ClientFields.h"
#include "clients/ClientFile.h"
#include "clients/FieldChecks.h"
#include "clients/Transliteration.h"
#include "storage/FileVisible.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/ErrorPolicy.h"
#include "core/Excerpt.h"
#include "i18n/Captions.h"
#include "i18n/Catalogue.h"
#include "storage/CodePage.h"
#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "storage/WinPath.h"
#include "core/Form19Names.h"
#include "core/Form2Names.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <iterator>

namespace zovt {

namespace {

// The question before a companion's change to the client file is overwritten.
constexpr int kOverwriteChangedFile = 3101;
// The question before typed characters are stored as the code page has them,
// and its two hints: a locale that keeps them, or none.
constexpr int kCodePageChangesText = 3102;
constexpr int kKeptUnderLocale = 3103;
constexpr int kKeptNowhere = 3104;

// A character as the operator can find it in a list: itself, or its code when
// it shows nothing by itself (a combining mark, a zero-width or direction
// mark, half of a surrogate pair).
QString shownCharacter(const QString &character)
{
    const QChar first = character.at(0);
    const char32_t c = character.size() == 2 ? QChar::surrogateToUcs4(first, character.at(1)) : first.unicode();
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    default:
        return character;
    }
}

struct Stamp {
    qint64 size;
    qint64 mtimeNs;
};

// Size and time of change of the file at a Windows path; nothing when there
// is no file to look at.
std::optional<Stamp> stampOf(const QString &winPath)
{
    const QString native = winpath::toNative(winPath);
    struct stat st {};
    if (native.isEmpty() || ::stat(QFile::encodeName(native).constData(), &st) != 0)
        return std::nullopt;
    return Stamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

QByteArray hashOf(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

// The same file whichever way its path is spelt (case, a link on the way);
// the Windows paths themselves when one of them is not there.
bool sameFile(const QString &a, const QString &b)
{
    const QString na = winpath::toNative(a);
    const QString nb = winpath::toNative(b);
    const QString ca = QFileInfo(na).canonicalFilePath();
    const QString cb = QFileInfo(nb).canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return !na.isEmpty() && na == nb;
}

} // namespace

ClientEditor::ClientEditor(AppContext &main, ControlSurface &ui) : m_main(main), m_ui(ui)
{
    m_timerSoubor = main.clock.createTimer();
    m_timerSoubor->setSingleShot(true);
    m_timerSoubor->setInterval(200);
    m_timerSoubor->setCallback([this] { m_timerSoubor->stop(); });
    m_timer1 = main.clock.createTimer();
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(100);
    m_timer1->setCallback([this] {
        ++m_timerc;
        m_timer1->stop();
    });
}

ClientEditor::~ClientEditor() = default;

const QStringList &ClientEditor::identityFields()
{
    static const QStringList names{f2::Jmeno, f2::Prijmeni, f2::JmenoFix, f2::Datum_naroz_den, f2::Datum_naroz_mesic, f2::Datum_naroz_rok};
    return names;
}

QString ClientEditor::text(int number) const { return Catalogue::clientEditor().FATisk(number, m_Languagem); }

bool ClientEditor::Editedit() const { return m_ui.isChecked(f2::Editedit); }

void ClientEditor::setEditedit(bool on) { m_ui.setChecked(f2::Editedit, on); }

// Every change of an identity field's text enables Save, whoever makes it:
// a load therefore leaves Save enabled.
void ClientEditor::setField(const QString &name, const QString &text)
{
    if (m_ui.text(name) == text)
        return;
    m_ui.setText(name, text);
    fieldEdited(name);
}

void ClientEditor::fieldEdited(const QString &name)
{
    if (identityFields().contains(name))
        m_ui.setEnabled(f2::Save, true);
}

void ClientEditor::clearFields()
{
    for (const char *n : {f2::Jmeno, f2::Prijmeni, f2::Bydliste1, f2::Bydliste2, f2::Poznamka1, f2::Poznamka2,
                          f2::JmenoFix, f2::Telefon, f2::Email})
        setField(QString::fromLatin1(n), QString());
    setField(f2::Datum_naroz_den, DatePlaceholder);
    setField(f2::Datum_naroz_mesic, DatePlaceholder);
    setField(f2::Datum_naroz_rok, YearPlaceholder);
}

void ClientEditor::enableIdentity(bool on)
{
    for (const QString &name : identityFields())
        m_ui.setEnabled(name, on);
}

void ClientEditor::showIdentifiers(const ClientRecord &r)
{
    for (const ClientField &f : ClientIdentifierFields)
        m_ui.setText(QString::fromLatin1(f.control), r.*f.member);
}

void ClientEditor::showModeCaptions()
{
    const bool animal = files::exists(paths::AnimalFlag);
    applyCaptions(m_ui, animal ? captions::clientEditorAnimal() : captions::clientEditorPerson(),
                  Texts{m_Languagem, &Catalogue::clientEditor()});
}

void ClientEditor::focus(const QString &name)
{
    if (hooks.focus)
        hooks.focus(name);
}

void ClientEditor::restore()
{
    if (restoreApplication)
        restoreApplication();
}

// Looked at after the bytes were read: a write in between then shows as a
// hash that no longer matches, never as a change that goes unseen.
void ClientEditor::remember(const QString &path, const QByteArray &bytes)
{
    const std::optional<Stamp> st = stampOf(path);
    m_onDisk = DiskCopy{path, st ? st->size : -1, st ? st->mtimeNs : 0, hashOf(bytes)};
}

bool ClientEditor::changedOnDisk(const QString &path) const
{
    const std::optional<Stamp> now = stampOf(path);
    // Nothing there: nothing of anyone's to lose.
    if (!now)
        return false;
    // A file the editor never read, such as one that appeared under the key
    // being saved, holds values the operator has not seen.
    if (!m_onDisk || !sameFile(m_onDisk->path, path))
        return true;
    if (now->size != m_onDisk->size || now->mtimeNs != m_onDisk->mtimeNs)
        return true;
    // A rewrite within the file system's time resolution keeps size and
    // time; only the bytes tell.
    try {
        return hashOf(files::readAll(path, files::cap::Setting)) != m_onDisk->hash;
    } catch (const FileError &) {
        return true; // what cannot be read cannot be shown to be unchanged
    }
}

bool ClientEditor::codePageChangesAccepted(const ClientRecord &r)
{
    // The transliteration changes what it is meant to; only what the code
    // page then cannot hold is news to the operator.
    const bool bezDiakrit = bezDiakritOption();
    QStringList fields;
    QStringList stored;
    for (const char *name : f2::TabOrder) {
        const auto field = std::find_if(std::begin(ClientFields), std::end(ClientFields),
                                        [name](const ClientField &f) { return qstrcmp(f.control, name) == 0; });
        if (field == std::end(ClientFields))
            continue;
        fields << QString::fromLatin1(name);
        stored << clientFileText(r, field->member, bezDiakrit);
    }
    // A line end is ASCII: it keeps the fields apart without being lost.
    const QString all = stored.join(QLatin1Char('\n'));
    const int page = codepage::current().codePage;
    const QStringList lost = codepage::lostCharacters(all, page);
    if (lost.isEmpty())
        return true;
    // The hint names a code page that holds everything typed, not only what
    // this one loses: under it nothing else may go.
    const int keeper = codepage::ansiCodePageHolding(all);
    const QString hint = keeper ? text(kKeptUnderLocale).arg(codepage::localeFor(keeper), codepage::displayName(keeper))
                                : text(kKeptNowhere);
    QStringList shown;
    for (const QString &c : lost)
        shown << shownCharacter(c);
    if (m_main.dialogs.confirm(
            text(kCodePageChangesText).arg(shown.join(QStringLiteral(", ")), codepage::displayName(page), hint)))
        return true;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored.at(i).contains(lost.first())) {
            focus(fields.at(i));
            break;
        }
    }
    return false;
}

ClientRecord ClientEditor::fromFields() const
{
    ClientRecord r;
    readClientFields(m_ui, ClientFields, r);
    readClientFields(m_ui, ClientIdentifierFields, r);
    return r;
}

void ClientEditor::open()
{
    m_shown = true;
    if (hooks.show)
        hooks.show();
    // The editor always opens ready for a new client: a current client that
    // cannot be loaded (its file gone) must not leave it half prepared.
    try {
        Language();
    } catch (const ExitUnwind &) {
        throw;
    } catch (...) {
        m_main.clock.reportError("Language", std::current_exception());
    }
    Novy();
}

void ClientEditor::Language()
{
    // Colour scheme.
    if (hooks.colour)
        hooks.colour(files::exists(paths::DarkColorFlag));
    // Language, or the default one.
    if (files::exists(paths::LangFile)) {
        m_Languagem = files::readInteger(paths::LangFile);
        TimerSouborAll();
    } else {
        m_Languagem = paths::DefaultLanguage;
    }
    // A new client: identity fields editable.
    enableIdentity(true);
    setEditedit(false);
    // Empty form.
    clearFields();
    // Title in the chosen language.
    const Texts texts{m_Languagem, &Catalogue::clientEditor()};
    m_title = captions::clientEditorTitle(texts);
    if (hooks.title)
        hooks.title(m_title);
    // Captions; no import here.
    applyCaptions(m_ui, captions::clientEditor(), texts);
    m_ui.setVisible(f2::Import, false);
    // Person, not animal, by default.
    files::remove(paths::AnimalFlag);
    showModeCaptions();
    // Load the current client, if any.
    const QString current = m_main.ui.text(f19::PRSAdresaAkt);
    if (!current.isEmpty()) {
        m_ui.setText(f2::AdresaAkt, current);
        TimerSouborAll();
        nacti();
        focus(f2::Poznamka1);
        m_ui.setEnabled(f2::Save, true);
    } else {
        focus(f2::Jmeno);
        m_ui.setEnabled(f2::Save, false);
    }
    // Centre the window.
    if (hooks.centre)
        hooks.centre();
}

void ClientEditor::Novy()
{
    enableIdentity(true);
    setEditedit(false);
    clearFields();
    files::remove(paths::AnimalFlag);
    showModeCaptions();
    focus(f2::Jmeno);
    m_ui.setEnabled(f2::Save, false);
}

void ClientEditor::Edit()
{
    m_ui.setVisible(f2::Edit, false);
    // The button comes back however the choice ends, a file that cannot be
    // read included.
    struct ShowAgain {
        ControlSurface &ui;
        ~ShowAgain() { ui.setVisible(f2::Edit, true); }
    } showAgain{m_ui};
    const std::optional<QString> chosen = m_main.dialogs.openFile(
        {QStringLiteral("Edit"), m_main.ui.text(f19::PRSAdresaDBZ), QStringLiteral("*.txt"), QString()});
    if (!chosen)
        return;
    m_ui.setText(f2::AdresaAkt, *chosen);
    TimerSouborAll();
    nacti();
}

void ClientEditor::nacti()
{
    // The identity of a stored client does not change in the editor.
    enableIdentity(false);
    setEditedit(true);
    // Empty form.
    clearFields();
    // Fill it from the client's file, read once: the values shown and the
    // remembered copy come from the same bytes.
    m_onDisk.reset();
    const QString loaded = m_ui.text(f2::AdresaAkt);
    const QByteArray bytes = files::readAll(loaded, files::cap::Setting);
    ClientRecord r = clientFromLines(text::splitLines(text::fromAnsi(bytes)));
    remember(loaded, bytes);
    // A file without its key line (a short file of a companion) is
    // rewritten under its own name, not under an empty key.
    if (r.AdresaAkt.isEmpty())
        r.AdresaAkt = clientKeyOfFile(loaded);
    for (const ClientField &f : ClientFields)
        setField(QString::fromLatin1(f.control), r.*f.member);
    showIdentifiers(r);
    // Person or animal, as stored.
    TimerSouborAll();
    files::setFlag(paths::AnimalFlag, r.animal);
    TimerSouborAll();
    showModeCaptions();
}

void ClientEditor::Zvire()
{
    files::setFlag(paths::AnimalFlag, !files::exists(paths::AnimalFlag));
    showModeCaptions();
}

void ClientEditor::Save()
{
    // No second save while this one runs.
    m_ui.setVisible(f2::Save, false);
    const QString previous = m_main.ui.text(f19::PRSAdresaAkt);
    QString P;
    bool handedOver = false;
    try {
        // Take the fields and work out the file name.
        ClientRecord r = fromFields();
        const bool edited = Editedit();
        const QString folder = m_main.ui.text(f19::PRSAdresaDBZ);
        P = prepareClientSave(r, edited, folder);
        const bool writes = clientFileToBeWritten(P, edited);
        // Asked first, while going back costs nothing: the other question
        // may load the file over what was typed.
        if (writes && !codePageChangesAccepted(r)) {
            m_ui.setVisible(f2::Save, true);
            return;
        }
        // Someone else wrote the file since the editor read it: the operator
        // decides whose values stay. No shows the file as it is now, so that
        // nothing is written over what has not been seen.
        if (writes && changedOnDisk(P)
            && !m_main.dialogs.confirm(text(kOverwriteChangedFile) + QStringLiteral("\n\n") + P)) {
            m_ui.setText(f2::AdresaAkt, P);
            nacti();
            m_ui.setVisible(f2::Save, true);
            return;
        }
        setField(f2::JmenoFix, r.JmenoFix);
        setField(f2::Prijmeni, r.Prijmeni);
        setField(f2::Jmeno, r.Jmeno);
        showIdentifiers(r);
        // Hand the client's address over.
        handedOver = true;
        writeClientHandOff(paths::ClientAddressFile, P);
        TimerSouborAll();
        writeClientHandOff(paths::ClientHandOff, P);
        TimerSouborAll();
        // Main window picks up the client.
        m_main.ui.setText(f19::PRSAdresaAkt, QString());
        m_main.ui.setText(f19::PRSAdresaAkt, P);
        // The whole-file write replaces an edited client's old file only
        // once the new one is complete.
        if (clientFileToBeWritten(P, edited)) {
            r.animal = files::exists(paths::AnimalFlag);
            r.dateSaved = shortDateText(QDate::currentDate());
            writeClientFile(P, r);
            waitUntilVisible(m_main.clock, P, [this] { TimerSouborAll(); });
            try {
                remember(P, files::readAll(P, files::cap::Setting));
            } catch (const FileError &) {
                m_onDisk.reset(); // asks at the next save rather than trusting a copy never read
            }
        }
        // Give the main window a moment.
        m_timerc = 0;
        m_timer1->start();
        m_main.clock.processUntil([this] { return m_timerc >= 1; });
    } catch (...) {
        // A client file that could not be written (a name too long for the
        // file system, a full disk) is named nowhere: neither the hand-offs
        // nor the main window may point at a file that is not there.
        if (handedOver && !files::fileExists(P)) {
            for (const QString &handOff : {paths::ClientAddressFile, paths::ClientHandOff})
                withdrawClientHandOff(handOff, P);
            if (m_main.ui.text(f19::PRSAdresaAkt) == P)
                m_main.ui.setText(f19::PRSAdresaAkt, previous);
        }
        // The operator can try again once the cause is mended.
        m_ui.setVisible(f2::Save, true);
        // A file that could not be written is shown in the window, not only on
        // stderr: the operator must know the client was not saved, and the
        // editor stays open with what was typed.
        try {
            throw;
        } catch (const FileError &e) {
            logError("Save", std::current_exception(), "client not saved");
            m_main.dialogs.errorReport(excerpt(QString::fromUtf8(e.what()), kMessageChars));
            return;
        }
    }
    // Restore and close the editor.
    restore();
    m_ui.setVisible(f2::Save, true);
    Konec();
    // Reload the client list.
    Operations::run(m_main.ops.Nactiklient);
}

void ClientEditor::Konec()
{
    m_shown = false;
    if (hooks.hide)
        hooks.hide();
}

void ClientEditor::TimerSouborAll()
{
    m_timerSoubor->setInterval(files::exists(paths::SlowPcFlag) ? 200 : 20);
    m_timerSoubor->start();
    restore();
    m_main.clock.processUntil([this] { return !m_timerSoubor->isActive(); });
}

bool ClientEditor::fieldExited(const QString &name)
{
    if (!isCheckedField(name))
        return true;
    const QString typed = m_ui.text(name);
    const bool toldAlready = name == m_complainedField && typed == m_complainedReset;
    m_complainedField.clear();
    if (toldAlready)
        return true;
    const FieldVerdict v = checkField(name, typed);
    setField(name, v.shown);
    if (v.valid)
        return true;
    m_main.dialogs.message(text(v.message));
    setField(name, v.reset);
    m_complainedField = name;
    m_complainedReset = v.reset;
    focus(name);
    return false;
}

void ClientEditor::enterPressed(const QString &name)
{
    const auto &order = f2::TabOrder;
    const auto at = std::find_if(std::begin(order), std::end(order), [&](const char *n) { return name == QLatin1String(n); });
    if (at == std::end(order) || at + 1 == std::end(order))
        return;
    const QString next = QString::fromLatin1(*(at + 1));
    if (!m_ui.isEnabled(next) || !m_ui.isVisible(next))
        return;
    focus(next);
}

} // namespace zovt

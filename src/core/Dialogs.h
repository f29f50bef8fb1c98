#pragma once
// Message boxes, confirmations and file dialogs go through this interface so
// that tests can script the operator's answers.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <utility>

namespace zovt {

class Dialogs {
public:
    struct OpenFile {
        QString title;
        QString initialFolder; // Windows path
        QString filter = QStringLiteral("*.txt");
        QString fileName;      // preset file name (Windows path), may be empty
    };

    virtual ~Dialogs() = default;
    // A plain message with one OK button, centred on the screen.
    virtual void message(const QString &text) = 0;
    // A confirmation with Yes and No; only Yes counts as consent.
    virtual bool confirm(const QString &text) = 0;
    // The platform's standard error report (errors before the handler exists).
    virtual void errorReport(const QString &text) = 0;
    // The file-open dialog; the chosen file as a Windows path, or nothing.
    virtual std::optional<QString> openFile(const OpenFile &request) = 0;
};

// Dialogs for tests: answers are queued in advance; everything shown is kept.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        enum Kind { Message, Confirm, Error, Open } kind;
        QString text; // message text, or the dialog's initial folder
        QString fileName;
    };

    void answerYes() { m_answers.push_back(true); }
    void answerNo() { m_answers.push_back(false); }
    // Next file dialog returns this Windows path; an empty optional cancels.
    void chooseFile(const std::optional<QString> &winPath)
    {
        m_files.push_back({winPath.has_value(), winPath.value_or(QString())});
    }

    void message(const QString &text) override { m_shown.push_back({Shown::Message, text, {}}); }
    bool confirm(const QString &text) override
    {
        m_shown.push_back({Shown::Confirm, text, {}});
        if (m_answers.empty())
            return false; // an unanswered question counts as No
        const bool a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    void errorReport(const QString &text) override { m_shown.push_back({Shown::Error, text, {}}); }
    std::optional<QString> openFile(const OpenFile &r) override
    {
        m_shown.push_back({Shown::Open, r.initialFolder, r.fileName});
        if (m_files.empty())
            return std::nullopt;
        const auto [chosen, path] = m_files.front();
        m_files.pop_front();
        if (!chosen)
            return std::nullopt;
        return path;
    }

    const std::deque<Shown> &shown() const { return m_shown; }

private:
    std::deque<bool> m_answers;
    std::deque<std::pair<bool, QString>> m_files; // chosen, and the file (cancelled: false)
    std::deque<Shown> m_shown;
};

} // namespace zovt

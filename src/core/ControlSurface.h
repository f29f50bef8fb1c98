#pragma once
// The window's named controls as the controllers see them. Every operation
// of the program acts on controls by their names (the objectName of the
// widget), so the same controller code drives the real window, a headless
// surface in tests and the schedule preview tool.

#include "core/FormDesign.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace zovt {

class ControlSurface {
public:
    virtual ~ControlSurface() = default;

    virtual bool isEnabled(const QString &name) const = 0;
    virtual void setEnabled(const QString &name, bool on) = 0;
    virtual bool isVisible(const QString &name) const = 0;
    virtual void setVisible(const QString &name, bool on) = 0;

    // Caption of a button or label, text of a one-line field.
    virtual QString text(const QString &name) const = 0;
    virtual void setText(const QString &name, const QString &text) = 0;

    // Check boxes and hidden flags.
    virtual bool isChecked(const QString &name) const = 0;
    virtual void setChecked(const QString &name, bool on) = 0;

    // Radio groups (item index), list boxes (selected row), scroll bars
    // (position). -1 means none.
    virtual int index(const QString &name) const = 0;
    virtual void setIndex(const QString &name, int index) = 0;

    // Memos and list boxes, line by line.
    virtual QStringList lines(const QString &name) const = 0;
    virtual void setLines(const QString &name, const QStringList &lines) = 0;
    virtual int lineCount(const QString &name) const = 0;
    virtual QString line(const QString &name, int i) const = 0;
    virtual void setLine(const QString &name, int i, const QString &text) = 0;
    virtual void appendLine(const QString &name, const QString &text) = 0;

    // Shows a picture file (a Windows path) in a picture control. A missing or
    // unreadable picture raises ReadError.
    virtual void showPicture(const QString &name, const QString &winPath) = 0;

    // The hint shown when the pointer rests on a control; empty: none.
    virtual QString toolTip(const QString &name) const = 0;
    virtual void setToolTip(const QString &name, const QString &text) = 0;

    // Convenience
    void clear(const QString &name) { setLines(name, {}); }
    void enable(std::initializer_list<const char *> names, bool on)
    {
        for (const char *n : names)
            setEnabled(QString::fromLatin1(n), on);
    }
    void show(std::initializer_list<const char *> names, bool on)
    {
        for (const char *n : names)
            setVisible(QString::fromLatin1(n), on);
    }
};

// A surface of plain values over one window's design: every control is just
// its state, starting in its design state. Like the real window's surface it
// refuses a name the design lacks and an operation the control's kind has
// not (std::logic_error naming it), so a misspelt name fails headless too.
// Used by tests of the controllers and by the schedule preview; also the
// store of the real window's hidden state controls.
class MemorySurface : public ControlSurface {
public:
    struct State {
        design::Kind kind = design::Kind::State;
        bool enabled = true;
        bool visible = true;
        bool checked = false;
        int index = -1;
        QString text;
        QStringList lines;
        QString picture; // Windows path of the picture last shown
        QString toolTip;
    };

    explicit MemorySurface(const design::Form &form);

    // When set, showPicture hands the picture's Windows path to this loader
    // first; it throws (a read error) for a missing or unreadable picture.
    void setPictureLoader(std::function<void(const QString &winPath)> load) { m_loadPicture = std::move(load); }

    bool isEnabled(const QString &name) const override { return get(name).enabled; }
    void setEnabled(const QString &name, bool on) override { at(name).enabled = on; }
    bool isVisible(const QString &name) const override { return get(name).visible; }
    void setVisible(const QString &name, bool on) override { at(name).visible = on; }
    QString text(const QString &name) const override;
    void setText(const QString &name, const QString &text) override;
    bool isChecked(const QString &name) const override { return get(name, Op::Check).checked; }
    void setChecked(const QString &name, bool on) override { at(name, Op::Check).checked = on; }
    int index(const QString &name) const override { return get(name, Op::Index).index; }
    // A radio group, like the real one, stands on one of its items or on none (-1).
    void setIndex(const QString &name, int index) override;
    QStringList lines(const QString &name) const override { return get(name, Op::ReadLines).lines; }
    void setLines(const QString &name, const QStringList &lines) override { at(name, Op::WriteLines).lines = lines; }
    int lineCount(const QString &name) const override { return int(get(name, Op::ReadLines).lines.size()); }
    QString line(const QString &name, int i) const override;
    void setLine(const QString &name, int i, const QString &text) override;
    void appendLine(const QString &name, const QString &text) override { at(name, Op::WriteLines).lines.append(text); }
    void showPicture(const QString &name, const QString &winPath) override;
    QString toolTip(const QString &name) const override { return get(name).toolTip; }
    void setToolTip(const QString &name, const QString &text) override { at(name).toolTip = text; }

    // The picture last shown in a control (its Windows path).
    QString picture(const QString &name) const { return get(name).picture; }
    bool has(const QString &name) const { return m_states.contains(name); }

protected:
    // What an operation needs of a control's kind.
    enum class Op { Any, Text, Check, Index, ReadLines, WriteLines, Picture };
    static bool allows(design::Kind kind, Op op);
    const State &get(const QString &name, Op op = Op::Any) const;
    State &at(const QString &name, Op op = Op::Any);

private:
    QHash<QString, State> m_states;
    std::function<void(const QString &)> m_loadPicture;
};

} // namespace zovt

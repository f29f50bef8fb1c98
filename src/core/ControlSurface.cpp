#include "core/ControlSurface.h"

#include <stdexcept>

namespace zovt {

using design::Kind;

const design::Control *design::findIn(const Form &form, const QString &name)
{
    for (const Control &c : form)
        if (c.name == name)
            return &c;
    return nullptr;
}

MemorySurface::MemorySurface(const design::Form &form)
{
    for (const design::Control &c : form) {
        State s;
        s.kind = c.kind;
        s.enabled = c.enabled;
        s.visible = c.visible;
        s.checked = c.checked;
        s.index = c.index;
        s.lines = c.items;
        // A list or memo shows its lines as its text; every other control
        // has a caption of its own.
        s.text = c.kind == Kind::ListBox || c.kind == Kind::Memo ? c.items.join(QLatin1Char('\n')) : c.caption;
        m_states.insert(c.name, s);
    }
}

void MemorySurface::setIndex(const QString &name, int index)
{
    State &s = at(name, Op::Index);
    if (s.kind == Kind::RadioGroup && (index < 0 || index >= s.lines.size()))
        index = -1;
    s.index = index;
}

// The same rules as the widgets that the real window builds for each kind.
bool MemorySurface::allows(Kind kind, Op op)
{
    if (kind == Kind::State || op == Op::Any)
        return true;
    switch (op) {
    case Op::Text:
        return kind != Kind::ScrollBar;
    case Op::Check:
        return kind == Kind::Button || kind == Kind::GlassButton || kind == Kind::CheckBox;
    case Op::Index:
        return kind == Kind::RadioGroup || kind == Kind::ListBox || kind == Kind::ScrollBar;
    case Op::ReadLines:
        return kind == Kind::ListBox || kind == Kind::Memo || kind == Kind::RadioGroup;
    case Op::WriteLines:
        return kind == Kind::ListBox || kind == Kind::Memo;
    case Op::Picture:
        return kind == Kind::Picture || kind == Kind::Label;
    case Op::Any:
        break;
    }
    return true;
}

namespace {
[[noreturn]] void refuse(const QString &name, const char *why)
{
    throw std::logic_error("Control \"" + name.toStdString() + "\" " + why);
}
} // namespace

const MemorySurface::State &MemorySurface::get(const QString &name, Op op) const
{
    auto it = m_states.constFind(name);
    if (it == m_states.cend())
        refuse(name, "is not a control of this window");
    if (!allows(it->kind, op))
        refuse(name, "does not support this operation");
    return *it;
}

MemorySurface::State &MemorySurface::at(const QString &name, Op op)
{
    return const_cast<State &>(std::as_const(*this).get(name, op));
}

QString MemorySurface::text(const QString &name) const
{
    const State &s = get(name, Op::Text);
    if (s.kind == Kind::ListBox || s.kind == Kind::Memo)
        return s.lines.join(QLatin1Char('\n'));
    return s.text;
}

void MemorySurface::setText(const QString &name, const QString &text)
{
    State &s = at(name, Op::Text);
    if (s.kind == Kind::ListBox || s.kind == Kind::Memo)
        s.lines = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    else
        s.text = text;
}

QString MemorySurface::line(const QString &name, int i) const
{
    const QStringList &l = get(name, Op::ReadLines).lines;
    return i >= 0 && i < l.size() ? l.at(i) : QString();
}

void MemorySurface::setLine(const QString &name, int i, const QString &text)
{
    // Only a line that is there can be set: a row display that stopped short
    // of the row being played must not grow a stray line.
    QStringList &l = at(name, Op::WriteLines).lines;
    if (i >= 0 && i < l.size())
        l[i] = text;
}

void MemorySurface::showPicture(const QString &name, const QString &winPath)
{
    State &s = at(name, Op::Picture);
    if (m_loadPicture)
        m_loadPicture(winPath);
    s.picture = winPath;
}

} // namespace zovt

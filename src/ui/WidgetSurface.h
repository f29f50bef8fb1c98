#pragma once
// The control surface over the real widgets of a window: every operation
// finds the widget by its objectName and acts on it. Hidden controls that
// only hold a value (declared as state in the window's design) have no
// widget and keep their value in memory; any other name without a widget is
// a programming error and throws std::logic_error naming it.

#include "core/ControlSurface.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

namespace zovt {

class WidgetSurface : public MemorySurface {
public:
    // The state-only names are those of the window's design table; they start
    // in their design state.
    WidgetSurface(QWidget *root, const design::Form &form);

    bool isEnabled(const QString &name) const override;
    void setEnabled(const QString &name, bool on) override;
    // The control's own visibility flag: true for a control that is not
    // hidden, even while its panel or the window is not shown.
    bool isVisible(const QString &name) const override;
    void setVisible(const QString &name, bool on) override;
    QString text(const QString &name) const override;
    void setText(const QString &name, const QString &text) override;
    QString toolTip(const QString &name) const override;
    void setToolTip(const QString &name, const QString &text) override;
    bool isChecked(const QString &name) const override;
    void setChecked(const QString &name, bool on) override;
    int index(const QString &name) const override;
    void setIndex(const QString &name, int index) override;
    QStringList lines(const QString &name) const override;
    void setLines(const QString &name, const QStringList &lines) override;
    int lineCount(const QString &name) const override;
    QString line(const QString &name, int i) const override;
    void setLine(const QString &name, int i, const QString &text) override;
    void appendLine(const QString &name, const QString &text) override;
    void showPicture(const QString &name, const QString &winPath) override;

    // The widget of a name; nullptr for a state-only name.
    QWidget *widget(const QString &name) const { return find(name); }
    bool isState(const QString &name) const { return m_state.contains(name); }

private:
    QWidget *find(const QString &name) const;

    QPointer<QWidget> m_root;
    QSet<QString> m_state;
    mutable QHash<QString, QPointer<QWidget>> m_cache;
    QHash<qint64, QPixmap> m_pixmaps; // by the cache key of the picture's image
};

} // namespace zovt

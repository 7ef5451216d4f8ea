#include "workspace/binder.h"

#include "common/ui/busycursor.h"
#include "common/textrules.h"
#include "store/fields.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QSqlRecord>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace workspace {

Binder::Binder(store::RecordSet &set, store::JobWriter &writer, QObject *parent)
    : QObject(parent), m_set(set), m_writer(writer)
{
    m_set.setPendingEdits(this);
    connect(&m_set, &store::RecordSet::repositioned, this, &Binder::load);
}

Binder::~Binder() { m_set.setPendingEdits(nullptr); }

void Binder::add(QWidget *w, const QString &field, Kind kind)
{
    Q_ASSERT(store::findField(field));
    m_bindings.push_back({w, field, kind});
    if (kind == Kind::Line || kind == Kind::Combo)
        w->installEventFilter(this);
}

const Binder::Binding *Binder::bindingOf(const QObject *widget) const
{
    for (const Binding &b : m_bindings)
        if (b.widget == widget)
            return &b;
    return nullptr;
}

bool Binder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
        return false;
    const Binding *b = bindingOf(watched);
    if (!b || !m_dirty.contains(b->field))
        return false;
    m_loading = true;
    show(*b, m_set.hasCurrent() ? m_set.value(b->field) : QVariant());
    m_loading = false;
    m_dirty.remove(b->field);
    return true;
}

void Binder::focusField(const QString &field) const
{
    for (const Binding &b : m_bindings) {
        if (b.field != field || b.kind == Kind::Label || !b.widget->isVisible())
            continue;
        b.widget->setFocus(Qt::OtherFocusReason);
        if (b.kind == Kind::Line)
            static_cast<QLineEdit *>(b.widget)->selectAll();
        else if (b.kind == Kind::Combo && static_cast<QComboBox *>(b.widget)->lineEdit())
            static_cast<QComboBox *>(b.widget)->lineEdit()->selectAll();
        return;
    }
}

void Binder::bind(QLineEdit *edit, const QString &field)
{
    add(edit, field, Kind::Line);
    connect(edit, &QLineEdit::textChanged, this, [this, field] { markChanged(field); });
}

void Binder::bind(QComboBox *combo, const QString &field)
{
    add(combo, field, Kind::Combo);
    connect(combo, &QComboBox::currentTextChanged, this, [this, field] { markChanged(field); });
}

void Binder::bind(QCheckBox *check, const QString &field)
{
    add(check, field, Kind::Check);
    connect(check, &QCheckBox::toggled, this, [this, field] { markChanged(field); });
}

void Binder::bindReadOnly(QLabel *label, const QString &field) { add(label, field, Kind::Label); }

void Binder::markChanged(const QString &field)
{
    if (!m_loading)
        m_dirty.insert(field);
}

void Binder::show(const Binding &b, const QVariant &value)
{
    const QString text = value.isNull()                       ? QString()
                         : value.typeId() == QMetaType::Double ? common::plainNumber(value.toDouble())
                                                               : value.toString();
    switch (b.kind) {
    case Kind::Line: static_cast<QLineEdit *>(b.widget)->setText(text); break;
    case Kind::Combo: static_cast<QComboBox *>(b.widget)->setEditText(text); break;
    case Kind::Label: static_cast<QLabel *>(b.widget)->setText(text); break;
    case Kind::Check:
        static_cast<QCheckBox *>(b.widget)->setChecked(!value.isNull() && value.toInt() != 0);
        break;
    }
}

void Binder::showUntouched()
{
    m_loading = true;
    const QSqlRecord row = m_set.current();
    for (const Binding &b : std::as_const(m_bindings))
        if (!m_dirty.contains(b.field))
            show(b, row.value(b.field));
    m_loading = false;
}

void Binder::load()
{
    m_loading = true;
    const QSqlRecord row = m_set.current();
    for (const Binding &b : std::as_const(m_bindings))
        show(b, row.value(b.field));
    m_dirty.clear();
    m_loading = false;
}

QVariant Binder::widgetValue(const Binding &b) const
{
    QString text;
    switch (b.kind) {
    case Kind::Check: return static_cast<QCheckBox *>(b.widget)->isChecked() ? -1 : 0;
    case Kind::Label: return static_cast<QLabel *>(b.widget)->text();
    case Kind::Line: text = static_cast<QLineEdit *>(b.widget)->text(); break;
    case Kind::Combo: text = static_cast<QComboBox *>(b.widget)->currentText(); break;
    }
    // An emptied date, time or number is no value, not an empty text.
    if (text.isEmpty() && !store::findField(b.field)->isTextLike())
        return QVariant();
    return text;
}

common::Result<void> Binder::writePendingEdits()
{
    if (m_dirty.isEmpty())
        return {};
    if (!m_set.hasCurrent()) {
        // Nothing to write into: the set has no current row.
        m_dirty.clear();
        return {};
    }
    // Another program holding the file makes the save wait a moment.
    const common::BusyCursor busy;
    if (const auto err = m_set.edit(); err.failed())
        return err;
    for (const Binding &b : std::as_const(m_bindings))
        if (b.kind != Kind::Label && m_dirty.contains(b.field))
            m_set.setValue(b.field, widgetValue(b));
    if (const auto err = m_writer.save(); err.failed()) {
        // Keep what was typed on screen so the clerk can correct it.
        m_set.cancelUpdate();
        // Another desk saved the row meanwhile: what it wrote shows in the
        // fields this clerk did not touch.
        if (err.error().code == store::code::ChangedElsewhere)
            showUntouched();
        return err;
    }
    m_dirty.clear();
    return {};
}

} // namespace workspace

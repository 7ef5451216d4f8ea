#pragma once
// Ties the workspace's bound controls to fields of the current row: loads the
// row on every reposition, remembers what changed, and writes it back when
// the record set asks (before a move, a refresh or closing).
#include "store/jobwriter.h"
#include "store/recordset.h"

#include <QObject>
#include <QSet>
#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace workspace {

class Binder : public QObject, public store::PendingEdits {
    Q_OBJECT
public:
    Binder(store::RecordSet &set, store::JobWriter &writer, QObject *parent = nullptr);
    ~Binder() override;

    void bind(QLineEdit *edit, const QString &field);
    void bind(QComboBox *combo, const QString &field);
    void bind(QCheckBox *check, const QString &field);
    // Shown, never written (编号).
    void bindReadOnly(QLabel *label, const QString &field);

    // Puts the current row (or nothing) into every bound control.
    void load();
    common::Result<void> writePendingEdits() override;
    // Forgets what was typed (the row is going away).
    void discardPendingEdits() { m_dirty.clear(); }
    // Writes field with the rest even if its control shows no change.
    void touch(const QString &field) { m_dirty.insert(field); }
    QSet<QString> pendingFields() const { return m_dirty; }
    // Puts the focus in the control bound to field, its text selected; a
    // field no control shows is passed over.
    void focusField(const QString &field) const;

protected:
    // Escape in a bound control puts back what the row holds.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Kind { Line, Combo, Check, Label };
    struct Binding {
        QWidget *widget;
        QString field;
        Kind kind;
    };
    void add(QWidget *w, const QString &field, Kind kind);
    void markChanged(const QString &field);
    QVariant widgetValue(const Binding &b) const;
    void show(const Binding &b, const QVariant &value);
    void showUntouched();
    const Binding *bindingOf(const QObject *widget) const;

    store::RecordSet &m_set;
    store::JobWriter &m_writer;
    QVector<Binding> m_bindings;
    QSet<QString> m_dirty;
    bool m_loading = false;
};

} // namespace workspace

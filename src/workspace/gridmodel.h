#pragma once
// The grid shows the yes/no column as "Yes"/"No".
#include <QIdentityProxyModel>

namespace workspace {

class YesNoColumnModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    YesNoColumnModel(QAbstractItemModel *source, int yesNoColumn, QObject *parent = nullptr)
        : QIdentityProxyModel(parent), m_column(yesNoColumn)
    {
        setSourceModel(source);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        const QVariant v = QIdentityProxyModel::data(index, role);
        if (role != Qt::DisplayRole || index.column() != m_column || v.isNull())
            return v;
        bool numeric = false;
        const int n = v.toInt(&numeric);
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
        if (!numeric)
            return v;
        return n != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    }

private:
    int m_column;
};

} // namespace workspace

#pragma once
// How a value the windows hold (mostly text) becomes the stored form of a
// field, and how a stored value reads back.
#include "store/fields.h"
#include "store/storeerror.h"

#include <QVariant>

namespace store {

struct StoredValue {
    QVariant value;     // null for "no value"
    StoreError error;   // 3464 for a value not of the field's kind, 6 for an overflow
};

StoredValue toStored(const FieldDef &field, const QVariant &given);

// A value read from the file in the form the windows expect: whole numbers
// as int, yes/no as -1/0, everything else as stored.
QVariant fromStored(const FieldDef &field, const QVariant &stored);

} // namespace store

#pragma once

#include "table/TableRules.h"

class QAbstractItemModel;

namespace quarvel {

// What the profile panel draws from: the table as it is shown, and the item
// model whose resets say that it changed and whose rows the selection names.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    virtual const SectionTable& Table() const = 0;
    virtual const QAbstractItemModel& Rows() const = 0;
};

} // namespace quarvel

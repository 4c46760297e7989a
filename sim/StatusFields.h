// Status record fields by name, for fixing them from the command line.
#pragma once

#include <cstddef>
#include <string_view>

#include "LinkRecords.h"

namespace crawlersim {

enum class FieldType { I32, U32, U16, U8, F32 };

struct StatusField {
    const char* name; // member name, array elements as "A[0]"
    size_t offset;
    FieldType type;
};

const StatusField* findStatusField(std::string_view name);
// Converts to the field's type (integers truncate toward zero, then wrap).
void writeStatusField(LinkStatusRecord& record, const StatusField& field, double value);

} // namespace crawlersim

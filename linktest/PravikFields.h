// The display fields of the two link records: control ids, captions, shown texts and the
// rows they sit in.
#pragma once

#include <QString>
#include <vector>

#include "LinkRecords.h"
#include "PravikCommands.h"

// A status field; fields with the same row sit side by side, up to three to a row.
struct StatusField {
    int row;
    int id;
    const char* caption;
    QString (*text)(const LinkStatusRecord&);
};

// Fields of this group sit in the second box of the status area.
constexpr int kStatusSecondGroupRow = 12;

// A control echo field with the command buttons beside it.
struct EchoRow {
    int id;
    const char* caption;
    QString (*text)(const LinkControlRecord&);
    std::vector<CommandButton> buttons;
};

const std::vector<StatusField>& StatusFields();
const std::vector<EchoRow>& EchoRows();

// Number texts as the fields show them: floats with six significant digits.
QString FloatText(float value);
QString IntText(long long value);

#pragma once
// A parameter or result column as the server describes it, and what it is for the program:
// worked out once here, so that no caller beyond the binding code reads Firebird type codes.
#include "db/Value.h"

#include <string>
#include <vector>

namespace Firebird {
class IMessageMetadata;
}

namespace sollist::text {
class CodePage;
}

namespace sollist::db {

struct ColumnInfo {
    std::string name;  // output name (alias)
    std::string field; // column of the relation it comes from, if any
    std::string relation;
    // As described, for binding values.
    unsigned type = 0; // SQL_* without the nullable bit
    int subType = 0;
    unsigned length = 0; // bytes
    int scale = 0;
    unsigned charSet = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    // What the column is.
    TFieldType kind = TFieldType::ftBytes; // the field kind it reads as
    int characters = 0;                    // text: characters it holds; else 0
    int precision = 0;                     // exact numbers: digits their storage holds (4, 9, 18); else 0
    // Text and text blobs of character set NONE: the server passes their bytes unconverted,
    // and they are texts in this code page. Null for every other column.
    const text::CodePage* codePage = nullptr;
};

// Column descriptions of a message; codePage goes to the texts of character set NONE.
std::vector<ColumnInfo> DescribeColumns(Firebird::IMessageMetadata* metadata,
                                        const text::CodePage* codePage = nullptr);

} // namespace sollist::db

#include "db/ColumnInfo.h"

#include "db/FbApi.h"

namespace sollist::db {

namespace {

TFieldType KindOf(const ColumnInfo& column) {
    switch (column.type) {
    case SQL_VARYING:
    case SQL_TEXT: return TFieldType::ftString;
    case SQL_SHORT: return column.scale ? TFieldType::ftFloat : TFieldType::ftSmallint;
    case SQL_LONG:
    case SQL_INT64: return column.scale ? TFieldType::ftFloat : TFieldType::ftInteger;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return TFieldType::ftFloat;
    case SQL_TYPE_DATE: return TFieldType::ftDate;
    case SQL_TYPE_TIME: return TFieldType::ftTime;
    case SQL_TIMESTAMP: return TFieldType::ftDateTime;
    case SQL_BOOLEAN: return TFieldType::ftBoolean;
    case SQL_BLOB: return column.subType == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
    default: return TFieldType::ftBytes;
    }
}

int CharactersOf(const ColumnInfo& column) {
    if (column.type != SQL_VARYING && column.type != SQL_TEXT)
        return 0;
    // Slots are sized for the longest character of the set: UTF8 4 bytes, UNICODE_FSS 3.
    const unsigned bytesPerChar = column.charSet == 4 ? 4 : column.charSet == 3 ? 3 : 1;
    return static_cast<int>(column.length / bytesPerChar);
}

// Character set 0 is NONE; for other types the number means nothing.
bool IsNoneText(const ColumnInfo& column) {
    const bool text = column.type == SQL_VARYING || column.type == SQL_TEXT ||
                      (column.type == SQL_BLOB && column.subType == 1);
    return text && column.charSet == 0;
}

int PrecisionOf(const ColumnInfo& column) {
    switch (column.type) {
    case SQL_SHORT: return 4;
    case SQL_LONG: return 9;
    case SQL_INT64: return 18;
    default: return 0;
    }
}

} // namespace

std::vector<ColumnInfo> DescribeColumns(Firebird::IMessageMetadata* metadata,
                                        const text::CodePage* codePage) {
    fb::Status status;
    std::vector<ColumnInfo> columns(metadata->getCount(&status));
    for (unsigned i = 0; i < columns.size(); ++i) {
        ColumnInfo& c = columns[i];
        c.name = metadata->getAlias(&status, i);
        c.field = metadata->getField(&status, i);
        c.relation = metadata->getRelation(&status, i);
        c.type = metadata->getType(&status, i) & ~1u;
        c.subType = metadata->getSubType(&status, i);
        c.length = metadata->getLength(&status, i);
        c.scale = metadata->getScale(&status, i);
        c.charSet = metadata->getCharSet(&status, i);
        c.offset = metadata->getOffset(&status, i);
        c.nullOffset = metadata->getNullOffset(&status, i);
        if (c.name.empty())
            c.name = c.field;
        c.kind = KindOf(c);
        c.characters = CharactersOf(c);
        c.precision = PrecisionOf(c);
        if (IsNoneText(c))
            c.codePage = codePage;
    }
    return columns;
}

} // namespace sollist::db

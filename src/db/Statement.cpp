#include "db/Statement.h"

#include "common/Text.h"
#include "db/Connection.h"
#include "db/Convert.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace sollist::db {

using namespace Firebird;

namespace {

// Firebird counts days from 1858-11-17; day numbers count from 1899-12-30.
constexpr int kIscDateOffset = 15018;
constexpr double kTimeUnitsPerDay = 86400.0 * 10000.0;
constexpr unsigned kBlobSegment = 32 * 1024; // larger segments are refused or cut short
constexpr std::size_t kMaxVarchar = 32765;   // bytes of the longest VARCHAR parameter
// Input slot wishes besides a VARCHAR length: keep whatever the slot is, or the described type.
constexpr long kAnySlot = 0;
constexpr long kDescribedSlot = -1;

template <class T>
T Load(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class T>
void Store(unsigned char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

double PowerOfTen(int exponent) { return std::pow(10.0, exponent); }

ISC_TIMESTAMP ToTimestamp(double dayNumber) {
    double day = std::floor(dayNumber);
    auto time = static_cast<std::int64_t>(std::llround((dayNumber - day) * kTimeUnitsPerDay));
    if (time >= static_cast<std::int64_t>(kTimeUnitsPerDay)) {
        day += 1;
        time = 0;
    }
    return {static_cast<ISC_DATE>(day) + kIscDateOffset, static_cast<ISC_TIME>(time)};
}

std::int64_t ScaledInteger(const TValue& value, int scale) {
    if (scale == 0)
        return ValueToInteger(value);
    double scaled = ValueToFloat(value) * PowerOfTen(-scale);
    if (!(std::fabs(scaled) < 9.2e18))
        throw EConvertError(fmt::format("{} is out of range", ValueToString(value)));
    return std::llround(scaled);
}

template <class T>
T Narrow(std::int64_t value, const TValue& original) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        throw EConvertError(fmt::format("{} is out of range", ValueToString(original)));
    return static_cast<T>(value);
}

std::string ReadBlob(ISC_QUAD id, IAttachment* attachment, ITransaction* transaction) {
    fb::Status status;
    fb::Blob blob(attachment->openBlob(&status, transaction, &id, 0, nullptr));
    std::string text;
    char segment[kBlobSegment];
    for (;;) {
        unsigned length = 0;
        int result = blob->getSegment(&status, sizeof segment, segment, &length);
        if (result != IStatus::RESULT_OK && result != IStatus::RESULT_SEGMENT)
            break;
        text.append(segment, length);
    }
    blob->close(&status);
    blob.forget();
    return text;
}

ISC_QUAD WriteBlob(const std::string& text, IAttachment* attachment, ITransaction* transaction) {
    fb::Status status;
    ISC_QUAD id{};
    fb::Blob blob(attachment->createBlob(&status, transaction, &id, 0, nullptr));
    for (std::size_t at = 0; at < text.size(); at += kBlobSegment) {
        auto length = static_cast<unsigned>(std::min<std::size_t>(kBlobSegment, text.size() - at));
        blob->putSegment(&status, length, text.data() + at);
    }
    blob->close(&status);
    blob.forget();
    return id;
}

bool IsText(unsigned type) { return type == SQL_VARYING || type == SQL_TEXT; }

// The one place where texts of character set NONE are read: bytes of the code page to UTF-8.
std::string TextOf(const ColumnInfo& column, std::string bytes) {
    return column.codePage ? column.codePage->ToUtf8(bytes) : std::move(bytes);
}

// Bytes the value takes as text, without building the text for values that already are text.
std::size_t TextLength(const TValue& value) {
    if (auto* text = std::get_if<std::string>(&value))
        return text->size();
    return ValueToString(value).size();
}

void WriteValue(const ColumnInfo& column, const TValue& value, unsigned char* buffer, IAttachment* attachment,
                ITransaction* transaction) {
    unsigned char* data = buffer + column.offset;
    bool isNull = std::holds_alternative<std::monostate>(value);
    Store<short>(buffer + column.nullOffset, isNull ? -1 : 0);
    if (isNull)
        return;
    switch (column.type) {
    case SQL_VARYING: {
        std::string text = ValueToString(value);
        Store<unsigned short>(data, static_cast<unsigned short>(text.size()));
        std::memcpy(data + sizeof(unsigned short), text.data(), text.size());
        break;
    }
    case SQL_TEXT: {
        std::string text = ValueToString(value);
        std::memset(data, ' ', column.length);
        std::memcpy(data, text.data(), text.size());
        break;
    }
    case SQL_SHORT: Store(data, Narrow<short>(ScaledInteger(value, column.scale), value)); break;
    case SQL_LONG: Store(data, Narrow<ISC_LONG>(ScaledInteger(value, column.scale), value)); break;
    case SQL_INT64: Store<ISC_INT64>(data, ScaledInteger(value, column.scale)); break;
    case SQL_FLOAT: Store(data, static_cast<float>(ValueToFloat(value))); break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: Store(data, ValueToFloat(value)); break;
    case SQL_TYPE_DATE: Store(data, ToTimestamp(ValueToDateTime(value)).timestamp_date); break;
    case SQL_TYPE_TIME: {
        double moment = ValueToDateTime(value);
        Store(data, ToTimestamp(moment - std::floor(moment)).timestamp_time);
        break;
    }
    case SQL_TIMESTAMP: Store(data, ToTimestamp(ValueToDateTime(value))); break;
    case SQL_BOOLEAN: Store<FB_BOOLEAN>(data, ValueToBoolean(value) ? FB_TRUE : FB_FALSE); break;
    case SQL_BLOB: Store(data, WriteBlob(ValueToString(value), attachment, transaction)); break;
    case SQL_NULL: break;
    default: throw EConvertError(fmt::format("Parameter type {} is not supported", column.type));
    }
}

// Counts a result set as open on the connection while rows are fetched.
class OpenResultSetScope {
public:
    explicit OpenResultSetScope(TIBCConnection& connection) : connection_(connection) {
        connection_.ResultSetOpened();
    }
    ~OpenResultSetScope() { connection_.ResultSetClosed(); }
    OpenResultSetScope(const OpenResultSetScope&) = delete;
    OpenResultSetScope& operator=(const OpenResultSetScope&) = delete;

private:
    TIBCConnection& connection_;
};

} // namespace

TValue ReadColumn(const ColumnInfo& column, const unsigned char* buffer, IAttachment* attachment,
                  ITransaction* transaction) {
    if (Load<short>(buffer + column.nullOffset) != 0)
        return Null;
    const unsigned char* data = buffer + column.offset;
    auto scaled = [&](std::int64_t raw) -> TValue {
        if (column.scale == 0)
            return raw;
        return static_cast<double>(raw) / PowerOfTen(-column.scale);
    };
    switch (column.type) {
    case SQL_VARYING:
        return TextOf(column, std::string(reinterpret_cast<const char*>(data) + sizeof(unsigned short),
                                          Load<unsigned short>(data)));
    case SQL_TEXT: {
        std::string text(reinterpret_cast<const char*>(data), column.length);
        text.erase(text.find_last_not_of(' ') + 1); // CHAR comes blank-padded to 4n bytes
        return TextOf(column, std::move(text));
    }
    case SQL_SHORT: return scaled(Load<short>(data));
    case SQL_LONG: return scaled(Load<ISC_LONG>(data));
    case SQL_INT64: return scaled(Load<ISC_INT64>(data));
    case SQL_FLOAT: return static_cast<double>(Load<float>(data));
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return Load<double>(data);
    case SQL_TYPE_DATE: return static_cast<double>(Load<ISC_DATE>(data) - kIscDateOffset);
    case SQL_TYPE_TIME: return Load<ISC_TIME>(data) / kTimeUnitsPerDay;
    case SQL_TIMESTAMP: {
        auto stamp = Load<ISC_TIMESTAMP>(data);
        return (stamp.timestamp_date - kIscDateOffset) + stamp.timestamp_time / kTimeUnitsPerDay;
    }
    case SQL_BOOLEAN: return Load<FB_BOOLEAN>(data) != FB_FALSE;
    case SQL_BLOB: return TextOf(column, ReadBlob(Load<ISC_QUAD>(data), attachment, transaction));
    case SQL_NULL: return Null;
    default:
        throw EConvertError(fmt::format("Column {} has the unsupported type {}", column.name, column.type));
    }
}

PreparedStatement::PreparedStatement(TIBCConnection& connection, const std::string& sql)
    : connection_(connection), sql_(sql) {
    fb::Status status;
    statement_.reset(connection.Attachment()->prepare(&status, connection.StatementTransaction(),
                                                      static_cast<unsigned>(sql.size()), sql.c_str(),
                                                      SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA));
    inputMetadata_.reset(statement_->getInputMetadata(&status));
    outputMetadata_.reset(statement_->getOutputMetadata(&status));
    const text::CodePage* codePage = &connection.GetCodePage();
    inputs_ = DescribeColumns(inputMetadata_.get(), codePage);
    outputs_ = DescribeColumns(outputMetadata_.get(), codePage);
    encodesInput_ =
        std::any_of(inputs_.begin(), inputs_.end(), [](const ColumnInfo& c) { return c.codePage; });
    boundInputs_ = inputs_;
    inputBuffer_.resize(inputMetadata_->getMessageLength(&status));
    outputBuffer_.resize(outputMetadata_->getMessageLength(&status));
    hasCursor_ = (statement_->getFlags(&status) & IStatement::FLAG_HAS_CURSOR) != 0;
}

// The one place where texts for character set NONE are written: UTF-8 to the code page's bytes.
const std::vector<TValue>& PreparedStatement::Encoded(const std::vector<TValue>& params) {
    if (!encodesInput_)
        return params;
    encoded_ = params;
    for (std::size_t i = 0; i < std::min(encoded_.size(), inputs_.size()); ++i)
        if (inputs_[i].codePage && !std::holds_alternative<std::monostate>(encoded_[i]))
            encoded_[i] = inputs_[i].codePage->FromUtf8(ValueToString(encoded_[i]));
    return encoded_;
}

IMessageMetadata* PreparedStatement::Bind(const std::vector<TValue>& params) {
    const std::vector<TValue>& values = Encoded(params);
    auto valueAt = [&](std::size_t i) -> const TValue& { return i < values.size() ? values[i] : Null; };
    // Text longer than a text slot gets a wider slot, so the server itself decides whether it
    // fits the column (and reports a truncation in its own words). Text for a blob travels as
    // VARCHAR when it fits one.
    std::vector<long> slots(inputs_.size(), kAnySlot);
    bool fits = true;
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        const TValue& value = valueAt(i);
        const ColumnInfo& described = inputs_[i];
        const ColumnInfo& bound = boundInputs_[i];
        if (std::holds_alternative<std::monostate>(value) ||
            !(IsText(described.type) || described.type == SQL_BLOB))
            continue;
        const std::size_t length = TextLength(value);
        if (IsText(described.type) && length <= described.length)
            continue;
        if (length > kMaxVarchar) {
            if (described.type != SQL_BLOB)
                throw EConvertError(fmt::format("Text of {} bytes is too long for a parameter", length));
            slots[i] = kDescribedSlot;
            fits = fits && bound.type == SQL_BLOB;
            continue;
        }
        slots[i] = std::max<long>(static_cast<long>(length), 1);
        fits = fits && bound.type == SQL_VARYING && bound.length >= static_cast<unsigned>(slots[i]);
    }
    if (!fits)
        Rebind(slots);
    std::fill(inputBuffer_.begin(), inputBuffer_.end(), 0);
    IAttachment* attachment = connection_.Attachment();
    ITransaction* transaction = connection_.StatementTransaction();
    for (std::size_t i = 0; i < boundInputs_.size(); ++i)
        WriteValue(boundInputs_[i], valueAt(i), inputBuffer_.data(), attachment, transaction);
    return boundMetadata_ ? boundMetadata_.get() : inputMetadata_.get();
}

void PreparedStatement::Rebind(const std::vector<long>& slots) {
    fb::Status status;
    fb::Handle<IMetadataBuilder> builder(inputMetadata_->getBuilder(&status));
    for (unsigned i = 0; i < inputs_.size(); ++i) {
        const ColumnInfo& bound = boundInputs_[i];
        const bool boundWidened = bound.type == SQL_VARYING &&
                                  (inputs_[i].type != SQL_VARYING || bound.length != inputs_[i].length);
        unsigned length = 0; // 0: the described slot
        if (slots[i] > 0)    // slots widened before stay wide: alternating lengths rebuild once
            length = std::max(static_cast<unsigned>(slots[i]), boundWidened ? bound.length : 0u);
        else if (slots[i] == kAnySlot && boundWidened)
            length = bound.length;
        if (length == 0)
            continue;
        builder->setType(&status, i, SQL_VARYING + 1);
        builder->setSubType(&status, i, 0);
        builder->setLength(&status, i, length);
        if (inputs_[i].codePage) // already in the code page: the server must not convert it
            builder->setCharSet(&status, i, 0);
    }
    boundMetadata_.reset(builder->getMetadata(&status));
    boundInputs_ = DescribeColumns(boundMetadata_.get(), &connection_.GetCodePage());
    inputBuffer_.assign(boundMetadata_->getMessageLength(&status), 0);
}

void PreparedStatement::Notify(StatementObserver::Kind kind, IMessageMetadata* input) const {
    if (StatementObserver* observer = connection_.Observer())
        observer->Executed(sql_, kind, input, inputBuffer_.data());
}

void PreparedStatement::Execute(const std::vector<TValue>& params) { Run(params); }

std::uint64_t PreparedStatement::ExecuteCounted(const std::vector<TValue>& params) {
    if (!Run(params))
        return 0;
    fb::Status status;
    return statement_->getAffectedRecords(&status);
}

bool PreparedStatement::Run(const std::vector<TValue>& params) {
    IMessageMetadata* input = Bind(params);
    Notify(hasCursor_ ? StatementObserver::Kind::OpenClose : StatementObserver::Kind::Execute, input);
    fb::Status status;
    ITransaction* transaction = connection_.StatementTransaction();
    if (hasCursor_) {
        // A select run as a command: open and close it, reading nothing.
        fb::ResultSet cursor(statement_->openCursor(&status, transaction, input, inputBuffer_.data(),
                                                    outputMetadata_.get(), 0));
        cursor->close(&status);
        cursor.forget();
        return false;
    }
    statement_->execute(&status, transaction, input, inputBuffer_.data(), outputMetadata_.get(),
                        outputBuffer_.data());
    return true;
}

void PreparedStatement::Query(const std::vector<TValue>& params,
                              const std::function<void(std::vector<TValue>& row)>& onRow) {
    IMessageMetadata* input = Bind(params);
    Notify(hasCursor_ ? StatementObserver::Kind::Query : StatementObserver::Kind::Execute, input);
    fb::Status status;
    IAttachment* attachment = connection_.Attachment();
    ITransaction* transaction = connection_.StatementTransaction();
    std::vector<TValue> row(outputs_.size());
    if (!hasCursor_) {
        // EXECUTE PROCEDURE and the like: one row of output values.
        statement_->execute(&status, transaction, input, inputBuffer_.data(), outputMetadata_.get(),
                            outputBuffer_.data());
        for (std::size_t i = 0; i < outputs_.size(); ++i)
            row[i] = ReadColumn(outputs_[i], outputBuffer_.data(), attachment, transaction);
        if (!outputs_.empty())
            onRow(row);
        return;
    }
    OpenResultSetScope open(connection_);
    fb::ResultSet cursor(
        statement_->openCursor(&status, transaction, input, inputBuffer_.data(), outputMetadata_.get(), 0));
    while (cursor->fetchNext(&status, outputBuffer_.data()) == IStatus::RESULT_OK) {
        for (std::size_t i = 0; i < outputs_.size(); ++i)
            row[i] = ReadColumn(outputs_[i], outputBuffer_.data(), attachment, transaction);
        onRow(row);
    }
    cursor->close(&status);
    cursor.forget();
}

} // namespace sollist::db

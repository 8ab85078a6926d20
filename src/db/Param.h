#pragma once
// A named parameter of a statement; every position of the name in the text takes its value.
#include "db/Value.h"

#include <cstdint>
#include <string>
#include <utility>

namespace sollist::db {

class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const { return name_; }
    void AsString(const std::string& value) { value_ = value; }
    void AsInteger(std::int64_t value) { value_ = value; }
    void AsFloat(double value) { value_ = value; }
    void AsDateTime(double value) {
        value_ = value;
        dateTime_ = true;
    }
    void Clear() { value_ = Null; }
    const TValue& Value() const { return value_; }
    bool IsDateTime() const { return dateTime_; }

private:
    std::string name_;
    TValue value_;
    bool dateTime_ = false;
};

} // namespace sollist::db

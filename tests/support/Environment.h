#pragma once
// Environment variables changed for a while: the guard puts back every variable it changed,
// as it was before the first change, when it goes.
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace sollist::test {

class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    // One variable set (nullopt: removed) for the guard's life.
    EnvironmentGuard(const std::string& name, std::optional<std::string> value) {
        Set(name, std::move(value));
    }
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    // Sets the variable, or removes it for nullopt / a null pointer.
    void Set(const std::string& name, std::optional<std::string> value);
    void Set(const std::string& name, const char* value) {
        Set(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_; // the values before the first Set
};

} // namespace sollist::test

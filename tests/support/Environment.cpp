#include "Environment.h"

#include <cstdlib>

namespace sollist::test {

namespace {

void Apply(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

} // namespace

EnvironmentGuard::~EnvironmentGuard() {
    for (const auto& [name, value] : saved_) Apply(name, value);
}

void EnvironmentGuard::Set(const std::string& name, std::optional<std::string> value) {
    if (!saved_.contains(name)) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    Apply(name, value);
}

} // namespace sollist::test

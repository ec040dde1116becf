#include "effect/item_text.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace Effect {

int parseInt(const std::string& text, int base)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(begin, &end, base);
    if (end == begin)
        throw std::invalid_argument("invalid stoi argument");
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<int>(value);
}

int parseInt(const std::string& text)
{
    return parseInt(text, 10);
}

double parseDouble(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(begin, &end);
    if (end == begin)
        throw std::invalid_argument("invalid stod argument");
    if (errno == ERANGE)
        throw std::out_of_range("stod argument out of range");
    return value;
}

bool isIntText(const std::string& text)
{
    try {
        parseInt(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void throwMapKeyError()
{
    throw std::out_of_range("invalid map<K, T> key");
}

void throwUnorderedMapKeyError()
{
    throw std::out_of_range("invalid unordered_map<K, T> key");
}

std::string formatTrimmedDouble(double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    return text;
}

} // namespace Effect

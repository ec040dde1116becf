#include "platform/os/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace Platform::Os {

namespace {
constexpr const char* codePage = "CP932";

// One converter per direction and thread: iconv descriptors keep state.
struct Converter {
    iconv_t cd;
    Converter(const char* to, const char* from) : cd(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            ::iconv_close(cd);
    }
    bool valid() const { return cd != reinterpret_cast<iconv_t>(-1); }
};
} // namespace

std::string wideToCodePage(std::wstring_view text, char defaultChar)
{
    thread_local Converter conv(codePage, "WCHAR_T");
    std::string out;
    if (!conv.valid() || text.empty())
        return out;
    ::iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(text.size() * 2);
    char buffer[8];
    for (wchar_t c : text) {
        char* in = reinterpret_cast<char*>(&c);
        size_t inLeft = sizeof(wchar_t);
        char* o = buffer;
        size_t outLeft = sizeof buffer;
        if (::iconv(conv.cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) {
            ::iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
            out.push_back(defaultChar);
            continue;
        }
        out.append(buffer, static_cast<size_t>(o - buffer));
    }
    return out;
}

std::wstring codePageToWide(std::string_view bytes)
{
    thread_local Converter conv("WCHAR_T", codePage);
    std::wstring out;
    if (!conv.valid() || bytes.empty())
        return out;
    ::iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(bytes.size());
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(wchar_t);
    while (inLeft > 0) {
        if (::iconv(conv.cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                break; // cannot happen: one byte never yields more than one character
            // Invalid or truncated sequence: replace one byte and go on.
            ::iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
            *reinterpret_cast<wchar_t*>(o) = 0xFFFD;
            o += sizeof(wchar_t);
            outLeft -= sizeof(wchar_t);
            ++in;
            --inLeft;
        }
    }
    out.resize(out.size() - outLeft / sizeof(wchar_t));
    return out;
}

} // namespace Platform::Os

#include "core/ini_file.h"

#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/hash.h"
#include "core/text.h"
#include "platform/os/file.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace System {

namespace {
constexpr size_t IndexThreshold = 12;

// Section names are short, and an inlined hash beats a library call.
size_t hashName(std::string_view name)
{
    const uint64_t h = fnv1a(name);
    return static_cast<size_t>(h ^ (h >> 29));
}

const std::string emptyName;
IniFile::SECTION& emptySection()
{
    static IniFile::SECTION section;
    return section;
}
const IniFile::VALUE emptyValue{};

// Base 10 after optional white space and sign; stops at the first non-digit.
bool parseInt(const std::string& text, int& out)
{
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > 2147483648LL)
            return false;
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

template <class T>
bool parseReal(const std::string& text, T& out)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    T value;
    if constexpr (std::is_same_v<T, float>)
        value = std::strtof(begin, &end);
    else
        value = std::strtod(begin, &end);
    if (end == begin || errno == ERANGE)
        return false;
    out = value;
    return true;
}

[[noreturn]] void throwFormat(const char* place, const char* message, const IniFile::VALUE& value)
{
    std::wstring context = value.getContextText();
    throw makeFormatException(place, message, L"%s", context.c_str());
}
} // namespace

// ---- VALUE ----

int IniFile::VALUE::toInt() const
{
    int v;
    if (text.empty() || !parseInt(text, v))
        throwFormat("System::IniFile::VALUE::toInt", "ini file parameter invalid format(int) or undefined.", *this);
    return v;
}

int IniFile::VALUE::toInt(int defaultValue) const
{
    if (text.empty())
        return defaultValue;
    int v;
    if (!parseInt(text, v))
        throwFormat("System::IniFile::VALUE::toInt", "ini file parameter invalid format(int).", *this);
    return v;
}

float IniFile::VALUE::toFloat() const
{
    float v;
    if (text.empty() || !parseReal(text, v))
        throwFormat("System::IniFile::VALUE::toFloat", "ini file parameter invalid format(float) or undefined.",
                    *this);
    return v;
}

float IniFile::VALUE::toFloat(float defaultValue) const
{
    if (text.empty())
        return defaultValue;
    float v;
    if (!parseReal(text, v))
        throwFormat("System::IniFile::VALUE::toFloat", "ini file parameter invalid format(float).", *this);
    return v;
}

double IniFile::VALUE::toDouble() const
{
    double v;
    if (text.empty() || !parseReal(text, v))
        throwFormat("System::IniFile::VALUE::toDouble", "ini file parameter invalid format(double) or undefined.",
                    *this);
    return v;
}

std::wstring IniFile::VALUE::toString() const
{
    if (text.empty())
        throwFormat("System::IniFile::VALUE::toString", "ini file parameter invalid format(UTF8) or undefined.",
                    *this);
    return utf8ToWide(text);
}

std::wstring IniFile::VALUE::toString(const wchar_t* defaultValue) const
{
    if (text.empty())
        return defaultValue ? defaultValue : L"";
    return utf8ToWide(text);
}

ColorF IniFile::VALUE::toRGBA() const
{
    try {
        if (!text.empty())
            return parseRgbaText(text);
    } catch (const std::exception&) {
    }
    throwFormat("System::IniFile::VALUE::toRGBA", "ini file parameter invalid format(RGB) or undefined.", *this);
}

std::vector<IniFile::VALUE> IniFile::VALUE::split(const char* separator) const
{
    std::vector<VALUE> parts;
    char sep = separator && *separator ? *separator : ',';
    size_t start = 0;
    while (true) {
        size_t end = text.find(sep, start);
        VALUE part;
        part.text = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        part.file = file;
        part.parent = this;
        part.line = line;
        parts.push_back(std::move(part));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::wstring IniFile::VALUE::getContextText(int atLine) const
{
    if (!file)
        return {};
    std::wstring out;
    if (!file->savePath.empty()) {
        out = L"file=" + file->savePath;
        int n = atLine != 0 ? atLine : line;
        if (n != 0)
            out += L"(line " + std::to_wstring(n) + L")";
    }
    const std::string* section = nullptr;
    const std::string* key = nullptr;
    const VALUE* v = this;
    while (v->parent)
        v = v->parent;
    if (file->locate(v, section, key))
        out += L" section=" + utf8ToWide(*section) + L" key=" + utf8ToWide(*key);
    return out;
}

// ---- Pool ----

template <class T>
T* IniFile::Pool<T>::make()
{
    size_t at = count_ % BlockSize;
    if (at == 0 && count_ / BlockSize == blocks_.size())
        blocks_.emplace_back(new T[BlockSize]);
    T* item = &blocks_[count_ / BlockSize][at];
    ++count_;
    return item;
}

template <class T>
void IniFile::Pool<T>::clear()
{
    blocks_.clear();
    count_ = 0;
}

template <class T>
template <class F>
void IniFile::Pool<T>::forEach(F&& f) const
{
    for (size_t i = 0; i < count_; ++i)
        f(blocks_[i / BlockSize][i % BlockSize]);
}

// ---- SECTION ----

IniFile::Entry* IniFile::SECTION::findEntry(std::string_view key) const
{
    if (index_) {
        auto it = index_->find(key);
        return it == index_->end() ? nullptr : it->second;
    }
    for (Entry* e = head_; e; e = e->next) {
        if (e->key == key)
            return e;
    }
    return nullptr;
}

IniFile::VALUE* IniFile::SECTION::find(std::string_view key)
{
    Entry* e = findEntry(key);
    return e ? &e->value : nullptr;
}

const IniFile::VALUE* IniFile::SECTION::find(std::string_view key) const
{
    Entry* e = findEntry(key);
    return e ? &e->value : nullptr;
}

IniFile::VALUE& IniFile::SECTION::add(std::string_view key, IniFile* file)
{
    if (Entry* e = findEntry(key))
        return e->value;
    Entry* e = pool_->make();
    e->key.assign(key);
    e->value.file = file;
    (tail_ ? tail_->next : head_) = e;
    tail_ = e;
    ++count_;
    if (index_) {
        index_->emplace(e->key, e);
    } else if (count_ > IndexThreshold) {
        index_ = std::make_unique<std::unordered_map<std::string_view, Entry*>>();
        for (Entry* x = head_; x; x = x->next)
            index_->emplace(x->key, x);
    }
    return e->value;
}

// ---- SectionRef ----

const IniFile::VALUE& IniFile::SectionRef::findValue(const char* key) const
{
    const VALUE* v = section_->find(key);
    return v ? *v : emptyValue;
}

const IniFile::VALUE& IniFile::SectionRef::getValue(const char* key) const
{
    const VALUE* v = section_->find(key);
    if (!v) {
        std::wstring context = getContextText(key);
        throw makeFormatException("System::IniFile::SectionRef::getValue", "ini file parameter undefined.", L"%s",
                                  context.c_str());
    }
    return *v;
}

std::wstring IniFile::SectionRef::getContextText(const char* key) const
{
    return L" section=" + utf8ToWide(*name_) + L" key=" + utf8ToWide(key ? key : "");
}

bool IniFile::SectionRef::exists() const
{
    return section_ != &emptySection();
}

// ---- IniFile ----

IniFile::IniFile() = default;

IniFile::~IniFile()
{
    if (!saveOnDestroy)
        return;
    try {
        save(savePath.c_str());
    } catch (const std::exception&) {
        // reported by the failure factories; the settings stay as they were on disk
    }
}

void IniFile::clear()
{
    sectionIndex_.clear();
    sections_.clear();
    entries_.clear();
}

IniFile::NamedSection* IniFile::findSection(std::string_view name) const
{
    if (sectionIndex_.empty())
        return nullptr;
    const size_t hash = hashName(name);
    const size_t mask = sectionIndex_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const IndexSlot& slot = sectionIndex_[i];
        if (!slot.section)
            return nullptr;
        if (slot.hash == hash && slot.section->name == name)
            return slot.section;
    }
}

IniFile::NamedSection& IniFile::addNamedSection(std::string_view name)
{
    if (NamedSection* s = findSection(name))
        return *s;
    NamedSection* s = sections_.make();
    s->name.assign(name);
    s->section.pool_ = &entries_;
    auto insert = [this](size_t hash, NamedSection* section) {
        const size_t mask = sectionIndex_.size() - 1;
        size_t i = hash & mask;
        while (sectionIndex_[i].section)
            i = (i + 1) & mask;
        sectionIndex_[i] = IndexSlot{hash, section};
    };
    if (sections_.size() * 2 > sectionIndex_.size()) {
        // Grow and re-insert everything.
        std::vector<IndexSlot> old = std::move(sectionIndex_);
        sectionIndex_.assign(std::max<size_t>(64, old.size() * 2), IndexSlot{0, nullptr});
        for (const IndexSlot& slot : old) {
            if (slot.section)
                insert(slot.hash, slot.section);
        }
    }
    insert(hashName(s->name), s);
    return *s;
}

void IniFile::loadFile(const wchar_t* path, bool isDefault, bool ansi)
{
    std::wstring expanded = FileName::expand(path);
    if (!isDefault) {
        savePath = expanded;
        clear();
    }
    std::string bytes;
    if (Platform::Os::readWholeFile(toLocalPath(expanded), bytes) != 0)
        return; // a missing file is normal
    loadText(bytes, path, isDefault, ansi);
    Log::verbose("System::IniFile::loadFile", L"load ini file : %s (section=%d)", expanded.c_str(),
                 static_cast<int>(sections_.size()));
}

void IniFile::loadText(std::string_view text, const wchar_t* path, bool isDefault, bool ansi)
{
    // A byte-order mark is not part of the first line.
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.remove_prefix(3);
    NamedSection* current = nullptr;
    int lineNumber = 0;
    std::string converted;
    size_t pos = 0;
    while (pos < text.size()) {
        const char* begin = text.data() + pos;
        const void* nl = std::memchr(begin, '\n', text.size() - pos);
        size_t length = nl ? static_cast<size_t>(static_cast<const char*>(nl) - begin) : text.size() - pos;
        pos += length + 1;
        ++lineNumber;
        std::string_view line(begin, length);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.remove_suffix(1);
        if (line.empty() || line[0] == ';')
            continue;
        if (ansi) {
            converted = wideToUtf8(ansiToWide(line));
            line = converted;
        }
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            current = &addNamedSection(line.substr(1, line.size() - 2));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || !current || current->name.empty()) {
            Log::warn("System::IniFile::loadFile", L"ini file line illegal format. file=%s(line %d)", path,
                      lineNumber);
            continue;
        }
        std::string_view key = line.substr(0, eq);
        if (VALUE* existing = current->section.find(key)) {
            if (!isDefault) {
                std::wstring context = existing->getContextText(lineNumber);
                Log::warn("System::IniFile::loadFile", L"ini file parameter duplicate key? %s", context.c_str());
            }
            continue;
        }
        VALUE& value = current->section.add(key, this);
        value.text.assign(line.substr(eq + 1));
        value.line = lineNumber;
    }
}

std::string IniFile::toText() const
{
    size_t estimate = 0;
    sections_.forEach([&](const NamedSection& s) {
        estimate += s.name.size() + 4;
        for (auto& e : s.section)
            estimate += e.key.size() + e.value.text.size() + 3;
    });
    std::string out;
    out.reserve(estimate);
    sections_.forEach([&](const NamedSection& s) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (auto& e : s.section) {
            out += e.key;
            out += '=';
            out += e.value.text;
            out += "\r\n";
        }
    });
    return out;
}

void IniFile::save(const wchar_t* path) const
{
    Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", path);
    std::string text = toText();
    File file;
    file.open(path, File::ModeWrite);
    file.write(text.data(), static_cast<int>(text.size()));
    file.close();
}

IniFile::SectionRef IniFile::getSection(const char* name)
{
    if (NamedSection* s = findSection(name ? name : ""))
        return SectionRef(&s->name, &s->section);
    return SectionRef(&emptyName, &emptySection());
}

IniFile::SectionRef IniFile::getNumberedSection(const char* name, int index)
{
    char composed[64];
    formatNarrow(composed, sizeof composed, "%s.%d", name, index);
    return getSection(composed);
}

IniFile::SECTION& IniFile::addSection(const char* name)
{
    return addNamedSection(name).section;
}

IniFile::VALUE& IniFile::getValue(const char* section, const char* key)
{
    return addSection(section).add(key, this);
}

std::vector<std::string> IniFile::sectionNames() const
{
    std::vector<std::string> names;
    names.reserve(sections_.size());
    sections_.forEach([&](const NamedSection& s) { names.push_back(s.name); });
    return names;
}

bool IniFile::locate(const VALUE* value, const std::string*& section, const std::string*& key) const
{
    bool found = false;
    sections_.forEach([&](const NamedSection& s) {
        for (auto& e : s.section) {
            if (!found && &e.value == value) {
                section = &s.name;
                key = &e.key;
                found = true;
            }
        }
    });
    return found;
}

void IniFile::writeKeyValue(File& file, const char* key, const wchar_t* value)
{
    std::string line = key;
    line += '=';
    line += wideToUtf8(value ? std::wstring_view(value) : std::wstring_view());
    line += "\r\n";
    file.write(line.data(), static_cast<int>(line.size()));
}

} // namespace System

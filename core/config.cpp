#include "core/config.h"

#include "core/ini_file.h"
#include "core/text.h"

#include <cstdio>

namespace System::Config {

std::shared_ptr<IniFile> iniFile;

Parameter::Parameter(Section& section, const char* key) : key(key)
{
    section.parameters.push_back(this);
}

Int::Int(Section& section, const char* key, int* bound, int defaultValue)
    : Parameter(section, key), Value<int>{bound, defaultValue}
{
}

void Int::fromString(const std::string& text)
{
    IniFile::VALUE value;
    value.text = text;
    try {
        *bound = value.toInt();
    } catch (const std::exception&) {
        *bound = defaultValue;
    }
}

void Int::toString(std::string& text)
{
    text = std::to_string(*bound);
}

void Int::reset()
{
    *bound = defaultValue;
}

Float::Float(Section& section, const char* key, float* bound, float defaultValue)
    : Parameter(section, key), Value<float>{bound, defaultValue}
{
}

void Float::fromString(const std::string& text)
{
    IniFile::VALUE value;
    value.text = text;
    try {
        *bound = value.toFloat();
    } catch (const std::exception&) {
        *bound = defaultValue;
    }
}

void Float::toString(std::string& text)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(*bound));
    text = buffer;
}

void Float::reset()
{
    *bound = defaultValue;
}

String::String(Section& section, const char* key, std::wstring* bound, std::wstring defaultValue)
    : Parameter(section, key), Value<std::wstring>{bound, std::move(defaultValue)}
{
}

void String::fromString(const std::string& text)
{
    *bound = utf8ToWide(text);
}

void String::toString(std::string& text)
{
    text = wideToUtf8(*bound);
}

void String::reset()
{
    *bound = defaultValue;
}

void Section::load(IniFile& ini)
{
    if (!name)
        return;
    auto section = ini.getSection(name);
    if (!section.exists()) {
        for (Parameter* p : parameters)
            p->reset();
        return;
    }
    for (Parameter* p : parameters) {
        const IniFile::VALUE* value = section.section().find(p->key);
        try {
            if (value)
                p->fromString(value->text);
            else
                p->reset();
        } catch (const std::exception&) {
            p->reset();
        }
    }
}

void Section::save(IniFile& ini)
{
    if (!name)
        return;
    IniFile::SECTION& section = ini.addSection(name);
    for (Parameter* p : parameters)
        p->toString(section.add(p->key, nullptr).text);
}

void Section::saveAndRelease(IniFile& ini)
{
    save(ini);
    parameters.clear();
    parameters.shrink_to_fit();
}

SectionSaver::SectionSaver(Section* section) : section_(section), ini_(iniFile.get()), hold_(iniFile) {}

SectionSaver::~SectionSaver()
{
    if (section_ && ini_)
        section_->save(*ini_);
}

} // namespace System::Config

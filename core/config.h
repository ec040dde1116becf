#pragma once
// Typed settings bound to a component's own variables, grouped in named sections
// of the main ini file. Missing or unreadable values fall back to the default.
//
// Owner layout: declare the Section first, then the parameters with their bound
// variables, then the SectionSaver last, so that values are stored while the
// parameters still exist.
#include <memory>
#include <string>
#include <vector>

namespace System {
class IniFile;
}

namespace System::Config {

// The main ini file ("%AppData%\velmora2.ini"), held by the settings service.
extern std::shared_ptr<IniFile> iniFile;

class Section;

class Parameter {
public:
    explicit Parameter(Section& section, const char* key);
    virtual void fromString(const std::string& text) = 0;
    virtual void toString(std::string& text) = 0;
    virtual void reset() = 0;
    const char* key;

protected:
    ~Parameter() = default;
};

template <class T>
struct Value {
    T* bound;
    T defaultValue;
};

class Int final : public Parameter, public Value<int> {
public:
    Int(Section& section, const char* key, int* bound, int defaultValue);
    void fromString(const std::string& text) override;
    void toString(std::string& text) override;
    void reset() override;
};

class Float final : public Parameter, public Value<float> {
public:
    Float(Section& section, const char* key, float* bound, float defaultValue);
    void fromString(const std::string& text) override;
    void toString(std::string& text) override;
    void reset() override;
};

class String final : public Parameter, public Value<std::wstring> {
public:
    String(Section& section, const char* key, std::wstring* bound, std::wstring defaultValue);
    void fromString(const std::string& text) override;
    void toString(std::string& text) override;
    void reset() override;
};

class Section {
public:
    explicit Section(const char* name) : name(name) {}
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    void load(IniFile& ini);
    void save(IniFile& ini);
    void saveAndRelease(IniFile& ini);

    const char* name;
    std::vector<Parameter*> parameters;
};

// Stores its section into an ini file when destroyed.
class SectionSaver {
public:
    SectionSaver(Section* section, IniFile* ini) : section_(section), ini_(ini) {}
    // Saves into the main ini file, holding a reference on it.
    explicit SectionSaver(Section* section);
    ~SectionSaver();
    SectionSaver(const SectionSaver&) = delete;
    SectionSaver& operator=(const SectionSaver&) = delete;

private:
    Section* section_;
    IniFile* ini_;
    std::shared_ptr<IniFile> hold_;
};

} // namespace System::Config

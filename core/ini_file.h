#pragma once
// An ini text file in memory: named sections of key=value lines, UTF-8.
//
// Sections and keys keep the order in which they were first read or added, so a
// file read and saved again comes out in the same order (comments and blank
// lines are not kept). Values stay text until a reader converts them; a failed
// conversion throws a report naming the file, line, section and key.
#include "core/color.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace System {

class File;

class IniFile {
public:
    struct VALUE {
        std::string text;
        IniFile* file = nullptr;       // the file it was read from or added to; null for free values
        const VALUE* parent = nullptr; // the value it was cut from by split
        int line = 0;                  // 1-based line in the file, 0 when made in memory

        int toInt() const;
        int toInt(int defaultValue) const;
        float toFloat() const;
        float toFloat(float defaultValue) const;
        double toDouble() const;
        std::wstring toString() const;
        std::wstring toString(const wchar_t* defaultValue) const;
        ColorF toRGBA() const;
        std::vector<VALUE> split(const char* separator) const;
        // "file=<path>(line N) section=<name> key=<key>" for error notes.
        std::wstring getContextText(int line = 0) const;
    };

    struct Entry {
        std::string key;
        VALUE value;
        Entry* next = nullptr;
    };

    // Fixed-size blocks of objects with stable addresses, freed together.
    template <class T>
    class Pool {
    public:
        T* make();
        void clear();
        template <class F>
        void forEach(F&& f) const;
        size_t size() const { return count_; }

    private:
        static constexpr size_t BlockSize = 256;
        std::vector<std::unique_ptr<T[]>> blocks_;
        size_t count_ = 0;
    };

    class SECTION {
    public:
        class iterator {
        public:
            explicit iterator(Entry* e) : e_(e) {}
            Entry& operator*() const { return *e_; }
            Entry* operator->() const { return e_; }
            iterator& operator++()
            {
                e_ = e_->next;
                return *this;
            }
            bool operator!=(const iterator& o) const { return e_ != o.e_; }
            bool operator==(const iterator& o) const { return e_ == o.e_; }

        private:
            Entry* e_;
        };

        VALUE* find(std::string_view key);
        const VALUE* find(std::string_view key) const;
        // The value of key, added empty (line 0) when missing.
        VALUE& add(std::string_view key, IniFile* file);
        size_t size() const { return count_; }
        iterator begin() const { return iterator(head_); }
        iterator end() const { return iterator(nullptr); }

    private:
        friend class IniFile;
        Entry* findEntry(std::string_view key) const;
        Pool<Entry>* pool_ = nullptr; // where new entries come from; null for the shared empty section
        Entry* head_ = nullptr;
        Entry* tail_ = nullptr;
        size_t count_ = 0;
        // Built once a section grows large (language files); small sections are searched in order.
        std::unique_ptr<std::unordered_map<std::string_view, Entry*>> index_;
    };

    class SectionRef {
    public:
        SectionRef(const std::string* name, SECTION* section) : name_(name), section_(section) {}
        const VALUE& findValue(const char* key) const;
        // Throws "ini file parameter undefined." when the key is missing.
        const VALUE& getValue(const char* key) const;
        std::wstring getContextText(const char* key) const;
        const std::string& name() const { return *name_; }
        const SECTION& section() const { return *section_; }
        bool exists() const;

    private:
        const std::string* name_;
        SECTION* section_;
    };

    IniFile();
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Reads a file. A non-default file becomes the save target and replaces all
    // sections; a default file only adds keys and sections that are missing.
    // ansi converts every line from the ANSI code page. A missing file is not an error.
    void loadFile(const wchar_t* path, bool isDefault, bool ansi = false);
    // Parses text already in memory as loadFile would (path is used in messages).
    void loadText(std::string_view text, const wchar_t* path, bool isDefault, bool ansi = false);
    // Writes every section to path (already expanded), replacing the file.
    void save(const wchar_t* path) const;
    // The whole file as it would be saved.
    std::string toText() const;

    SectionRef getSection(const char* name);
    SectionRef getNumberedSection(const char* name, int index);
    SECTION& addSection(const char* name);
    VALUE& getValue(const char* section, const char* key);
    // Section names in file order.
    std::vector<std::string> sectionNames() const;
    size_t sectionCount() const { return sections_.size(); }

    static void writeKeyValue(File& file, const char* key, const wchar_t* value);

    std::wstring savePath;
    bool saveOnDestroy = false;

private:
    struct NamedSection {
        std::string name;
        SECTION section;
    };
    NamedSection* findSection(std::string_view name) const;
    NamedSection& addNamedSection(std::string_view name);
    void clear();
    // Section and key of a value of this file, for error notes.
    bool locate(const VALUE* value, const std::string*& section, const std::string*& key) const;

    Pool<Entry> entries_;
    Pool<NamedSection> sections_;
    // Open-addressing index of section names (power-of-two size, at most half full).
    struct IndexSlot {
        size_t hash;
        NamedSection* section;
    };
    std::vector<IndexSlot> sectionIndex_;
};

} // namespace System

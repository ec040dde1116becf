// The README's floor table holds for the code: every #include of the product
// folders names a header of its own floor or of one its row may include, and
// toolkit headers reach only the .cpp files of the ground floor (directly or
// through a private header of its own). The
// table is read from the README itself, so the two cannot drift apart; a
// fault names the file, the line and the two floors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string Root = VELMORA_SOURCE_DIR;

struct Floor {
    std::string name;
    std::vector<std::string> folders; // "ui", "effects/objects", ...
    std::set<std::string> mayInclude; // floor names
    bool everyBelow = false;
};

struct Table {
    std::vector<Floor> floors; // top first
    // The floor index of a path relative to the root, -1 outside every folder.
    int floorOf(const std::string& path) const
    {
        int found = -1;
        size_t longest = 0;
        for (size_t i = 0; i < floors.size(); ++i)
            for (const std::string& folder : floors[i].folders) {
                const bool inside = path.compare(0, folder.size(), folder) == 0 &&
                                    (path.size() == folder.size() || path[folder.size()] == '/');
                if (inside && folder.size() > longest) {
                    longest = folder.size();
                    found = static_cast<int>(i);
                }
            }
        return found;
    }
    bool allows(int from, int to) const
    {
        if (from == to)
            return true;
        const Floor& f = floors[static_cast<size_t>(from)];
        if (f.everyBelow && to > from)
            return true;
        // The row names a floor by its name or by its folder ("platform").
        const Floor& t = floors[static_cast<size_t>(to)];
        if (f.mayInclude.count(t.name))
            return true;
        return std::any_of(t.folders.begin(), t.folders.end(),
                           [&](const std::string& folder) { return f.mayInclude.count(folder) != 0; });
    }
};

std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> out;
    std::stringstream s(line);
    std::string cell;
    std::getline(s, cell, '|'); // before the first bar
    while (std::getline(s, cell, '|')) {
        const size_t a = cell.find_first_not_of(' '), b = cell.find_last_not_of(' ');
        out.push_back(a == std::string::npos ? "" : cell.substr(a, b - a + 1));
    }
    return out;
}

// The rows of the table whose header is "| floor | folders | may include |".
Table readTable()
{
    std::ifstream in(Root + "/README.md");
    Table table;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!inside) {
            inside = line.rfind("| floor | folders | may include |", 0) == 0;
            continue;
        }
        if (line.empty() || line[0] != '|')
            break;
        const std::vector<std::string> row = cells(line);
        if (row.size() < 3 || row[0].find("---") != std::string::npos)
            continue;
        Floor floor;
        floor.name = row[0];
        // Folders are the backticked names of the second cell; a nested one
        // ("effects/objects") also claims its first part ("effects/").
        static const std::regex quoted("`([a-z_/]+)`");
        for (auto it = std::sregex_iterator(row[1].begin(), row[1].end(), quoted); it != std::sregex_iterator(); ++it) {
            std::string folder = (*it)[1];
            while (!folder.empty() && folder.back() == '/')
                folder.pop_back();
            floor.folders.push_back(folder);
            const std::string first = folder.substr(0, folder.find('/'));
            if (first != folder)
                floor.folders.push_back(first);
        }
        floor.everyBelow = row[2].find("every floor below") != std::string::npos;
        std::stringstream names(row[2]);
        for (std::string name; std::getline(names, name, ',');) {
            const size_t a = name.find_first_not_of(' '), b = name.find_last_not_of(' ');
            if (a != std::string::npos)
                floor.mayInclude.insert(name.substr(a, b - a + 1));
        }
        table.floors.push_back(floor);
    }
    return table;
}

struct Include {
    std::string file;
    int line;
    std::string header;
    bool quoted;
};

std::vector<Include> includesOf(const std::string& folder)
{
    std::vector<Include> out;
    static const std::regex directive(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    for (const auto& entry : fs::recursive_directory_iterator(Root + "/" + folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c"))
            continue;
        std::ifstream in(entry.path());
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            std::smatch m;
            if (std::regex_search(line, m, directive))
                out.push_back({fs::relative(entry.path(), Root).string(), number, m[2], m[1] == "\""});
        }
    }
    return out;
}

TEST(FloorTable, TheReadmeTableIsReadWhole)
{
    const Table table = readTable();
    std::vector<std::string> names;
    for (const Floor& f : table.floors)
        names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"top", "interface", "effects", "model", "media", "core", "ground"}));
    EXPECT_EQ(table.floorOf("effects/objects/image_load.cpp"), 2);
    EXPECT_EQ(table.floorOf("effects/built_in_effects.cpp"), 2);
    EXPECT_EQ(table.floorOf("render/cache/pre_load_cache.h"), 3);
    EXPECT_EQ(table.floorOf("platform/os/file.cpp"), 6);
    EXPECT_TRUE(table.allows(3, 5));  // model includes core
    EXPECT_TRUE(table.allows(5, 6));  // core includes the ground floor, named "platform"
    EXPECT_FALSE(table.allows(5, 3)); // core includes model
    EXPECT_TRUE(table.allows(0, 6));  // top: every floor below
}

TEST(FloorTable, NoIncludeRunsUpTheTable)
{
    const Table table = readTable();
    ASSERT_FALSE(table.floors.empty()) << "no floor table in README.md";
    static const std::regex toolkit(R"(^(Q[A-Za-z]*|Qt[A-Za-z]*/.*|vulkan/.*|libav[a-z]*/.*|libsw[a-z]*/.*|SDL2?/.*)$)");
    // Every folder of the floors below the top, each scanned once.
    std::set<std::string> roots;
    for (const Floor& floor : table.floors)
        for (const std::string& folder : floor.folders)
            if (floor.name != "top")
                roots.insert(folder.substr(0, folder.find('/')));
    std::vector<Include> includes;
    for (const std::string& root : roots) {
        if (fs::is_directory(Root + "/" + root)) {
            std::vector<Include> more = includesOf(root);
            includes.insert(includes.end(), more.begin(), more.end());
        }
    }
    const int ground = static_cast<int>(table.floors.size()) - 1;
    // The ground floor's own headers that carry a toolkit: private to its .cpp files.
    std::set<std::string> toolkitCarriers;
    for (const Include& include : includes)
        if (!include.quoted && std::regex_match(include.header, toolkit) && table.floorOf(include.file) == ground)
            toolkitCarriers.insert(include.file);
    std::vector<std::string> faults;
    for (const Include& include : includes) {
        const int from = table.floorOf(include.file);
        if (from < 0)
            continue;
        const Floor& floor = table.floors[static_cast<size_t>(from)];
        const std::string where = include.file + ":" + std::to_string(include.line) + ": ";
        if (!include.quoted) {
            if (std::regex_match(include.header, toolkit) && from != ground)
                faults.push_back(where + "<" + include.header + "> is a toolkit header outside platform/");
            continue;
        }
        if (toolkitCarriers.count(include.header) &&
            (from != ground || include.file.compare(include.file.size() - 2, 2, ".h") == 0))
            faults.push_back(where + "\"" + include.header + "\" carries a toolkit header into a header or above platform/");
        const int to = table.floorOf(include.header);
        if (to < 0)
            continue; // beside the file, or generated
        if (!table.allows(from, to))
            faults.push_back(where + "\"" + include.header + "\" runs up from " + floor.name + " to " +
                             table.floors[static_cast<size_t>(to)].name);
    }
    std::sort(faults.begin(), faults.end());
    std::string text;
    for (const std::string& fault : faults)
        text += fault + "\n";
    EXPECT_TRUE(faults.empty()) << text;
}

} // namespace

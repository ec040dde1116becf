#include "tests/io/riff_tree.h"

#include "tests/support/riff.h"

#include <stdexcept>

namespace IoTest {

namespace {
void parse(const std::string& b, size_t at, size_t end, std::vector<RiffNode>& out)
{
    while (at + 8 <= end) {
        RiffNode node;
        node.id = b.substr(at, 4);
        const size_t size = TestKit::readLe32(b, at + 4);
        const size_t body = at + 8;
        if (body + size > end)
            throw std::runtime_error("chunk " + node.id + " runs past its parent");
        if (node.id == "RIFF" || node.id == "LIST") {
            node.type = b.substr(body, 4);
            parse(b, body + 4, body + size, node.children);
        } else {
            node.data = b.substr(body, size);
        }
        out.push_back(std::move(node));
        at = body + size + (size & 1);
    }
}

bool named(const RiffNode& n, const std::string& name)
{
    return n.isList() ? n.type == name : n.id == name;
}
} // namespace

RiffNode* RiffNode::find(const std::string& name)
{
    for (RiffNode& c : children)
        if (named(c, name))
            return &c;
    return nullptr;
}

RiffNode* RiffNode::findDeep(const std::string& name)
{
    for (RiffNode& c : children) {
        if (named(c, name))
            return &c;
        if (RiffNode* below = c.findDeep(name))
            return below;
    }
    return nullptr;
}

void RiffNode::remove(const std::string& name)
{
    std::erase_if(children, [&](const RiffNode& c) { return named(c, name); });
}

std::vector<RiffNode> parseRiff(const std::string& bytes)
{
    std::vector<RiffNode> pieces;
    parse(bytes, 0, bytes.size(), pieces);
    return pieces;
}

std::string le16(uint16_t v)
{
    return {char(v & 0xFF), char(v >> 8)};
}

std::string le32(uint32_t v)
{
    return le16(uint16_t(v)) + le16(uint16_t(v >> 16));
}

std::string le64(uint64_t v)
{
    return le32(uint32_t(v)) + le32(uint32_t(v >> 32));
}

void putLe32(std::string& bytes, size_t at, uint32_t v)
{
    bytes.replace(at, 4, le32(v));
}

std::string writeNode(const RiffNode& node)
{
    std::string body;
    if (node.isList()) {
        body = node.type;
        for (const RiffNode& c : node.children)
            body += writeNode(c);
    } else {
        body = node.data;
    }
    std::string out = node.id + le32(uint32_t(body.size())) + body;
    if (body.size() & 1)
        out.push_back('\0');
    return out;
}

std::string writeRiff(const std::vector<RiffNode>& pieces)
{
    std::string out;
    for (const RiffNode& p : pieces)
        out += writeNode(p);
    return out;
}

RiffNode chunk(const std::string& id, const std::string& data)
{
    RiffNode n;
    n.id = id;
    n.data = data;
    return n;
}

RiffNode list(const std::string& id, const std::string& type, std::vector<RiffNode> children)
{
    RiffNode n;
    n.id = id;
    n.type = type;
    n.children = std::move(children);
    return n;
}

} // namespace IoTest

// Reads the few facts the device needs from a SPIR-V module: the entry
// point's stage, its inputs with their semantics, the descriptor bindings it
// uses, its colour outputs and its specialisation constants.
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <unordered_map>

namespace Platform::Gpu {

namespace {
enum : uint32_t {
    OpName = 5,
    OpEntryPoint = 15,
    OpExecutionMode = 16,
    OpTypeInt = 21,
    OpTypeFloat = 22,
    OpTypeVector = 23,
    OpTypeImage = 25,
    OpTypeSampler = 26,
    OpTypeSampledImage = 27,
    OpTypeArray = 28,
    OpTypeRuntimeArray = 29,
    OpTypeStruct = 30,
    OpTypePointer = 32,
    OpSpecConstantTrue = 48,
    OpSpecConstantFalse = 49,
    OpSpecConstant = 50,
    OpVariable = 59,
    OpDecorate = 71,
    OpDecorateString = 5632,
};
enum : uint32_t {
    DecorationSpecId = 1,
    DecorationBlock = 2,
    DecorationBufferBlock = 3,
    DecorationBuiltIn = 11,
    DecorationLocation = 30,
    DecorationIndex = 32,
    DecorationBinding = 33,
    DecorationUserSemantic = 5635,
};
enum : uint32_t { BuiltInPosition = 0, BuiltInFragCoord = 15 };
enum : uint32_t {
    StorageUniformConstant = 0,
    StorageInput = 1,
    StorageUniform = 2,
    StorageOutput = 3,
    StorageStorageBuffer = 12,
};

struct Type {
    uint32_t op = 0;
    uint32_t a = 0, b = 0, c = 0; // meaning per op
    size_t imageFormatWord = 0;
    bool block = false, bufferBlock = false;
};
struct Decorations {
    int32_t location = -1;
    int32_t builtIn = -1;
    int32_t binding = -1;
    int32_t index = 0;
    int32_t specId = -1;
    bool block = false, bufferBlock = false;
    std::string semantic;
};

std::string literalString(const uint32_t* words, size_t count)
{
    std::string s;
    for (size_t i = 0; i < count; ++i) {
        for (int k = 0; k < 4; ++k) {
            char c = static_cast<char>((words[i] >> (8 * k)) & 0xFF);
            if (!c)
                return s;
            s += c;
        }
    }
    return s;
}

// Splits "TEXCOORD1" into ("TEXCOORD", 1).
void splitSemantic(const std::string& text, std::string& name, uint32_t& index)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] >= '0' && text[end - 1] <= '9')
        --end;
    name = text.substr(0, end);
    index = end < text.size() ? static_cast<uint32_t>(std::stoul(text.substr(end))) : 0;
}
} // namespace

bool reflectShader(const uint32_t* words, size_t count, ShaderInfo& info)
{
    if (!words || count < 5 || words[0] != 0x07230203u)
        return false;
    std::unordered_map<uint32_t, Type> types;
    std::unordered_map<uint32_t, Decorations> decorations;
    struct Variable {
        uint32_t id, pointerType, storage;
    };
    std::vector<Variable> variables;
    std::vector<uint32_t> interfaceIds;
    bool haveEntry = false;
    uint32_t entryId = 0;
    info = ShaderInfo{};

    for (size_t i = 5; i < count;) {
        uint32_t length = words[i] >> 16;
        uint32_t op = words[i] & 0xFFFF;
        if (length == 0 || i + length > count)
            return false;
        const uint32_t* w = words + i;
        switch (op) {
        case OpEntryPoint: {
            if (haveEntry)
                return false;
            haveEntry = true;
            uint32_t model = w[1];
            entryId = w[2];
            if (model == 0)
                info.stage = Stage::Vertex;
            else if (model == 4)
                info.stage = Stage::Pixel;
            else if (model == 5)
                info.stage = Stage::Compute;
            else
                return false;
            // The name is a literal string; interface ids follow it.
            size_t nameWords = 0;
            for (size_t k = 3; k < length; ++k) {
                ++nameWords;
                if ((w[k] & 0xFF) == 0 || (w[k] & 0xFF00) == 0 || (w[k] & 0xFF0000) == 0 ||
                    (w[k] & 0xFF000000u) == 0)
                    break;
            }
            for (size_t k = 3 + nameWords; k < length; ++k)
                interfaceIds.push_back(w[k]);
            break;
        }
        case OpExecutionMode:
            if (w[1] == entryId && w[2] == 17 && length >= 6) {
                info.localSize[0] = w[3];
                info.localSize[1] = w[4];
                info.localSize[2] = w[5];
            }
            // Pixel, sample or shading-rate interlock, ordered.
            if (w[1] == entryId && (w[2] == 5366 || w[2] == 5368 || w[2] == 5370))
                info.orderedPixelAccess = true;
            break;
        case OpTypeInt:
            types[w[1]] = Type{op, w[2], w[3]};
            break;
        case OpTypeFloat:
            types[w[1]] = Type{op, w[2]};
            break;
        case OpTypeVector:
            types[w[1]] = Type{op, w[2], w[3]};
            break;
        case OpTypeImage: {
            Type t{op, w[2], w[7]}; // sampled type, sampled (1 sampled, 2 storage)
            t.imageFormatWord = i + 8;
            types[w[1]] = t;
            break;
        }
        case OpTypeSampler:
        case OpTypeStruct:
            types[w[1]] = Type{op};
            break;
        case OpTypeSampledImage:
        case OpTypeRuntimeArray:
            types[w[1]] = Type{op, w[2]};
            break;
        case OpTypeArray:
            types[w[1]] = Type{op, w[2]};
            break;
        case OpTypePointer:
            types[w[1]] = Type{op, w[2], w[3]}; // storage, pointee
            break;
        case OpSpecConstantTrue:
        case OpSpecConstantFalse:
        case OpSpecConstant: {
            auto d = decorations.find(w[2]);
            if (d != decorations.end() && d->second.specId >= 0 && d->second.specId < 32)
                info.specMask |= 1u << d->second.specId;
            break;
        }
        case OpVariable:
            variables.push_back({w[2], w[1], w[3]});
            break;
        case OpDecorate: {
            Decorations& d = decorations[w[1]];
            switch (w[2]) {
            case DecorationSpecId: d.specId = static_cast<int32_t>(w[3]); break;
            case DecorationBlock: d.block = true; break;
            case DecorationBufferBlock: d.bufferBlock = true; break;
            case DecorationBuiltIn: d.builtIn = static_cast<int32_t>(w[3]); break;
            case DecorationLocation: d.location = static_cast<int32_t>(w[3]); break;
            case DecorationIndex: d.index = static_cast<int32_t>(w[3]); break;
            case DecorationBinding: d.binding = static_cast<int32_t>(w[3]); break;
            default: break;
            }
            break;
        }
        case OpDecorateString:
            if (w[2] == DecorationUserSemantic)
                decorations[w[1]].semantic = literalString(w + 3, length - 3);
            break;
        default:
            break;
        }
        i += length;
    }
    if (!haveEntry)
        return false;

    // From version 1.4 on the entry point lists every global it uses, so unused
    // resources can be told apart; before that all declared ones count.
    const bool listsAllGlobals = words[1] >= 0x00010400u;
    auto inInterface = [&](uint32_t id) {
        return std::find(interfaceIds.begin(), interfaceIds.end(), id) != interfaceIds.end();
    };
    auto pointee = [&](uint32_t pointerType) -> uint32_t {
        auto p = types.find(pointerType);
        return p == types.end() ? 0 : p->second.b;
    };
    // Follows arrays down to the element type.
    auto elementOf = [&](uint32_t type) {
        for (int depth = 0; depth < 4; ++depth) {
            auto t = types.find(type);
            if (t == types.end() || (t->second.op != OpTypeArray && t->second.op != OpTypeRuntimeArray))
                break;
            type = t->second.a;
        }
        return type;
    };

    std::vector<std::pair<int32_t, ShaderInput>> inputs;
    for (const Variable& v : variables) {
        const Decorations& d = decorations[v.id];
        uint32_t typeId = elementOf(pointee(v.pointerType));
        const Type& t = types[typeId];
        if (v.storage == StorageInput && inInterface(v.id)) {
            ShaderInput in;
            if (!d.semantic.empty())
                splitSemantic(d.semantic, in.semantic, in.semanticIndex);
            in.location = d.location;
            in.position = d.builtIn == BuiltInFragCoord || (info.stage == Stage::Vertex && d.builtIn == BuiltInPosition);
            if (d.builtIn >= 0 && !in.position)
                continue; // other system values (vertex id, ...) are no inputs of the signature
            uint32_t scalar = typeId;
            in.components = 1;
            if (t.op == OpTypeVector) {
                scalar = t.a;
                in.components = t.b;
            }
            const Type& s = types[scalar];
            if (s.op == OpTypeFloat && s.a == 32)
                in.type = ComponentType::Float32;
            else if (s.op == OpTypeInt && s.a == 32)
                in.type = s.b ? ComponentType::SInt32 : ComponentType::UInt32;
            inputs.emplace_back(in.position ? -1 : in.location, in);
        } else if (v.storage == StorageOutput && inInterface(v.id) && info.stage == Stage::Pixel) {
            if (d.builtIn >= 0)
                continue;
            if (d.index == 1)
                info.dualSource = true;
            else if (d.location >= 0)
                info.outputs = std::max(info.outputs, static_cast<uint32_t>(d.location) + 1);
        } else if ((v.storage == StorageUniformConstant || v.storage == StorageUniform ||
                    v.storage == StorageStorageBuffer) &&
                   d.binding >= 0 && (!listsAllGlobals || inInterface(v.id))) {
            ShaderBinding b{BindingKind::ConstantBuffer, static_cast<uint32_t>(d.binding)};
            if (t.op == OpTypeImage) {
                b.kind = t.b == 2 ? BindingKind::StorageImage : BindingKind::Texture;
                b.storageFormatWord = static_cast<uint32_t>(t.imageFormatWord);
            } else if (t.op == OpTypeSampler) {
                b.kind = BindingKind::Sampler;
            } else if (t.op == OpTypeSampledImage) {
                b.kind = BindingKind::Texture; // combined: the layer pairs it with a sampler
            } else if (t.op == OpTypeStruct) {
                const Decorations& td = decorations[typeId];
                b.kind = (v.storage == StorageStorageBuffer || td.bufferBlock) ? BindingKind::StorageBuffer
                                                                                : BindingKind::ConstantBuffer;
            } else {
                continue;
            }
            info.bindings.push_back(b);
        }
    }
    std::stable_sort(inputs.begin(), inputs.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (auto& in : inputs)
        info.inputs.push_back(std::move(in.second));
    std::sort(info.bindings.begin(), info.bindings.end(),
              [](const ShaderBinding& x, const ShaderBinding& y) { return x.binding < y.binding; });
    return true;
}

} // namespace Platform::Gpu

// Reads the few facts the device needs from a SPIR-V module: the entry
// point's stage, its inputs with their semantics, the descriptor bindings it
// uses, its colour outputs and its specialisation constants; and rewrites the
// module where the device needs another form of it. Modules may come from
// script shaders: every instruction is checked against its word count before
// an operand is read, and a malformed module is refused, never read past.
#include "platform/gpu/gpu.h"
#include "platform/gpu/spirv.h"

#include <algorithm>
#include <unordered_map>

namespace Platform::Gpu {

namespace {
using namespace Spirv;

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

// Splits "TEXCOORD1" into ("TEXCOORD", 1); false when the index does not fit 32 bits.
bool splitSemantic(const std::string& text, std::string& name, uint32_t& index)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] >= '0' && text[end - 1] <= '9')
        --end;
    name = text.substr(0, end);
    uint64_t value = 0;
    for (size_t i = end; i < text.size(); ++i) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
        if (value > UINT32_MAX)
            return false;
    }
    index = static_cast<uint32_t>(value);
    return true;
}

// The fewest words an instruction needs for the operands read of it below.
uint32_t minimumWords(uint32_t op, const uint32_t* w, uint32_t length)
{
    switch (op) {
    case OpEntryPoint: return 4; // model, id, a name of at least one word
    case OpExecutionMode: return length >= 3 && w[2] == ModeLocalSize ? 6 : 3;
    case OpTypeInt: return 4;
    case OpTypeFloat: return 3;
    case OpTypeVector: return 4;
    case OpTypeImage: return 9; // through the image format
    case OpTypeSampler:
    case OpTypeStruct: return 2;
    case OpTypeSampledImage:
    case OpTypeRuntimeArray: return 3;
    case OpTypeArray:
    case OpTypePointer: return 4;
    case OpSpecConstantTrue:
    case OpSpecConstantFalse: return 3;
    case OpSpecConstant: return 4;
    case OpVariable: return 4;
    case OpDecorate:
        if (length < 3)
            return 3;
        switch (w[2]) {
        case DecorationSpecId:
        case DecorationBuiltIn:
        case DecorationLocation:
        case DecorationIndex:
        case DecorationBinding: return 4;
        default: return 3;
        }
    case OpDecorateString: return 4;
    default: return 1;
    }
}

// Calls fn(index, length) for every instruction after the header; false when
// one is empty or runs past the end.
template <class Fn>
bool forEachInstruction(const uint32_t* words, size_t count, Fn&& fn)
{
    for (size_t i = HeaderWords; i < count;) {
        const uint32_t length = wordCount(words[i]);
        if (length == 0 || length > count - i)
            return false;
        fn(i, length);
        i += length;
    }
    return true;
}

bool isModule(const std::vector<uint32_t>& words)
{
    return words.size() >= HeaderWords && words[0] == Magic &&
           forEachInstruction(words.data(), words.size(), [](size_t, uint32_t) {});
}
} // namespace

bool reflectShader(const uint32_t* words, size_t count, ShaderInfo& info)
{
    if (!words || count < HeaderWords || words[0] != Magic)
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

    for (size_t i = HeaderWords; i < count;) {
        const uint32_t length = wordCount(words[i]);
        const uint32_t op = opcode(words[i]);
        if (length == 0 || length > count - i)
            return false;
        const uint32_t* w = words + i;
        if (length < minimumWords(op, w, length))
            return false;
        switch (op) {
        case OpEntryPoint: {
            if (haveEntry)
                return false;
            haveEntry = true;
            uint32_t model = w[1];
            entryId = w[2];
            if (model == ModelVertex)
                info.stage = Stage::Vertex;
            else if (model == ModelFragment)
                info.stage = Stage::Pixel;
            else if (model == ModelGLCompute)
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
            if (w[1] == entryId && w[2] == ModeLocalSize) {
                info.localSize[0] = w[3];
                info.localSize[1] = w[4];
                info.localSize[2] = w[5];
            }
            if (w[1] == entryId && (w[2] == ModePixelInterlockOrdered || w[2] == ModeSampleInterlockOrdered ||
                                    w[2] == ModeShadingRateInterlockOrdered))
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
            if (!d.semantic.empty() && !splitSemantic(d.semantic, in.semantic, in.semanticIndex))
                return false;
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

namespace Spirv {

std::vector<uint32_t> withSecondSource(const std::vector<uint32_t>& words)
{
    if (!isModule(words))
        return words;
    std::vector<uint32_t> outputs;
    forEachInstruction(words.data(), words.size(), [&](size_t i, uint32_t length) {
        if (opcode(words[i]) == OpVariable && length >= 4 && words[i + 3] == StorageOutput)
            outputs.push_back(words[i + 2]);
    });
    std::vector<uint32_t> patched(words.begin(), words.begin() + HeaderWords);
    forEachInstruction(words.data(), words.size(), [&](size_t i, uint32_t length) {
        const bool secondOutput = opcode(words[i]) == OpDecorate && length == 4 && words[i + 2] == DecorationLocation &&
                                  words[i + 3] == 1 &&
                                  std::find(outputs.begin(), outputs.end(), words[i + 1]) != outputs.end();
        if (secondOutput) {
            const uint32_t id = words[i + 1];
            const uint32_t decorate = (4u << 16) | OpDecorate;
            patched.insert(patched.end(), {decorate, id, DecorationLocation, 0u, decorate, id, DecorationIndex, 1u});
        } else {
            patched.insert(patched.end(), words.begin() + static_cast<ptrdiff_t>(i),
                           words.begin() + static_cast<ptrdiff_t>(i + length));
        }
    });
    return patched;
}

std::vector<uint32_t> withoutSemantics(const std::vector<uint32_t>& words)
{
    if (!isModule(words))
        return words;
    std::vector<uint32_t> kept(words.begin(), words.begin() + HeaderWords);
    forEachInstruction(words.data(), words.size(), [&](size_t i, uint32_t length) {
        const uint32_t op = opcode(words[i]);
        bool drop = false;
        if (op == OpExtension && length > 1) {
            const std::string name = literalString(&words[i + 1], length - 1);
            drop = name.rfind("SPV_GOOGLE_", 0) == 0;
        } else if (op == OpDecorateString && length > 2) {
            drop = words[i + 2] == DecorationUserSemantic || words[i + 2] == DecorationUserTypeGOOGLE;
        } else if (op == OpMemberDecorateString && length > 3) {
            drop = words[i + 3] == DecorationUserSemantic || words[i + 3] == DecorationUserTypeGOOGLE;
        } else if (op == OpDecorateId && length > 2) {
            drop = words[i + 2] == DecorationCounterBuffer;
        }
        if (!drop)
            kept.insert(kept.end(), words.begin() + static_cast<ptrdiff_t>(i),
                        words.begin() + static_cast<ptrdiff_t>(i + length));
    });
    return kept;
}

} // namespace Spirv

} // namespace Platform::Gpu

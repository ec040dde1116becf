// The shader blocks of a script: HLSL inside "--[[pixelshader" and
// "--[[computeshader" comments, compiled once per script at the first lookup.
#include "effects/objects/script_effect.h"

#include "core/log.h"
#include "core/text.h"
#include "media/pixel_shader.h"

#include <exception>

namespace Effect {

namespace {

size_t lineEnd(std::string_view text, size_t pos)
{
    while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n')
        ++pos;
    return pos;
}

size_t nextLine(std::string_view text, size_t end)
{
    if (end < text.size() && text[end] == '\r')
        ++end;
    if (end < text.size() && text[end] == '\n')
        ++end;
    return end;
}

std::string_view trimSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::shared_ptr<ScriptEffect::CommonResource::ShaderMap> ScriptEffect::CommonResource::shaderList()
{
    std::lock_guard lock(shaderLock_);
    if (!shaders_) {
        // Installed before the build: a failed build is not tried again.
        shaders_ = std::make_shared<ShaderMap>();
        createShaderList(*shaders_);
    }
    return shaders_;
}

void ScriptEffect::CommonResource::dropShaders()
{
    std::lock_guard lock(shaderLock_);
    shaders_.reset();
}

std::shared_ptr<Media::PixelShader> ScriptEffect::CommonResource::getPixelShader(const std::string& shaderName)
{
    const std::shared_ptr<ShaderMap> shaders = shaderList();
    auto it = shaders->find(shaderName);
    return it == shaders->end() ? nullptr : std::dynamic_pointer_cast<Media::PixelShader>(it->second);
}

std::shared_ptr<Media::ComputeShader> ScriptEffect::CommonResource::getComputeShader(const std::string& shaderName)
{
    const std::shared_ptr<ShaderMap> shaders = shaderList();
    auto it = shaders->find(shaderName);
    return it == shaders->end() ? nullptr : std::dynamic_pointer_cast<Media::ComputeShader>(it->second);
}

std::vector<ScriptEffect::CommonResource::ShaderBlock>
ScriptEffect::CommonResource::findShaderBlocks(std::string_view source)
{
    std::vector<ShaderBlock> blocks;
    for (size_t start = 0; start < source.size();) {
        const size_t end = lineEnd(source, start);
        const std::string_view line = source.substr(start, end - start);
        const bool pixel = line.starts_with("--[[pixelshader");
        if (!pixel && !line.starts_with("--[[computeshader")) {
            start = nextLine(source, end);
            continue;
        }
        // The name runs to ":"; after "@" it is the text after it, else the
        // opener's own word with what follows it.
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            break;
        const size_t opener = pixel ? 15 : 17;
        std::string_view head = line.substr(4, colon - 4);
        if (colon > opener && line[opener] == '@')
            head = line.substr(opener + 1, colon - opener - 1);
        const size_t body = start + colon + 1;
        const size_t close = source.find("]]", body);
        if (close == std::string_view::npos || close == body)
            break;
        blocks.push_back({pixel, std::string(trimSpaces(head)), source.substr(body, close - body)});
        start = nextLine(source, lineEnd(source, close));
    }
    return blocks;
}

void ScriptEffect::CommonResource::createShaderList(ShaderMap& shaders)
{
    const std::string sourcePrefix = System::wideToUtf8(folder + L"/" + name);
    try {
        for (const ShaderBlock& block : findShaderBlocks(text)) {
            const std::string code(block.code);
            const std::string sourceName = sourcePrefix + "." + block.name;
            std::shared_ptr<Media::ShaderBase> shader;
            if (block.pixel) {
                auto made = std::make_shared<Media::PixelShader>();
                made->loadFromSource(sourceName.c_str(), code.c_str(), block.name.c_str());
                shader = made;
            } else {
                auto made = std::make_shared<Media::ComputeShader>();
                made->loadFromSource(sourceName.c_str(), code.c_str(), block.name.c_str());
                shader = made;
            }
            shaders.emplace(block.name, std::move(shader)); // the first of a name stays
        }
    } catch (const std::exception& e) {
        System::Log::warn("Effect::ScriptEffect::CommonResource::createShaderList",
                          L"script shader load faild [%s]\n%s", name.c_str(), System::ansiToWide(e.what()).c_str());
    }
}

} // namespace Effect

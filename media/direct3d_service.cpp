#include "media/direct3d_service.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "media/pixel_shader.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/vertex_shader.h"
#include "media/yuv_format.h"
#include "platform/gpu/gpu.h"
#include "platform/ui/application.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Media {

namespace {
constexpr const char* Place = "Media::Direct3DService::Direct3DService";
constexpr const wchar_t* PipelineCacheFile = L"%AppData%/PipelineCache.bin";

Format configFormat(const char* key, Format defaultValue)
{
    auto* settings = Setting::SettingService::Get();
    if (!settings)
        return defaultValue;
    try {
        int value = settings->system.config.get(key).toInt(static_cast<int>(dxgiNumber(defaultValue)));
        return value > 0 ? static_cast<Format>(value) : defaultValue;
    } catch (const std::exception&) {
        return defaultValue;
    }
}

bool validationRequested()
{
    const char* v = std::getenv("VELMORA_GPU_VALIDATION");
    return v && *v && std::strcmp(v, "0") != 0;
}
} // namespace

Direct3DService::Direct3DService()
{
    // Settings first: they are stored again when the service goes.
    if (System::Config::iniFile) {
        section.load(*System::Config::iniFile);
        saver_ = std::make_unique<System::Config::SectionSaver>(&section);
    }

    Platform::Gpu::DeviceOptions options;
    options.validation = validationRequested();
    // Pipelines the driver keeps in its cache are taken from there at the next
    // start instead of being built again; the file lives with the settings.
    if (Setting::SettingService::Get())
        options.pipelineCachePath = System::wideToUtf8(System::FileName::expand(PipelineCacheFile));
    int32_t hr = Platform::Gpu::Device::create(options, &device);
    if (hr < 0)
        throw System::makeHresultException("D3D11CreateDevice", Place, hr);
    context = &device->context();
    System::Log::info(Place, "D3D feature level : 0x%08x", 0xB100u);
    System::Log::info(Place, "GPU device : %s", device->facts().name.c_str());

    PixelFormat = configFormat("PixelFormat", Format::R16G16B16A16Float);
    MaskFormat = configFormat("MaskFormat", Format::A8Unorm);
    sampleDesc = SampleDesc{1, 0};

    const bool rovs = device->facts().fragmentInterlock;
    System::Log::info(Place, "D3D ROVsSupported : %d", rovs ? 1 : 0);
    if (!rovs) {
        // Only a warning: without ordered pixel access the depth shaders keep
        // overlapping primitives in separate draws (slower, same pictures).
        Platform::Ui::MessageBox box;
        const wchar_t* text = L"D3D ROVs not supported.\n\n一部の機能が正しく動作しない可能性があります";
        auto* translate = Translate::TranslateService::Get();
        box.text = translate && Translate::TranslateService::enabled ? translate->message.translate(text) : text;
        box.caption = L"Velmora Tessel2";
        box.icon = Platform::Ui::BoxIcon::Warning;
        box.buttons = Platform::Ui::BoxButtons::Ok;
        Platform::Ui::showMessageBox(box);
    }

    // The formats the log names, in this order (their names from the format table).
    static const Format logged[] = {Format::R8G8B8A8Unorm,    Format::B8G8R8A8Unorm,     Format::A8Unorm,
                                    Format::R16G16B16A16Float, Format::G8R8G8B8Unorm,     Format::R16G16B16A16Unorm,
                                    Format::R16G16B16A16Snorm};
    for (Format f : logged) {
        uint32_t support = device->formatSupport(f);
        System::Log::info(Place, "D3D %s Texture2D Supported : %d", Platform::Gpu::formatInfo(f).name,
                          (support & Platform::Gpu::SupportTexture2D) ? 1 : 0);
    }

    // The YUV colour tables of system.conf; a malformed entry stops the start-up.
    YUVformat::InitializeColorTable();
}

Direct3DService::~Direct3DService()
{
    if (context) {
        try {
            context->finish();
        } catch (const std::exception&) {
        }
    }
    saver_.reset(); // stores the section
    context = nullptr;
    device.reset();
}

void Direct3DService::setViewport(uint32_t width, uint32_t height)
{
    viewportWidth = width;
    viewportHeight = height;
    Platform::Gpu::Viewport viewport;
    viewport.width = static_cast<float>(width);
    viewport.height = static_cast<float>(height);
    context->setViewport(viewport);
}

void Direct3DService::narrowViewport(int left, int top, int width, int height)
{
    Platform::Gpu::Viewport viewport;
    viewport.x = static_cast<float>(left);
    viewport.y = static_cast<float>(top);
    viewport.width = static_cast<float>(std::max(width, 0));
    viewport.height = static_cast<float>(std::max(height, 0));
    context->setViewport(viewport);
}

void Direct3DService::setRenderTarget(ResourceBuffer& target)
{
    Platform::Gpu::View* view = target.getRenderTargetView();
    context->setRenderTargets(1, &view);
    setViewport(target.getWidth(), target.getHeight());
}

void Direct3DService::setRenderBufferTarget(RenderBuffer& target)
{
    Platform::Gpu::View* view = target.getRenderTargetView();
    context->setRenderTargets(1, &view);
    setViewport(target.getWidth(), target.getHeight());
}

void Direct3DService::setRenderBufferTargetAndUnorderedAccessViews(RenderBuffer& target, uint32_t count,
                                                                   Platform::Gpu::View* const* views)
{
    Platform::Gpu::View* view = target.getRenderTargetView();
    context->setRenderTargets(1, &view);
    context->setPixelUnorderedAccessViews(1, count, views);
    setViewport(target.getWidth(), target.getHeight());
}

void Direct3DService::setComputeUnorderedAccessView(uint32_t slot, ResourceBuffer& buffer)
{
    Platform::Gpu::View* view = buffer.getUnorderedAccessView();
    context->setComputeUnorderedAccessViews(slot, 1, &view);
}

void Direct3DService::drawVertexBuffer(const VertexBufferCommon& vertices)
{
    context->setTopology(vertices.topology);
    context->setVertexBuffer(vertices.buffer.get(), vertices.stride, 0);
    context->draw(vertices.count, 0);
}

void Direct3DService::drawVertexBuffer(const VertexBufferCommon& vertices, uint32_t first, uint32_t count)
{
    context->setTopology(vertices.topology);
    context->setVertexBuffer(vertices.buffer.get(), vertices.stride, 0);
    context->draw(count, first);
}

void Direct3DService::drawVertices(const void* vertices)
{
    VertexBufferCommon buffer;
    buffer.topology = Platform::Gpu::Topology::TriangleStrip;
    VertexBufferCommon::create(buffer, vertices, 3, 28);
    drawVertexBuffer(buffer);
}

void Direct3DService::bindVertexShader(const VertexShader& shader)
{
    if (currentVertexShader == &shader)
        return;
    currentVertexShader = &shader;
    context->setVertexShader(shader.shader.get(), &shader.inputLayout);
    ++bindCounts.vertexShader;
}

void Direct3DService::bindPixelShader(const PixelShader& shader)
{
    if (currentPixelShader == &shader)
        return;
    currentPixelShader = &shader;
    context->setPixelShader(shader.shader.get());
    ++bindCounts.pixelShader;
}

void Direct3DService::bindComputeShader(const ComputeShader& shader)
{
    if (currentComputeShader == &shader)
        return;
    currentComputeShader = &shader;
    context->setComputeShader(shader.shader.get());
    ++bindCounts.computeShader;
}

void Direct3DService::bindBlendState(Platform::Gpu::BlendState* state, const float* blendFactor)
{
    // No factor means the platform's default of one on every channel. The
    // factor is part of the cached state, so a change of factor alone re-binds.
    static const float ones[4] = {1, 1, 1, 1};
    const float* factor = blendFactor ? blendFactor : ones;
    if (currentBlendState == state && std::memcmp(currentBlendFactor, factor, sizeof(currentBlendFactor)) == 0)
        return;
    currentBlendState = state;
    std::memcpy(currentBlendFactor, factor, sizeof(currentBlendFactor));
    context->setBlendState(state, factor, 0xFFFFFFFFu);
    ++bindCounts.blendState;
}

void Direct3DService::bindRasterizerState(Platform::Gpu::RasterState* state)
{
    if (currentRasterizerState == state)
        return;
    currentRasterizerState = state;
    context->setRasterState(state);
    ++bindCounts.rasterizerState;
}

void Direct3DService::bindShaderResources(std::initializer_list<Platform::Gpu::View*> views, uint32_t firstSlot)
{
    context->setShaderResources(Platform::Gpu::Stage::Pixel, firstSlot, static_cast<uint32_t>(views.size()), views.begin());
}

void Direct3DService::unbindShaderResources(uint32_t count, uint32_t firstSlot)
{
    if (count)
        context->setShaderResources(Platform::Gpu::Stage::Pixel, firstSlot, count, nullptr);
}

void Direct3DService::bindSampler(uint32_t slot, Platform::Gpu::SamplerState* sampler)
{
    context->setSamplers(Platform::Gpu::Stage::Pixel, slot, 1, &sampler);
}

void Direct3DService::bindConstantBuffer(Platform::Gpu::Stage stage, uint32_t slot, Platform::Gpu::Buffer* buffer)
{
    context->setConstantBuffers(stage, slot, 1, &buffer);
}

void Direct3DService::unbindTargets()
{
    context->setRenderTargets(0, nullptr);
}

} // namespace Media

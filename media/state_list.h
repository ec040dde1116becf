#pragma once
// The fixed tables of pipeline states, addressed by index (the numbers are
// part of the interface; the constants name them). Each state is made on first
// use, once, whichever thread asks first (render workers and the main thread
// share the lists).
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Platform::Gpu {
class SamplerState;
class BlendState;
class RasterState;
} // namespace Platform::Gpu

namespace Shader {

// What the three lists share: the entries, made on first use, and the
// instance published to the rest of the program (the first one alive). The
// instance is kept as the base: the base constructor runs before the derived
// object exists, so it is seen as a List only once a caller asks for it.
template <class State, class List>
class StateList {
public:
    StateList(const StateList&) = delete;
    StateList& operator=(const StateList&) = delete;
    // Entry index, made on first use; a failure throws and the next request
    // tries again. Null for an index past the table.
    State* get(uint32_t index);
    static List* published() { return static_cast<List*>(instance_); }

protected:
    explicit StateList(uint32_t count);
    virtual ~StateList();
    virtual std::shared_ptr<State> make(uint32_t index) = 0;

private:
    static inline StateList* instance_ = nullptr;
    std::vector<std::shared_ptr<State>> entries_;
    std::mutex mutex_;
};

class SamplerStateList final : public StateList<Platform::Gpu::SamplerState, SamplerStateList> {
public:
    static constexpr uint32_t Count = 7;
    // Entries: filter, then the addressing of u, v and w.
    static constexpr uint32_t LinearBorder = 0;
    static constexpr uint32_t LinearClamp = 1;
    static constexpr uint32_t LinearWrap = 2;
    static constexpr uint32_t LinearMirror = 3;
    static constexpr uint32_t LinearMirrorUBorderVW = 4;
    static constexpr uint32_t PointBorder = 5;
    static constexpr uint32_t PointClamp = 6;

    SamplerStateList() : StateList(Count) {}

private:
    std::shared_ptr<Platform::Gpu::SamplerState> make(uint32_t index) override;
};

class BlendStateList final : public StateList<Platform::Gpu::BlendState, BlendStateList> {
public:
    static constexpr uint32_t Count = 21;
    // Entries by their colour factors (source, destination; alpha alike
    // unless named). Premultiplied pictures throughout.
    static constexpr uint32_t Over = 0;                 // one, 1 - source alpha
    static constexpr uint32_t Behind = 1;               // 1 - target alpha, one
    static constexpr uint32_t StraightOver = 2;         // source alpha, 1 - source alpha; alpha as Over
    static constexpr uint32_t Opaque = 3;               // blending off: the source replaces the target
    static constexpr uint32_t SecondSourceKeep = 4;     // 1 - second alpha, second alpha
    static constexpr uint32_t SecondSourceMix = 5;      // second alpha, 1 - second alpha
    static constexpr uint32_t SecondSourceOnly = 6;     // 1 - second alpha, zero
    static constexpr uint32_t MultiplyAlpha = 7;        // zero, source alpha
    static constexpr uint32_t MultiplyInverseAlpha = 8; // zero, 1 - source alpha
    static constexpr uint32_t MultiplyColorByAlpha = 9; // zero, source alpha; alpha from the source
    static constexpr uint32_t MultiplyColor = 10;       // zero, source colour; alpha kept
    static constexpr uint32_t AddColorOver = 11;        // one, one; alpha as Over
    static constexpr uint32_t AddColorBehind = 12;      // one, one; alpha as Behind
    static constexpr uint32_t AddByFactor = 13;         // blend factor, one; alpha factor, 1 - source alpha
    static constexpr uint32_t MultiplyTargetAlpha = 14; // target alpha, zero
    static constexpr uint32_t Maximum = 15;             // one, one, maximum
    static constexpr uint32_t MultiplyColorKeepAlpha = 16; // zero, source alpha; alpha kept
    static constexpr uint32_t Add = 17;                 // one, one
    static constexpr uint32_t AddInsideTarget = 18;     // target alpha, one; alpha kept
    static constexpr uint32_t MixByFactor = 19;         // blend factor, 1 - blend factor
    static constexpr uint32_t MixByInverseFactor = 20;  // 1 - blend factor, blend factor

    BlendStateList() : StateList(Count) {}

private:
    std::shared_ptr<Platform::Gpu::BlendState> make(uint32_t index) override;
};

class RasterizerStateList final : public StateList<Platform::Gpu::RasterState, RasterizerStateList> {
public:
    static constexpr uint32_t Count = 3;
    static constexpr uint32_t Solid = 0; // no culling: the quad routines' state
    static constexpr uint32_t SolidCullBack = 1;
    static constexpr uint32_t Wireframe = 2;

    RasterizerStateList() : StateList(Count) {}

private:
    std::shared_ptr<Platform::Gpu::RasterState> make(uint32_t index) override;
};

} // namespace Shader

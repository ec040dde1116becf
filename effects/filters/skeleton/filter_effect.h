#pragma once
// What every filter class shares: the header values a filter sets, one new
// instance per create, and the class's shader set, built once on the
// registry's prototype and shared by reference with every later instance.
#include "effect/effect_base.h"
#include "effect/effect_types.h"

#include <memory>

namespace Effect {

// A filter class Self over Base (EffectBase, or an anchor base): effect type
// filter, the given media (video unless said), accepting the same media.
template <class Self, class Base = EffectBase>
class FilterEffect : public Base {
public:
    FilterEffect(const wchar_t* name, const wchar_t* category, uint8_t media = MediaType::Video)
        : Base(name, EffectType::Filter, media, media, category)
    {
    }
    // A new default instance; it builds no shader (the registry hands it the
    // prototype's set through shareResource).
    std::shared_ptr<EffectBase> create() override { return std::make_shared<Self>(); }
};

// A filter class with a shader set of its own, Common (the class's
// CommonResource): made by createCommonResource, taken over by shareResource.
template <class Self, class Common, class Base = EffectBase>
class ShaderFilterEffect : public FilterEffect<Self, Base> {
public:
    using FilterEffect<Self, Base>::FilterEffect;

    void createCommonResource() override { common = std::make_shared<Common>(); }
    // The prototype is an instance of the same class (a checked cast).
    void shareResource(EffectBase& prototype) override { common = dynamic_cast<Self&>(prototype).common; }
    const std::shared_ptr<Common>& commonResource() const { return common; }

protected:
    std::shared_ptr<Common> common;
};

} // namespace Effect

// The parameter header of script effects: each declaration line as the items
// it makes, the failures that end the reading, instances made from a
// definition, track points, value lists and handle drags.
#include "core/text.h"
#include "effect/anchor_list.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "tests/script/script_fixture.h"

#include <cstdio>

using namespace ScriptTest;
using namespace Effect;

namespace {

class ScriptHeader : public ScriptWorld {
protected:
    // "name|kind|label|value" of every declared parameter, in order.
    static std::vector<std::string> describe(const ScriptEffect& effect)
    {
        std::vector<std::string> rows;
        for (const ScriptEffect::Parameter& p : effect.parameters) {
            const EffectItem& item = *p.item;
            std::string value;
            char buffer[128];
            if (auto* n = dynamic_cast<const EffectItemNumber*>(&item)) {
                std::snprintf(buffer, sizeof buffer, "%g..%g=%g/%g", n->minValue / double(n->scale),
                              n->maxValue / double(n->scale), n->defaultValue / double(n->scale), 1.0 / n->scale);
                value = buffer;
            } else if (auto* c = dynamic_cast<const EffectItemColor*>(&item)) {
                std::snprintf(buffer, sizeof buffer, "%02x%02x%02x%s", c->r, c->g, c->b, c->none ? " none" : "");
                value = buffer;
            } else if (auto* s = dynamic_cast<const EffectItemSelect*>(&item)) {
                // A project saves the label: every value must have one.
                value = std::to_string(s->value) + " of " + std::to_string(s->list ? s->list->labels.size() : 0) +
                        " '" + s->toString() + "'";
            } else {
                value = item.toString();
            }
            rows.push_back(p.name + "|" + std::to_string(item.kind) + "|" + System::wideToUtf8(item.name) + "|" + value);
        }
        return rows;
    }
};

} // namespace

TEST_F(ScriptHeader, DeclarationLinesMakeTheirItems)
{
    struct Case {
        const char* header;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"--track0:サイズ,0,500,100", {"track0|1|サイズ|0..500=100/0.1"}},
        {"--track@r:R,0,1,0.5,0.01", {"@local r|1|R|0..1=0.5/0.01"}},
        {"--track1:T,,,,", {"track1|1|T|0..0=0/0.1"}},
        {"--track2:Z,-5,5,1,0\n--track@w:W,0,9,1,-2", {"track2|1|Z|-5..5=1/0.1", "@local w|1|W|0..9=1/0.1"}},
        {"--check0:Flag,1\n--check@c:C,\n--check@d: D , 0", {"check0|2|Flag|1", "@local c|2|C|0", "@local d|2|D|0"}},
        {"--color:0xff0000", {"@local color|7|色|ff0000"}},
        {"--color@c:Col,nil\n--color@e:E,", {"@local c|14|Col|000000 none", "@local e|14|E|000000 none"}},
        {"--color@h:Hex,10203", {"@local h|7|Hex|010203"}},
        {"--file@f:\n--file:Movie", {"@local f|6|ファイル|", "@local file|6|Movie|"}},
        {"--select@m:Mode=2,A=1,B=2,C=3", {"@local m|8|Mode|2 of 3 'B'"}},
        {"--select@m:Mode=9,A=1,B=2", {"@local m|8|Mode|1 of 2 'A'"}},
        {"--select@m:Mode=3,A=1,B,C=3", {"@local m|8|Mode|1 of 1 'A'"}},
        // Without options: 0, with an empty label.
        {"--select@m:Mode=5", {"@local m|8|Mode|0 of 1 ''"}},
        {"--value@s:Text,\"a b\"\n--value@l:List,{1,2}\n--value@e:Expr,1 + 2;ignored",
         {"@local s|5|Text|a b", "@local l|101|List|1,2", "@local e|100|Expr|1 + 2"}},
        {"--dialog:Size,local sz=10;Blur/chk,bl=1;Col/col,c=0xffffff;List,ls={1,2}",
         {"sz|100|Size|10", "@bl|2|Blur|1", "@c|7|Col|ffffff", "ls|101|List|1,2"}},
        {"--dialog:Col/col,c=\"0x0000ff\";,x=1;Ignored,y=2", {"@c|7|Col|0000ff"}},
        {"--param:a=1;b = 2;c=\"q\";=4;d=5", {"a|100|a|1", "b |100|b |2", "c|5|c|q"}},
        // Not header lines: indented, or inside a block comment; header lines after code count.
        {" --track0:X,0,1,0\nx = 1\n--[[\n--track1:Y,0,1,0\n]]\n--check0:C,1", {"check0|2|C|1"}},
        // A name declared twice keeps its first item.
        {"--track0:A,0,1,0\n--track0:B,0,1,0\n--value@track0:V,1", {"track0|1|A|0..1=0/0.1", "@local track0|100|V|1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        TestKit::LogCapture log;
        auto effect = makeEffect(c.header);
        EXPECT_EQ(describe(*effect), c.rows);
        EXPECT_EQ(effect->getScript()->engine->key, "luaJIT");
    }
}

TEST_F(ScriptHeader, AFailureEndsTheReadingKeepingWhatCameBefore)
{
    struct Case {
        const char* header;
        size_t kept;
        const char* engine;
    };
    const Case cases[] = {
        {"--track0:A,0,1,0\n--script:nothing\n--track1:B,0,1,0", 1, "luaJIT"},
        {"--track0:A,0,x,0\n--track1:B,0,1,0", 0, "luaJIT"},
        {"--check0:C,1\n--color:zz\n--check1:D,1", 1, "luaJIT"},
        {"--check0:C,1\n--font@f:Font,no such family\n--check1:D,1", 1, "luaJIT"},
        {"--check0:C,1\n--figure@f:Figure,no such figure\n--check1:D,1", 1, "luaJIT"},
        {"--script:lua\n--track0:A,0,1,0", 1, "lua"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        TestKit::LogCapture log;
        auto prototype = std::make_shared<ScriptFilter>(L"");
        prototype->createCommonResource();
        prototype->setScriptSection({L"head", c.header}, L"/scripts", nullptr, nullptr);
        EXPECT_EQ(prototype->parameters.size(), c.kept);
        EXPECT_EQ(prototype->getScript()->engine->key, c.engine);
        EXPECT_EQ(log.contains("WARN|Effect::ScriptEffect::makeScriptParams|script params load faild [head]\n"),
                  std::string_view(c.engine) == "luaJIT");
    }
}

TEST_F(ScriptHeader, AnInstanceCopiesTheDefinitionsItemsAndValues)
{
    const char* header = "--track0:Size,0,500,100\n--check@c:C,1\n--color@col:Col,nil\n--select@m:M=2,A=1,B=2\n"
                         "--file@f:File\n--value@s:S,\"t\"\n--dialog:X,x=1;Y/col,y=0x102030\n";
    auto effect = makeEffect(header);
    ScriptEffect& prototype = *prototypes.back();
    EXPECT_EQ(describe(*effect), describe(prototype));
    // The prototype's values at the time, its number defaults.
    dynamic_cast<EffectItemNumber&>(*prototype.findParameter("track0")).setValue(250, 0);
    dynamic_cast<EffectItemFile&>(*prototype.findParameter("@local f")).path = L"/a/b.png";
    auto second = std::dynamic_pointer_cast<ScriptFilter>(prototype.create());
    second->shareResource(prototype);
    std::vector<std::string> expected = describe(prototype);
    expected[4] = "@local f|6|File|/a/b.png";
    EXPECT_EQ(describe(*second), expected);
    EXPECT_EQ(dynamic_cast<EffectItemNumber&>(*second->findParameter("track0")).getIndexValue(0), 100);
    ASSERT_EQ(second->items.size(), second->parameters.size());
    for (size_t i = 0; i < second->items.size(); ++i)
        EXPECT_EQ(second->items[i], second->parameters[i].item.get());
    // The select list is the definition's own.
    EXPECT_EQ(dynamic_cast<EffectItemSelect&>(*second->findParameter("@local m")).list,
              dynamic_cast<EffectItemSelect&>(*prototype.findParameter("@local m")).list);
}

TEST_F(ScriptHeader, TrackPointsValueListsAndHandleDrags)
{
    object->midPoints = {10};
    render.resetObject(object);
    auto effect = makeEffect("--track0:X,-1000,1000,0,1\n--track1:Y,-1000,1000,0,1\n--value@pts:P,{1,2,3,4}");
    EffectItemNumber& x = *effect->getTrackItem(0);
    x.setMovement(EffectService::findMovementInstance(L"直線移動"));
    x.resizeValues(3);
    x.setValue(5, 0);
    x.setValue(6, 1);
    x.setValue(7, 2);
    EXPECT_EQ(effect->getTrackItem(2), nullptr);
    // Points 0..2 of tracks 0..2: Y has one value; track2 is not declared.
    EXPECT_EQ(effect->getTrackPoints(render, 3, 3), (std::vector<float>{5, 0, 0, 6, 0, 0, 7, 0, 0}));

    EXPECT_EQ(effect->getValueList("pts"), (std::vector<float>{1, 2, 3, 4}));
    effect->setValueList("pts", {1.5f, -2.25f});
    EXPECT_EQ(System::wideToUtf8(dynamic_cast<EffectItemString&>(*effect->findParameter("@local pts")).text),
              "1.50,-2.25");
    EXPECT_TRUE(effect->getValueList("track0").empty());

    // One pixel moves one unit in x and minus one in y.
    Math::float4x4 matrix = Math::identity();
    matrix.m[0][0] = 2;
    matrix.m[1][1] = 2;
    auto drag = [&](const char* label, int id, uint32_t flags, int valueCount, int dx, int dy) {
        Anchor::AnchorEvent event(nullptr, object, effect, id, flags);
        event.kind = Anchor::AnchorEvent::Drag;
        event.label = label;
        event.valueCount = valueCount;
        event.matrix = matrix;
        event.currentPoint = {0, 0, 0, 1};
        event.dragStep = {dx, dy};
        return effect->anchorEvent(event);
    };
    EXPECT_TRUE(drag("track", 1, Anchor::Flag::Script2D, 2, 3, 4));
    EXPECT_EQ(x.getIndexValue(1), 9); // the dragged section point only
    EXPECT_EQ(x.getIndexValue(2), 7);
    EXPECT_EQ(effect->getTrackItem(1)->getIndexValue(0), -4);
    EXPECT_TRUE(drag("pts", 1, Anchor::Flag::Script2D, 4, 1, 1));
    EXPECT_EQ(effect->getValueList("pts"), (std::vector<float>{1.5f, -2.25f, 1, -1}));
    EXPECT_FALSE(drag("pts", 1, Anchor::Flag::Script3D, 4, 1, 1)); // entries 3..5 do not fit in 4
    EXPECT_FALSE(drag("pts", 0, 0, 4, 1, 1));                    // neither 2D nor 3D
}

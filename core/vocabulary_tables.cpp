#include "core/vocabulary_tables.h"

namespace Vocabulary {

namespace {
constexpr Choice blendModeList[] = {
    {0, L"通常"},        {1, L"加算"},       {2, L"減算"}, {3, L"乗算"}, {4, L"スクリーン"},
    {5, L"オーバーレイ"}, {6, L"比較(明)"},   {7, L"比較(暗)"}, {8, L"輝度"}, {9, L"色差"},
    {10, L"陰影"},       {11, L"明暗"},      {12, L"差分"},
};
constexpr Choice textDecorationList[] = {
    {0, L"標準文字"},       {1, L"影付き文字"},     {2, L"影付き文字(薄)"}, {3, L"縁取り文字"},
    {4, L"縁取り文字(細)"}, {5, L"縁取り文字(太)"}, {6, L"縁取り文字(角)"},
};
constexpr Choice textAlignmentList[] = {
    {0, L"左寄せ[上]"},     {1, L"中央揃え[上]"},   {2, L"右寄せ[上]"},     {3, L"左寄せ[中]"},
    {4, L"中央揃え[中]"},   {5, L"右寄せ[中]"},     {6, L"左寄せ[下]"},     {7, L"中央揃え[下]"},
    {8, L"右寄せ[下]"},     {9, L"縦書 上寄[右]"},  {10, L"縦書 中央[右]"}, {11, L"縦書 下寄[右]"},
    {12, L"縦書 上寄[中]"}, {13, L"縦書 中央[中]"}, {14, L"縦書 下寄[中]"}, {15, L"縦書 上寄[左]"},
    {16, L"縦書 中央[左]"}, {17, L"縦書 下寄[左]"},
};
constexpr Choice flashSynthesisList[] = {{0, L"前方に合成"}, {1, L"後方に合成"}, {2, L"光成分のみ"}};
constexpr Choice glowShapeList[] = {
    {0, L"通常"}, {1, L"クロス(4本)"}, {2, L"クロス(6本)"}, {3, L"クロス(8本)"},
    {4, L"クロス(10本)"}, {5, L"クロス(12本)"}, {6, L"ライン"},
};
constexpr Choice luminanceKeyModeList[] = {
    {0, L"暗い部分を透過"}, {1, L"明るい部分を透過"}, {2, L"明暗部分を透過"},
    {3, L"明暗部分を透過(補間無し)"}, {4, L"基準部分を透過"}, {5, L"基準部分を透過(補間無し)"},
};
constexpr Choice displacementModeList[] = {{0, L"移動変形"}, {1, L"拡大変形"}, {2, L"回転変形"}};
constexpr Choice noiseBlendingList[] = {{0, L"アルファ値と乗算"}, {1, L"明るさと乗算"}};
constexpr Choice noiseTypeList[] = {{0, L"Type1"}, {1, L"Type2"}, {2, L"Type3"},
                                    {3, L"Type4"}, {4, L"Type5"}, {5, L"Type6"}};
constexpr Choice colorShiftKindList[] = {{0, L"赤緑A"}, {1, L"赤青A"}, {2, L"緑青A"},
                                         {3, L"赤緑B"}, {4, L"赤青B"}, {5, L"緑青B"}};
constexpr Choice gradationShapeList[] = {{0, L"線形"}, {1, L"円形"}, {2, L"矩形"}, {3, L"凸形"}};
constexpr Choice deinterlaceMethodList[] = {{0, L"奇数"}, {1, L"偶数"}, {2, L"二重化"}};
constexpr Choice objectFacingList[] = {{0, L"標準"}, {3, L"カメラの方を向く"}};

constexpr int32_t R = TransitionReverse, A = TransitionAngle, D = TransitionDivisions, V = TransitionVertical;
constexpr SceneChangeTransition transitionList[] = {
    {L"クロスフェード", 0}, {L"暗転", 0},         {L"ホワイトアウト", 0}, {L"スライス", R | D | V},
    {L"ランダムライン", D | V}, {L"スライド", R | A}, {L"押し出し", R | V},   {L"スワップ", R | V},
    {L"縮小回転", R},        {L"回転", R | V},      {L"キューブ回転", R | V}, {L"放射ブラー", 0},
    {L"ぼかし", 0},
};

constexpr WaveformPreset waveformPresetList[] = {
    {L"Type1", 0, 0, 0, 0, false, false},      {L"Type2", 200, 100, 50, 50, false, false},
    {L"Type3", 32, 40, 25, 25, true, false},   {L"Type4", 0, 0, 0, 0, true, false},
    {L"Type5", 40, 40, 80, 0, true, true},
};

constexpr const char* pictureSourceList[] = {"movie",       "image",      "text",  "figure", "plane",
                                             "framebuffer", "tempbuffer", "layer", "before"};
} // namespace

const ChoiceTable blendModes = blendModeList;
const ChoiceTable textDecorations = textDecorationList;
const ChoiceTable textAlignments = textAlignmentList;
const ChoiceTable flashSyntheses = flashSynthesisList;
const ChoiceTable glowShapes = glowShapeList;
const ChoiceTable luminanceKeyModes = luminanceKeyModeList;
const ChoiceTable displacementModes = displacementModeList;
const ChoiceTable noiseBlendings = noiseBlendingList;
const ChoiceTable noiseTypes = noiseTypeList;
const ChoiceTable colorShiftKinds = colorShiftKindList;
const ChoiceTable gradationShapes = gradationShapeList;
const ChoiceTable deinterlaceMethods = deinterlaceMethodList;
const ChoiceTable objectFacings = objectFacingList;

const std::span<const SceneChangeTransition> sceneChangeTransitions = transitionList;
const std::span<const WaveformPreset> waveformPresets = waveformPresetList;
const std::span<const char* const> scriptPictureSources = pictureSourceList;

int32_t transitionFlags(int position)
{
    if (position >= 0 && static_cast<size_t>(position) < std::size(transitionList))
        return transitionList[position].flags;
    return laterTransitionFlags;
}

const std::unordered_map<std::string, int32_t>& scriptBlendNames()
{
    static const std::unordered_map<std::string, int32_t> table = {
        {"none", 0},   {"add", 1},        {"sub", 2},         {"mul", 3},        {"screen", 4},
        {"overlay", 5}, {"light", 6},     {"dark", 7},        {"brightness", 8}, {"chroma", 9},
        {"shadow", 10}, {"light_dark", 11}, {"diff", 12},     {"alpha_add", 20}, {"alpha_add2", 21},
        {"alpha_max", 22}, {"alpha_sub", 23},
    };
    return table;
}

} // namespace Vocabulary

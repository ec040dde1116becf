#include "effects/built_in_effects.h"

#include "effects/filters/audio/audio_filters.h"
#include "effects/objects/audio_output.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/camera_control.h"
#include "effects/objects/camera_lights.h"
#include "effects/objects/camera_option.h"
#include "effects/objects/figure_load.h"
#include "effects/objects/group_control.h"
#include "effects/objects/image_load.h"
#include "effects/objects/movie_load.h"
#include "effects/objects/part_effect.h"
#include "effects/objects/particle_output.h"
#include "effects/objects/scene_change.h"
#include "effects/objects/scene_load.h"
#include "effects/objects/text_input.h"
#include "effects/objects/time_control.h"
#include "effects/objects/wave_image_input.h"
#include "effects/filters/basic/basic_effects.h"
#include "effects/filters/blur/blur_direction_filter.h"
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/blur/bokeh_filter.h"
#include "effects/filters/blur/border_blur_filter.h"
#include "effects/filters/clip/angle_clip_filter.h"
#include "effects/filters/clip/clip_filter.h"
#include "effects/filters/clip/line_clip_filter.h"
#include "effects/filters/clip/mask_filter.h"
#include "effects/filters/colour/color_change_filter.h"
#include "effects/filters/colour/color_filter.h"
#include "effects/filters/colour/expanded_color_filter.h"
#include "effects/filters/colour/gradation_filter.h"
#include "effects/filters/decoration/decoration_filters.h"
#include "effects/filters/deform/deform_filters.h"
#include "effects/filters/deform/displacement_filter.h"
#include "effects/filters/key/chroma_key_filter.h"
#include "effects/filters/key/key_filters.h"
#include "effects/filters/light/bloom_filter.h"
#include "effects/filters/light/diffusion_filter.h"
#include "effects/filters/light/flash_filter.h"
#include "effects/filters/light/glow_filter.h"
#include "effects/filters/light/light_filter.h"
#include "effects/filters/placement/image_loop.h"
#include "effects/filters/placement/object_divide.h"
#include "effects/filters/placement/temp_draw.h"
#include "effects/filters/placement/transition_filters.h"
#include "effects/filters/processing/noise_filter.h"
#include "effects/filters/processing/processing_filters.h"
#include "effects/filters/skeleton/color_shift_filter.h"
#include "effects/objects/material_setting.h"
#include "effects/objects/script_edit.h"

namespace Effect {

namespace {

// Rows 1 to 64, registered before the script files. Each line is one row of
// the table, at its row number; rows not listed are not built yet.
void beforeScripts(EffectService& s)
{
    s.registerEffect<MovieLoad>();        // 1 動画ファイル
    s.registerEffect<ImageLoad>();        // 2 画像ファイル
    s.registerEffect<AudioLoad>();        // 3 音声ファイル
    s.registerEffect<TextInput>();        // 4 テキスト
    s.registerEffect<FigureLoad>();       // 5 図形
    s.registerEffect<SceneLoad>();        // 6 シーン
    s.registerEffect<FrameLoad>();        // 7 フレームバッファ
    s.registerEffect<AudioBufferLoad>();  // 8 オーディオバッファ
    s.registerEffect<BeforeObjectLoad>(); // 9 直前オブジェクト
    s.registerEffect<VideoOutput>();      // 10 標準描画
    s.registerEffect<AudioOutput>();      // 11 音声再生
    s.registerEffect<MovieOutput>();      // 12 映像再生
    s.registerEffect<SimpleOutput>();     // 13 基本出力
    s.registerEffect<ParticleOutput>();   // 14 パーティクル出力
    s.registerEffect<PartEffect>();        // 15 部分フィルタ
    s.registerEffect<GroupControl>();      // 16 グループ制御
    s.registerEffect<GroupAudioControl>(); // 17 グループ制御(音声)
    s.registerEffect<CameraControl>();     // 18 カメラ制御
    s.registerEffect<TimeControl>();       // 19 時間制御(オブジェクト)
    s.registerEffect<WaveImageInput>();   // 20 音声波形表示
    s.registerEffect<ColorFilter>();         // 21 色調補正
    s.registerEffect<GradationFilter>();     // 22 グラデーション
    s.registerEffect<MonochromeFilter>();    // 23 単色化
    s.registerEffect<ColorChangeFilter>();   // 24 特定色域変換
    s.registerEffect<ExpandedColorFilter>(); // 25 拡張色設定
    s.registerEffect<ClipFilter>();          // 26 クリッピング
    s.registerEffect<LineClipFilter>();      // 27 斜めクリッピング
    s.registerEffect<AngleClipFilter>();     // 28 扇クリッピング
    s.registerEffect<MaskFilter>();          // 29 マスク
    s.registerEffect<BokashiFilter>();       // 30 ぼかし
    s.registerEffect<BokehFilter>();         // 31 レンズブラー
    s.registerEffect<BlurFilter>();          // 32 放射ブラー
    s.registerEffect<BlurDirectionFilter>(); // 33 方向ブラー
    s.registerEffect<BorderBlurFilter>();    // 34 境界ぼかし
    s.registerEffect<GlowFilter>();          // 35 グロー
    s.registerEffect<BloomFilter>();         // 36 発光
    s.registerEffect<FlashFilter>();         // 37 閃光
    s.registerEffect<DiffusionFilter>();     // 38 拡散光
    s.registerEffect<LightFilter>();         // 39 ライト
    s.registerEffect<ColorShiftFilter>();    // 40 色ずれ
    s.registerEffect<BorderFilter>();        // 41 縁取り
    s.registerEffect<DropShadowFilter>();    // 42 ドロップシャドウ
    s.registerEffect<BevelFilter>();         // 43 凸エッジ
    s.registerEffect<ChromaKeyFilter>();     // 44 クロマキー
    s.registerEffect<LuminanceKeyFilter>();  // 45 ルミナンスキー
    s.registerEffect<ColorKeyFilter>();      // 46 カラーキー
    s.registerEffect<EdgeFilter>();          // 47 エッジ抽出
    s.registerEffect<RippleFilter>();        // 48 波紋
    s.registerEffect<RasterFilter>();        // 49 ラスター
    s.registerEffect<PolarFilter>();         // 50 極座標変換
    s.registerEffect<DisplacementFilter>();  // 51 ディスプレイスメントマップ
    s.registerEffect<ResizeFilter>();        // 52 リサイズ
    s.registerEffect<ShapeFilter>();          // 53 シャープ
    s.registerEffect<NoiseReductionFilter>(); // 54 ノイズ除去
    s.registerEffect<DeinterlaceFilter>();    // 55 インターレース解除
    s.registerEffect<NoiseFilter>();          // 56 ノイズ
    s.registerEffect<MosaicFilter>();         // 57 モザイク
    s.registerEffect<TempDraw>();             // 58 オフスクリーン描画
    s.registerEffect<ImageLoop>();            // 59 画像ループ
    s.registerEffect<ObjectDivide>();         // 60 オブジェクト分割
    s.registerEffect<FadeFilter>();           // 61 フェード
    s.registerEffect<WipeFilter>();           // 62 ワイプ
    s.registerEffect<SceneChange>();          // 63 シーンチェンジ
    s.registerEffect<QuakeFilter>();          // 64 振動
}

// Rows 65 to 79, registered after the script files.
void afterScripts(EffectService& s)
{
    s.registerEffect<ScriptEdit>();      // 65 スクリプト制御
    s.registerEffect<CameraLight>();        // 66 並行光源(カメラ制御)
    s.registerEffect<CameraLightAmbient>(); // 67 環境光(カメラ制御)
    s.registerEffect<CameraLightBloom>();   // 68 ライトブルーム(カメラ制御)
    s.registerEffect<MaterialSetting>();    // 69 材質設定(カメラ制御)
    s.registerEffect<CameraOption>();       // 70 カメラ制御オプション
    s.registerEffect<BasicMove>();   // 71 座標
    s.registerEffect<BasicScale>();  // 72 拡大率
    s.registerEffect<BasicAlpha>();  // 73 透明度
    s.registerEffect<BasicAngle>();  // 74 回転
    s.registerEffect<BasicExpand>(); // 75 領域拡張
    s.registerEffect<BasicInvert>(); // 76 反転
    s.registerEffect<AudioFadeFilter>(); // 77 音量フェード
    s.registerEffect<AudioMonoFilter>(); // 78 モノラル化
    s.registerEffect<AudioVolume>();     // 79 音量調整
}

} // namespace

EffectService::BuiltInEffects builtInEffectTable() { return {beforeScripts, afterScripts}; }

} // namespace Effect

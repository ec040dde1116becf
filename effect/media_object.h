#pragma once
// Which object-source effect a file dropped on the timeline or the scene list becomes.

namespace Effect {

// Whether a dropped file can become an object: a text file, an SVG figure, or
// an extension that an input reader lists for video or sound. Nothing is opened.
bool isMediaObjectFile(const wchar_t* path);

// The registered name of the source effect the file becomes: "テキスト" for a
// text file, "図形" for an SVG figure that loads, else by what the input
// service finds in the file: "動画ファイル" (video of more than one frame),
// "画像ファイル" (one frame) or "音声ファイル" (sound only). Null when no
// reader takes the file.
const wchar_t* getMediaObjectName(const wchar_t* path);

} // namespace Effect

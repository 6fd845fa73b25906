// The system's message texts, byte for byte. Japanese texts are the container
// format's own; English ones are the runtime's.
#pragma once

namespace dorv::msg {

// Container format.
inline constexpr const char* kUnreadableFormat = "読み込めないファイル形式です";
inline constexpr const char* kFileCorrupt = "ファイルが破壊されています";
inline constexpr const char* kNoLayers = "レイヤーがありません";
inline constexpr const char* kNoColorTable = "カラーテーブルがありません";
inline constexpr const char* kCodeRequired = "識別コードを設定してください";
inline constexpr const char* kGetFrame = "Error:TDorvFrameList.GetFrame";

// Surfaces.
inline constexpr const char* kInvalidBitCount = "不正なビット数です (%d)";
inline constexpr const char* kInvalidPixelFormat = "不正なピクセルフォーマットです";
inline constexpr const char* kScanlineRange = "スキャンラインのインデックスが範囲を越えました (%d)";
inline constexpr const char* kCannotCreate = "%s を作成できません";

// Runtime.
inline constexpr const char* kOutOfMemory = "Out of memory";
inline constexpr const char* kStreamRead = "Stream read error";
inline constexpr const char* kStreamWrite = "Stream write error";
inline constexpr const char* kInvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* kListIndex = "List index out of bounds (%d)";

// Decompression that does not give the size its caller expects.
inline constexpr const char* kInflateTooLong = "Decompressed data longer than allowed";
inline constexpr const char* kInflateTooShort = "Decompressed data shorter than expected";

// The format's name, the caption of a failed load's message; and the
// plug-in about box: that name (first line, with the version) and what the
// module does (second line).
inline constexpr const char* kFormatName = "DorvStudio Format";
inline constexpr const char* kAboutDescription = "Opens and saves DorvStudio documents (.dov).";

// Save options.
inline constexpr const char* kCodeWarning =
    "コードは半角英数字４文字で入力するか、または空にしてください";
inline constexpr const char* kOptionsCaption = "DorvStudio Format Options";
inline constexpr const char* kNoTerminal =
    "no terminal for the save options dialog";

}  // namespace dorv::msg

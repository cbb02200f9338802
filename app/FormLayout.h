#pragma once

namespace hortivex {

// The "Converter" dialog's texts and geometry, shared by every toolkit's dialog. Positions are
// client pixels at 96 dots per inch: left, top, width, height.
struct ControlRect {
    int left, top, width, height;
};

inline constexpr const char* kFormCaption = "Converter";
inline constexpr int kClientWidth = 623;
inline constexpr int kClientHeight = 180;
inline constexpr const char* kFontFace = "Arial";
inline constexpr int kFormFontPixels = 16;
inline constexpr int kLabelFontPixels = 17;

inline constexpr const char* kExplanation =
    "Please press button below to choose Hortivex classic settings file. System will put "
    "converted file to the same folder as original file. Converted file can be uploaded to "
    "Hortivex using web  site. Please read user's manual for details";
inline constexpr const char* kChooseCaption = "Choose file";
inline constexpr const char* kProgressCaption = "Progress";
inline constexpr const char* kCloseCaption = "Close";

// Three lines of 17-pixel Arial need 59 pixels; the label reaches down towards the group box
// (which starts at 72) so that the last line keeps its descenders.
inline constexpr ControlRect kLabelRect{8, 7, 608, 63};
inline constexpr ControlRect kChooseRect{8, 152, 121, 25};
inline constexpr ControlRect kGroupRect{8, 72, 610, 73};
inline constexpr ControlRect kBarRect{8, 24, 590, 33}; // inside the group
inline constexpr ControlRect kCloseRect{496, 150, 121, 25};

} // namespace hortivex

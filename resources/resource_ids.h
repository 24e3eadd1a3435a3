#pragma once

// Numeric ids of the program's artwork. Every picture is embedded as ":/png/<id>.png"; the
// numbers are the ones the skins and panels have always been addressed by, so keep them.

#include <array>

namespace tessaly {

// ---- Menu bar and pop-up menus -------------------------------------------------------------
constexpr int kPngMenuFile = 318;          // 164 x 214, pure red outside the shape
constexpr int kPngMenuView = 319;          // 176 x 221, pure red outside the shape
constexpr int kPngMenuHelp = 411;          // 140 x 131, pure red outside the shape
constexpr int kPngMenuSubHV = 407;         // 119 x 65, Horizontal / Vertical
constexpr int kPngMenuSubSL = 408;         // 80 x 65, Small / Large
constexpr int kPngMenuPanel = 432;         // 200 x 172, a panel's pop-up, red outside the shape
constexpr int kPngSubMenuArrow = 409;      // 5 x 9, black is transparent
constexpr int kPngButtonReady = 420;       // 60 x 28, green face, black is transparent
constexpr int kPngButtonUnavailable = 421; // 60 x 28, dark face
constexpr int kPngButtonRunning = 422;     // 60 x 28, red face
constexpr int kPngCaptionStart = 424;      // 60 x 28, "Start", white on black
constexpr int kPngCaptionStop = 425;       // 60 x 28, "Stop", white on black
constexpr int kPngCaptionStartGrey = 427;  // 60 x 28, "Start" greyed, on black
constexpr int kPngMonitorLabel = 426;      // 52 x 18, "Monitor", on black
constexpr int kBmpBarLogo = 311;           // 280 x 34, top right of the menu bar, opaque
constexpr int kBmpBarBackground = 312;     // 690 x 70, tiled across the menu bar

// ---- Splash, dialogs, application ------------------------------------------------------------
constexpr int kPngSplash = 359;     // 834 x 484, red 0 / green 128 / blue 128 outside the shape
constexpr int kBmpConfigLogo = 314; // 210 x 32, black on white, white is transparent
constexpr int kIconApplication = 128;

// ---- Lamps: 14 x 14 (large horizontal, small horizontal, menu bar), 14 x 12 (vertical modes) --
constexpr int kPngLampRed = 344;
constexpr int kPngLampOff = 342;
constexpr int kPngLampGreen = 398;
constexpr int kPngLampRedFlat = 345;
constexpr int kPngLampOffFlat = 343;
constexpr int kPngLampGreenFlat = 399;

// ---- Memo and warning icons ------------------------------------------------------------------
constexpr int kPngMemoPresent = 400;  // 16 x 16, copied opaquely
constexpr int kPngMemoAbsent = 402;   // 16 x 16, black is transparent
constexpr int kPngWarningSmall = 393; // 30 x 24, vertical modes, black is transparent
constexpr int kPngWarningLarge = 392; // 48 x 48, large horizontal
constexpr int kPngWarningWide = 391;  // 42 x 40, small horizontal

// ---- Large Vertical panels (layout mode 0) ---------------------------------------------------
constexpr int kPngPanelLargeVertical = 353; // 94 x 659, pure red outside the shape
constexpr int kPngColourTabMask = 1025;     // 92 x 45, white shows the colour gradient
constexpr int kPngRfLitLargeVertical = 357; // 8 x 232
constexpr int kPngRfDarkLargeVertical = 355;
constexpr int kPngAfLitLargeVertical = 329; // 12 x 240
constexpr int kPngAfDarkLargeVertical = 327;
constexpr int kPngBatteryLargeVertical0 = 335; // 66 x 52; levels 0 ... 4 are 335 ... 339
constexpr int kPngStripLargeVertical = 347;    // 28 x 659, scale strip at the left

// ---- Large Horizontal panels (layout mode 1) -------------------------------------------------
constexpr int kPngPanelLargeHorizontal = 352;     // 984 x 96, black outside the shape
constexpr int kPngColourTabLargeHorizontal = 340; // 160 x 96, its size is the tab's hit area
constexpr int kPngRfLitLargeHorizontal = 356;     // 320 x 10
constexpr int kPngRfDarkLargeHorizontal = 354;
constexpr int kPngAfLitLargeHorizontal = 328; // 320 x 24
constexpr int kPngAfDarkLargeHorizontal = 326;
constexpr int kPngBatteryLargeHorizontal0 = 330;    // 102 x 56; levels 0 ... 4 are 330 ... 334
constexpr int kPngStripLargeHorizontal = 346;       // 984 x 24, scale strip at the top
constexpr int kPngStripFillerLargeHorizontal = 430; // 694 x 24, continues the strip

// ---- Small Vertical panels (layout mode 2) ---------------------------------------------------
constexpr int kPngPanelSmallVertical = 375; // 94 x 223, pure red outside the shape
constexpr int kPngRfLitSmallVertical = 376; // 8 x 104
constexpr int kPngRfDarkSmallVertical = 377;
constexpr int kPngAfLitSmallVertical = 378; // 12 x 104
constexpr int kPngAfDarkSmallVertical = 379;
constexpr int kPngBatterySmallVertical0 = 380; // 66 x 24; levels 0 ... 4 are 380 ... 384

// ---- Small Horizontal panels (layout mode 3) -------------------------------------------------
constexpr int kPngPanelSmallHorizontal = 361;     // 492 x 83, black outside the shape
constexpr int kPngColourTabSmallHorizontal = 362; // 138 x 83, its size is the tab's hit area
constexpr int kPngRfLitSmallHorizontal = 365;     // 218 x 10
constexpr int kPngRfDarkSmallHorizontal = 366;
constexpr int kPngAfLitSmallHorizontal = 367; // 218 x 24
constexpr int kPngAfDarkSmallHorizontal = 368;
constexpr int kPngBatterySmallHorizontal0 = 369; // 70 x 56; levels 0 ... 4 are 369 ... 373

// ---- The 19 image slots of a receiver panel, per layout mode ----------------------------------
constexpr int kPanelSlotCount = 19;
constexpr int kNoImage = 0; // the slot is not used in this layout mode

enum PanelSlot {
    kSlotBackground = 0,
    kSlotColourTab = 1,
    kSlotRfLit = 2,
    kSlotRfDark = 3,
    kSlotAfLit = 4,
    kSlotAfDark = 5,
    kSlotLampRed = 6,
    kSlotLampOff = 7,
    kSlotLampGreen = 8,
    kSlotBattery0 = 9, // levels 0 ... 4 in slots 9 ... 13
    kSlotStrip = 14,
    kSlotStripFiller = 15,
    kSlotWarning = 16,
    kSlotMemoPresent = 17,
    kSlotMemoAbsent = 18,
};

using PanelImageIds = std::array<int, kPanelSlotCount>;

// Indexed by layout mode: 0 Large Vertical, 1 Large Horizontal, 2 Small Vertical,
// 3 Small Horizontal.
constexpr std::array<PanelImageIds, 4> kPanelImageIds = {{
    {kPngPanelLargeVertical, kPngColourTabMask, kPngRfLitLargeVertical, kPngRfDarkLargeVertical,
     kPngAfLitLargeVertical, kPngAfDarkLargeVertical, kPngLampRedFlat, kPngLampOffFlat,
     kPngLampGreenFlat, 335, 336, 337, 338, 339, kPngStripLargeVertical, kNoImage, kPngWarningSmall,
     kPngMemoPresent, kPngMemoAbsent},
    {kPngPanelLargeHorizontal, kPngColourTabLargeHorizontal, kPngRfLitLargeHorizontal,
     kPngRfDarkLargeHorizontal, kPngAfLitLargeHorizontal, kPngAfDarkLargeHorizontal, kPngLampRed,
     kPngLampOff, kPngLampGreen, 330, 331, 332, 333, 334, kPngStripLargeHorizontal,
     kPngStripFillerLargeHorizontal, kPngWarningLarge, kPngMemoPresent, kPngMemoAbsent},
    {kPngPanelSmallVertical, kPngColourTabMask, kPngRfLitSmallVertical, kPngRfDarkSmallVertical,
     kPngAfLitSmallVertical, kPngAfDarkSmallVertical, kPngLampRedFlat, kPngLampOffFlat,
     kPngLampGreenFlat, 380, 381, 382, 383, 384, kNoImage, kNoImage, kPngWarningSmall,
     kPngMemoPresent, kPngMemoAbsent},
    {kPngPanelSmallHorizontal, kPngColourTabSmallHorizontal, kPngRfLitSmallHorizontal,
     kPngRfDarkSmallHorizontal, kPngAfLitSmallHorizontal, kPngAfDarkSmallHorizontal, kPngLampRed,
     kPngLampOff, kPngLampGreen, 369, 370, 371, 372, 373, kNoImage, kNoImage, kPngWarningWide,
     kPngMemoPresent, kPngMemoAbsent},
}};

// Every picture the program carries, in no particular order.
inline constexpr int kAllArtworkIds[] = {
    // chrome
    318, 319, 411, 407, 408, 432, 409, 420, 421, 422, 424, 425, 427, 426, 311, 312,
    // splash, dialogs, application
    359, 314, 128,
    // lamps, memo, warning
    344, 342, 398, 345, 343, 399, 400, 402, 393, 392, 391,
    // Large Vertical
    353, 1025, 357, 355, 329, 327, 335, 336, 337, 338, 339, 347,
    // Large Horizontal
    352, 340, 356, 354, 328, 326, 330, 331, 332, 333, 334, 346, 430,
    // Small Vertical
    375, 376, 377, 378, 379, 380, 381, 382, 383, 384,
    // Small Horizontal
    361, 362, 365, 366, 367, 368, 369, 370, 371, 372, 373};

} // namespace tessaly

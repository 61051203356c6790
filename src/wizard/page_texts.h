// What each wizard page looks like, as data: its frame, which controls it
// shows, and its painted texts in drawing order. The painting code only
// walks these tables.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane {

enum class PageFrame { SideBanner, TopBanner };

// "Current" keeps the text colour in effect; every other colour is set
// before its text and stays set for the texts after it.
enum class TextColour { Current, Black, Purple, Green, DarkGreen, Red, Blue, Grey };

struct Rgb {
  uint8_t red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
// The RGB of a fixed colour; Grey is the system's button-shadow colour and
// Current has none, so both answer nullopt.
std::optional<Rgb> FixedColour(TextColour colour);

// Pixels of this colour in a banner are left out when it is copied.
inline constexpr Rgb kBannerKeyColour{198, 0, 136};

// Where a painted text comes from: the table itself or a program-wide text.
enum class TextSource { Fixed, TitleText, VersionText, PageHeading, PageSubheading, WebAddress };

inline constexpr const char* kYaHei = "Microsoft YaHei";
inline constexpr const char* kSongTi = "宋体";
inline constexpr const char* kHeiTi = "黑体";

// Alignment widths: 0 draws at x; 1 to 10000 centres in the band from x to
// x + width; above 10000 right-aligns at x + (width - 10000).
inline constexpr int kNoAlignment = 0;
inline constexpr int kCentredIn325 = 325;

struct PageText {
  int x;
  int y;
  TextSource source;
  const char* text;  // for TextSource::Fixed
  const char* face;
  int points;
  int weight;
  TextColour colour;
  int alignWidth = kNoAlignment;
};

struct ControlVisibility {
  bool next, cancel, back, group, browse, edit, progressBar, progressLabel, checkBoxes;
};

struct PagePaintPlan {
  PageFrame frame;
  ControlVisibility controls;
  bool blackBeforeTexts;  // the page sets black before its first text
  std::span<const PageText> texts;
  const char* cancelCaption;  // set on every paint when not null
};

// The plan for a value of InstallPage; nullopt for a value outside 0..6,
// which paints only the white surface and leaves the controls alone.
// `gameRequired` is GameRequired == 1; `extractOnly` the extract-only mode.
std::optional<PagePaintPlan> PlanForPage(int32_t page, bool gameRequired, bool extractOnly);

// Texts of the top-banner frame, drawn before the page's own texts: the
// maker's web address, then (after black is set) the heading pair.
std::span<const PageText> TopBannerFrameTexts();

// The x at which a text of `textWidth` pixels is drawn for the alignment
// width; centring rounds halves to the even neighbour.
int AlignedTextX(int x, int alignWidth, int textWidth);

// A text's place on a screen of the given scale factors: x, y and the
// width it is aligned in grow like the frames and controls (rounded the
// same way), so texts stay beside the geometry they were placed against.
// Factors of 1 change nothing.
struct TextPlace {
  int x;
  int y;
  int alignWidth;
};
TextPlace ScaledTextPlace(const PageText& row, float factorX, float factorY);

// "安装Orvane软件 V" + the four parts of the file version + " 版".
std::string WizardCaption(const int (&fileVersion)[4]);

}  // namespace orvane
